#include "scenes/RankingFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>

#include "platform/DataFile.h"
#include "platform/Decimal.h"
#include "platform/Say.h"

int RankingTable[kRankingSlots];

namespace {

std::string& RankingPathStorage() {
    static std::string path = "res/ranking.dat";
    return path;
}

struct Reader {
    const std::string& text;
    std::size_t at = 0;
    int Peek() const { return at < text.size() ? static_cast<unsigned char>(text[at]) : EOF; }
    void SkipSpace() {
        while (Peek() != EOF && std::isspace(Peek())) ++at;
    }
};

}  // namespace

// Items as scanf's "%d " reads them: white space, an optional sign and digits, so "12-5" is two
// items. Unlike scanf, a number that does not fit an int is refused instead of read with an
// undefined value.
std::string ReadNumbers(const std::string& text, std::size_t most, std::vector<int>& numbers) {
    Reader in{text};
    for (in.SkipSpace(); numbers.size() < most && in.Peek() != EOF; in.SkipSpace()) {
        const std::size_t start = in.at;
        if (in.Peek() == '+' || in.Peek() == '-') ++in.at;
        while (in.Peek() != EOF && std::isdigit(in.Peek())) ++in.at;
        long long value = 0;
        const std::string_view item = std::string_view(text).substr(start, in.at - start);
        const DecimalRead read = ReadDecimal(item, Signs::Either, INT_MIN, INT_MAX, value);
        if (read == DecimalRead::NotANumber) return "not a number";
        if (read == DecimalRead::OutOfRange) return "a number out of range for a score";
        numbers.push_back(static_cast<int>(value));
    }
    return "";
}

void InsertInto(int* table, int s) {
    int i = 0;
    while (i < kRankingSlots && table[i] >= s) ++i;
    if (i == kRankingSlots) return;
    for (int slot = kRankingSlots - 1; slot > i; --slot) table[slot] = table[slot - 1];
    table[i] = s;
}

LoadResult ReadRanking(const char* path, int* table, std::string& problem) {
    std::string text, why;
    if (!ReadDataFile(path, kMaxRankingBytes, text, why)) {
        const int error = errno;
        std::fill(table, table + kRankingSlots, 0);
        // No file yet is the normal first run; anything else is worth a line.
        if (error == ENOENT) return LoadResult::Missing;
        problem = "could not read the ranking " + std::string(path) + " (" + why + "); starting from zeros";
        // Only a regular file (too large, unreadable, a disk error) has bytes worth keeping.
        struct stat info {};
        const bool regular = ::stat(path, &info) == 0 && S_ISREG(info.st_mode);
        return regular ? LoadResult::Damaged : LoadResult::Unreadable;
    }
    std::vector<int> items;
    const std::string wrong = ReadNumbers(text, kRankingSlots, items);
    // Like scanf: once an item fails, nothing more is read, and the places left keep the last
    // value read.
    const int holding = items.empty() ? 0 : items.back();
    for (int slot = 0; slot < kRankingSlots; ++slot)
        table[slot] = slot < static_cast<int>(items.size()) ? items[slot] : holding;
    if (wrong.empty()) return LoadResult::Clean;
    problem = std::string(path) + ": item " + std::to_string(items.size() + 1) + " is " + wrong +
              "; the places from there on keep " + std::to_string(holding);
    return LoadResult::Damaged;
}

std::string RankingText(const int* table, std::size_t count) {
    std::string text;
    for (std::size_t slot = 0; slot < count; ++slot) {
        char item[16];
        std::snprintf(item, sizeof item, "%d ", table[slot]);
        text += item;
    }
    return text;
}

void LoadRankingFrom(const char* path) {
    std::string problem;
    ReadRanking(path, RankingTable, problem);
    if (!problem.empty()) Say("%s\n", problem.c_str());
}

void SetRankingPath(const std::string& path) { RankingPathStorage() = path; }

const std::string& RankingPath() { return RankingPathStorage(); }

void LoadRanking() {
    std::string problem;  // told, with the file kept aside, when a score is saved over it
    // With nowhere to keep it, the table simply carries on in memory from game to game.
    if (!RankingPath().empty()) ReadRanking(RankingPath().c_str(), RankingTable, problem);
}

void InsertScore(int s) { InsertInto(RankingTable, s); }

#include "scenes/RankingFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>

#include "platform/DataFile.h"
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

enum class ItemResult { Read, End, NotANumber, OutOfRange };

// One "%d " item: white space, an optional sign, digits, white space. Unlike scanf, a number
// that does not fit an int is refused instead of read with an undefined value.
ItemResult ReadItem(Reader& in, int& value) {
    in.SkipSpace();
    int c = in.Peek();
    if (c == EOF) return ItemResult::End;
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        c = (++in.at, in.Peek());
    }
    if (c == EOF || !std::isdigit(c)) return ItemResult::NotANumber;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long magnitude = 0;
    bool outOfRange = false;
    for (; c != EOF && std::isdigit(c); c = (++in.at, in.Peek())) {
        if (!outOfRange) {
            magnitude = magnitude * 10 + (c - '0');
            if (magnitude > limit) outOfRange = true;
        }
    }
    if (outOfRange) return ItemResult::OutOfRange;
    in.SkipSpace();
    value = static_cast<int>(negative ? -magnitude : magnitude);
    return ItemResult::Read;
}

}  // namespace

std::string ReadNumbers(const std::string& text, std::size_t most, std::vector<int>& numbers) {
    Reader in{text};
    for (int value = 0; numbers.size() < most; numbers.push_back(value)) {
        switch (ReadItem(in, value)) {
            case ItemResult::Read: break;
            case ItemResult::End: return "";
            case ItemResult::NotANumber: return "not a number";
            case ItemResult::OutOfRange: return "a number out of range for a score";
        }
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

#include "scenes/Replays.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <sstream>

#include "platform/DataFile.h"
#include "scenes/RankingJournal.h"

namespace {

// An index is a few hundred bytes; this bounds the read of anything else under its name.
constexpr std::size_t kMaxIndexBytes = 64 * 1024;
constexpr std::size_t kNameDigits = 16;

bool IsRunName(const std::string& word) {
    if (word.size() != kNameDigits) return false;
    for (char c : word)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

// A whole number of at most nine digits, with an optional minus sign: a place or a score.
bool ReadWhole(const std::string& word, int& value) {
    const std::size_t digits = word.size() - (!word.empty() && word[0] == '-' ? 1 : 0);
    if (digits == 0 || digits > 9) return false;
    long magnitude = 0;
    for (std::size_t i = word.size() - digits; i < word.size(); ++i) {
        if (word[i] < '0' || word[i] > '9') return false;
        magnitude = magnitude * 10 + (word[i] - '0');
    }
    value = static_cast<int>(word[0] == '-' ? -magnitude : magnitude);
    return true;
}

std::string IndexPath(const std::string& rankingPath) { return ReplaysFolder(rankingPath) + "/index"; }

}  // namespace

std::string RunName(const std::string& bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : bytes) hash = (hash ^ c) * 0x100000001b3ull;
    char name[kNameDigits + 1];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash));
    return name;
}

std::string IndexText(const int* table, const RunNames& runs) {
    std::string text = std::string(kReplaysMagic) + "\n";
    for (int place = 0; place < kRankingSlots; ++place)
        text += std::to_string(place + 1) + " " + std::to_string(table[place]) + " " +
                (runs[place].empty() ? "-" : runs[place]) + "\n";
    return text;
}

RunNames ReadIndex(const std::string& text, const int* table) {
    RunNames runs;
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kReplaysMagic) return runs;
    bool seen[kRankingSlots] = {};
    bool twice[kRankingSlots] = {};
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string placeWord, scoreWord, run, extra;
        int place = 0, score = 0;
        if (!(words >> placeWord >> scoreWord >> run) || (words >> extra)) continue;
        if (!ReadWhole(placeWord, place) || place < 1 || place > kRankingSlots) continue;
        const int slot = place - 1;
        if (seen[slot]) twice[slot] = true;
        seen[slot] = true;
        // Another score than the ranking holds: a save was killed between the index and the ranking.
        if (!ReadWhole(scoreWord, score) || score != table[slot] || !IsRunName(run)) continue;
        runs[slot] = run;
    }
    for (int slot = 0; slot < kRankingSlots; ++slot)
        if (twice[slot]) runs[slot].clear();
    return runs;
}

void InsertWithRun(int* table, RunNames& runs, int score, const std::string& run) {
    int i = 0;
    while (i < kRankingSlots && table[i] >= score) ++i;
    if (i == kRankingSlots) return;
    for (int slot = kRankingSlots - 1; slot > i; --slot) runs[slot] = runs[slot - 1];
    runs[i] = run;
    InsertInto(table, score);
}

std::string ReplaysFolder(const std::string& rankingPath) { return FolderOf(rankingPath) + "/replays"; }

std::string RunPath(const std::string& rankingPath, const std::string& name) {
    return ReplaysFolder(rankingPath) + "/" + name + ".demo";
}

RunNames LoadRuns(const std::string& rankingPath, const int* table) {
    std::string text, why;
    if (!ReadDataFile(IndexPath(rankingPath).c_str(), kMaxIndexBytes, text, why)) return RunNames{};
    return ReadIndex(text, table);
}

bool StageReplays(const std::string& rankingPath, const int* table, const RunNames& runs,
                  const std::vector<std::pair<std::string, std::string>>& texts, StagedReplays& staged,
                  std::string& failure) {
    const std::string folder = ReplaysFolder(rankingPath);
    // A ranking that never had a run (a game played back, an older version's) gets no folder.
    bool none = ::access(IndexPath(rankingPath).c_str(), F_OK) != 0;
    for (const std::string& run : runs) none = none && run.empty();
    if (none) return true;
    bool ok = true;
    // Only the runs the new table keeps: a score that did not rank has no file but last.demo.
    StagedFile file;
    for (const auto& text : texts) {
        bool kept = false;
        for (const std::string& run : runs) kept = kept || run == text.first;
        if (!ok || !kept) continue;
        ok = StageFile(RunPath(rankingPath, text.first), TemporaryStem(rankingPath), text.second, file, failure);
        if (ok) staged.files.push_back(file);
    }
    if (ok) ok = StageFile(IndexPath(rankingPath), TemporaryStem(rankingPath), IndexText(table, runs), file, failure);
    if (ok) staged.files.push_back(file);
    if (!ok) DropReplays(staged);
    return ok;
}

bool KeepLastRun(const std::string& rankingPath, const std::string& run, std::string& failure) {
    return ReplaceFile(ReplaysFolder(rankingPath) + "/last.demo", run, TemporaryStem(rankingPath), failure);
}

bool CommitReplays(StagedReplays& staged, std::string& failure) {
    // The runs are synced and in place before the index that names them.
    for (std::size_t i = 0; i < staged.files.size(); ++i) {
        if (CommitFile(staged.files[i], failure)) continue;
        staged.files.erase(staged.files.begin(), staged.files.begin() + static_cast<long>(i) + 1);
        DropReplays(staged);
        return false;
    }
    staged.files.clear();
    return true;
}

void DropReplays(StagedReplays& staged) {
    for (const StagedFile& file : staged.files) ::unlink(file.temp.c_str());
    staged.files.clear();
}

void RemoveOrphanRuns(const std::string& rankingPath, const RunNames& runs) {
    DIR* folder = ::opendir(ReplaysFolder(rankingPath).c_str());
    if (folder == nullptr) return;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.size() != kNameDigits + 5 || name.compare(kNameDigits, 5, ".demo") != 0) continue;
        const std::string run = name.substr(0, kNameDigits);
        bool named = false;
        for (const std::string& kept : runs) named = named || kept == run;
        if (IsRunName(run) && !named) ::unlinkat(::dirfd(folder), name.c_str(), 0);
    }
    ::closedir(folder);
}

bool FindRankedRun(const std::string& rankingPath, int place, std::string& runPath, int& score, std::string& why) {
    int table[kRankingSlots];
    std::string problem;
    if (rankingPath.empty() || place < 1 || place > kRankingSlots) {
        why = "there is no ranking";
        return false;
    }
    ReadRanking(rankingPath.c_str(), table, problem);
    const RunNames runs = LoadRuns(rankingPath, table);
    score = table[place - 1];
    if (runs[place - 1].empty()) {
        why = "place " + std::to_string(place) + " (score " + std::to_string(score) + ") has no run kept";
        return false;
    }
    runPath = RunPath(rankingPath, runs[place - 1]);
    return true;
}

#pragma once
// Every ranked score keeps the run that made it: a demo of the session up to that game's end, in
// "replays/" beside the ranking, named by its content ("<16 hex digits>.demo"), so two copies that
// save the same run write the same file and no name is ever reused for other bytes. The index
// there says which place has which run:
//
//   torvinel-replays 1
//   1 42 09f3c4d2a1b07e65
//   2 17 -
//
// A line counts only while the ranking holds that same score at that place: the index is
// replaced before the ranking, so a save killed between the two leaves lines that disagree, and
// those places simply have no run. "last.demo" is the last game's run, ranked or not.
// Everything here runs on the save's worker with the ranking's lock held, except the reading for
// --play-rank.
#include <array>
#include <string>
#include <vector>

#include "platform/DataFile.h"
#include "scenes/RankingFile.h"

inline constexpr const char* kReplaysMagic = "torvinel-replays 1";
// A run is a demo, and no larger than a demo may be.
inline constexpr std::size_t kMaxRunBytes = 16 * 1024 * 1024;

// Each place's run, by name ("09f3c4d2a1b07e65"), or empty for none.
using RunNames = std::array<std::string, kRankingSlots>;

// The content's name: 16 hex digits of a 64-bit FNV-1a hash.
std::string RunName(const std::string& bytes);

// The index for a table and its runs; read back with the same table, it gives the same runs.
std::string IndexText(const int* table, const RunNames& runs);

// The runs an index names for the places of `table`: a line that is damaged, out of range, twice
// for one place or names another score than the table holds there gives that place no run.
RunNames ReadIndex(const std::string& text, const int* table);

// Ranks `score` as InsertInto does, its run moving with it and every other score keeping its own.
void InsertWithRun(int* table, RunNames& runs, int score, const std::string& run);

// Where the runs of the ranking at `rankingPath` live.
std::string ReplaysFolder(const std::string& rankingPath);
std::string RunPath(const std::string& rankingPath, const std::string& name);

// The runs the index beside the ranking names for `table` (none when there is no index).
RunNames LoadRuns(const std::string& rankingPath, const int* table);

// One save's files for the replays folder, staged beside the ranking until their renames.
struct StagedReplays {
    std::vector<StagedFile> files;  // the runs, then the index last
};

// Stages the new runs the table keeps (`texts`: name and bytes of this save's runs) and the
// index. False with `failure` set, leaving nothing.
bool StageReplays(const std::string& rankingPath, const int* table, const RunNames& runs,
                  const std::vector<std::pair<std::string, std::string>>& texts, StagedReplays& staged,
                  std::string& failure);

// Replaces "last.demo" with the last game's run. No index names it, so it needs no place in the
// locked step: written once the ranking is saved, it keeps the lock's syncs to the runs that count.
bool KeepLastRun(const std::string& rankingPath, const std::string& run, std::string& failure);

// Renames the staged runs into place, then the index; false at the first that fails, the rest
// removed. Call just before the ranking's own rename.
bool CommitReplays(StagedReplays& staged, std::string& failure);

// Drops what was staged and not renamed.
void DropReplays(StagedReplays& staged);

// Removes the runs no place of `runs` names (those a killed save left); only files named like a
// run are touched.
void RemoveOrphanRuns(const std::string& rankingPath, const RunNames& runs);

// The run kept for place (1..8) of the ranking at `rankingPath`, and the score there. False with
// `why` when the place has none.
bool FindRankedRun(const std::string& rankingPath, int place, std::string& runPath, int& score, std::string& why);

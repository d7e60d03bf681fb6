#pragma once
// The eight best scores, best first, kept in "res/ranking.dat" as eight "%d " items.

#include <string>

inline constexpr int kRankingSlots = 8;

// The table the ranking board shows; the file, not memory, carries it from game to game.
extern int RankingTable[kRankingSlots];

// Where the table is kept: "res/ranking.dat" relative to the data folder unless start-up chooses
// a per-player file. An empty path keeps the table in memory only (nowhere to save it).
void SetRankingPath(const std::string& path);
const std::string& RankingPath();

// Fills RankingTable from the file. A slot whose item is missing or unreadable repeats the last
// value read (0 if none); a missing file gives eight zeros. Only a regular file of at most 64 KiB
// is read; anything else is one line on stderr and eight zeros.
void LoadRanking();

// Puts s directly below every entry greater than or equal to it; the eighth entry drops out.
void InsertScore(int s);

// Writes RankingTable back, making the file's folder first if it is missing. The old file is
// replaced only once the new one is complete (written as "<path>.new", then renamed and the
// folder synced), so a failed or interrupted save leaves it whole; a failure is reported on
// stderr and play goes on. The fixed temporary name assumes one save at a time: RankScore's lock.
void SaveRanking();

// One finished game: load, insert the score, save, as one step under an advisory lock on
// "<path>.lock", so that two copies of the game ending together each rank into the other's
// table. A file that did not read cleanly is kept as "<path>.damaged" (one copy, the latest)
// before the save replaces it, and one line says so. The ranking board calls this once per game.
void RankScore(int score);

// The same on any path (tests use their own folders). The save returns true when the file was
// replaced.
void LoadRankingFrom(const char* path);
bool SaveRankingTo(const char* path);

// Called with the finished temporary file just before it is renamed over the ranking file;
// returning false abandons the save as a failure. Null in the game.
using RankingSaveHook = bool (*)(const char* tempPath);
extern RankingSaveHook rankingBeforeRename;

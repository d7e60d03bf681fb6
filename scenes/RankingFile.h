#pragma once
// The eight best scores, best first, kept in "res/ranking.dat" as eight "%d " items.

inline constexpr int kRankingSlots = 8;
inline constexpr const char kRankingPath[] = "res/ranking.dat";

// The table the ranking board shows; the file, not memory, carries it from game to game.
extern int RankingTable[kRankingSlots];

// Fills RankingTable from the file. A slot whose item is missing or unreadable repeats the last
// value read (0 if none); a missing file gives eight zeros.
void LoadRanking();

// Puts s directly below every entry greater than or equal to it; the eighth entry drops out.
void InsertScore(int s);

// Writes RankingTable back. The old file is replaced only once the new one is complete, so a
// failed or interrupted save leaves it whole; a failure is reported on stderr and play goes on.
void SaveRanking();

// The same on any path (tests use their own folders). The save returns true when the file was
// replaced.
void LoadRankingFrom(const char* path);
bool SaveRankingTo(const char* path);

// Called with the finished temporary file just before it is renamed over the ranking file;
// returning false abandons the save as a failure. Null in the game.
using RankingSaveHook = bool (*)(const char* tempPath);
extern RankingSaveHook rankingBeforeRename;

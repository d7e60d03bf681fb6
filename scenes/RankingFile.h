#pragma once
// The eight best scores, best first, kept in "res/ranking.dat" as eight "%d " items.

#include <string>

inline constexpr int kRankingSlots = 8;

// The table the ranking board shows. Only the game's own thread reads or writes it: the saves
// below run on a worker of their own and hand their table over at a tick boundary.
extern int RankingTable[kRankingSlots];

// Where the table is kept: "res/ranking.dat" relative to the data folder unless start-up chooses
// a per-player file. An empty path keeps the table in memory only (nowhere to save it).
void SetRankingPath(const std::string& path);
const std::string& RankingPath();

// Fills RankingTable from the file, once at start-up, so that the first game's board has a table
// to rank into. A slot whose item is missing or unreadable repeats the last value read (0 if
// none); a missing file gives eight zeros. Only a regular file of at most 64 KiB is read. Says
// nothing: a damaged file is told, and kept aside, when the first score is saved over it.
void LoadRanking();

// Puts s directly below every entry greater than or equal to it; the eighth entry drops out.
void InsertScore(int s);

// One finished game. The score goes into RankingTable at once, so the board shows it from its
// first frame, and the save is handed to a worker thread so that no tick waits on the disk. The
// worker takes an advisory lock on "<path>.lock", waiting as long as another copy of the game
// holds it, then reads the file, inserts every score ranked since its last save, and saves, as
// one step: two copies ending games together each rank into the other's table. A file that did
// not read cleanly is kept as "<path>.damaged" (one copy, the latest) before the save replaces
// it. With an empty path the score is only inserted, in memory.
void RankScore(int score);

// Once a tick, before the scenes step: when a save has completed since the last call, copies the
// table it wrote (the file's table merged with this game's scores, plus any scores still waiting
// for their save) into RankingTable and returns true; otherwise changes nothing and returns
// false. Also prints any line the worker has to say.
bool ApplySavedRanking();

// At exit: waits for the saves still pending, up to timeoutMs. True when none is left; false,
// with one line on stderr saying the score may not have been saved, when the time runs out.
bool FinishRankingSaves(int timeoutMs);

// How long leaving the game waits for a save under way: long enough for a slow disk's sync.
inline constexpr int kExitSaveWaitMs = 5000;

// Reading and writing the table on any path, at once and without the lock (tests use their own
// folders). The save writes the whole table to a temporary file of its own beside the ranking
// ("<path>.new.XXXXXX"), syncs it and renames it over the old file, so a failed or interrupted
// save leaves the old file whole; it returns true when the file was replaced and reports a
// failure in one line.
void LoadRankingFrom(const char* path);
bool SaveRankingTo(const char* path);

// Called with the finished temporary file, written and synced, just before it is renamed over the
// ranking file (and, in RankScore's save, with the lock held); returning false abandons the save
// as a failure. Null in the game.
using RankingSaveHook = bool (*)(const char* tempPath);
extern RankingSaveHook rankingBeforeRename;

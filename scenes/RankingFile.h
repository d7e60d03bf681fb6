#pragma once
// The eight best scores, best first, kept in "res/ranking.dat" as eight "%d " items: the table the
// board shows, where it is kept, and the file's form. Saving it beside the game is RankingSave's.

#include <cstddef>
#include <string>
#include <vector>

inline constexpr int kRankingSlots = 8;

// The table the ranking board shows. Only the game's own thread reads or writes it: the saves
// run on a worker of their own and hand their table over at a tick boundary.
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
void InsertInto(int* table, int s);

// Reads path into RankingTable at once and says in one line what is wrong with it, if anything.
void LoadRankingFrom(const char* path);

// Reads the table from path. Anything worth a line goes into `problem` (no prefix, no line
// break). Damaged: a regular file that did not read cleanly, whose bytes are worth keeping.
enum class LoadResult { Clean, Missing, Damaged, Unreadable };
LoadResult ReadRanking(const char* path, int* table, std::string& problem);

// The writer's form: every slot (or the first `count` items) as "%d ", nothing else.
std::string RankingText(const int* table, std::size_t count = kRankingSlots);

// Up to `most` "%d " items from the start of text. The empty string when they all read (or the
// text ended first); otherwise what is wrong with the item that stopped it, in a few words.
std::string ReadNumbers(const std::string& text, std::size_t most, std::vector<int>& numbers);

// The writer's form is under 100 bytes; this leaves room for any hand edit, and bounds the read.
inline constexpr std::size_t kMaxRankingBytes = 64 * 1024;

#pragma once
// Saving the ranking beside the game, so that no tick waits on the disk and no score is lost.
//
// A finished game's score goes into RankingTable at once and waits in a queue; a worker thread
// saves it in one locked step: it takes an advisory lock on "<path>.lock" (waiting as long as
// another copy of the game holds it), reads the file, merges every score waiting and any journal
// an earlier run left, writes the whole table to a temporary file of its own, syncs it and
// renames it over the old file. Two copies ending games together thus each rank into the other's
// table, and at every moment one complete ranking stands under the real name. A score leaves the
// queue only once a save holding it has been renamed into place: a save that fails (the lock
// cannot be taken, the folder is read-only, the disk is full) is told in one line, and the score
// stays on the board and in the queue for the next game's end, or for leaving. Leaving waits a
// few seconds for the saves; what is still waiting then goes to a journal beside the ranking, each
// score with its run (see RankingJournal.h), which the next save of any copy merges under the lock.
#include <string>

#include "scenes/RankingFile.h"

// One finished game: the score joins RankingTable (the board shows it from its first frame) and
// the queue, and a worker saves it. With an empty path the score is only inserted, in memory.
void RankScore(int score);

// Every game's run kept beside its score (see Replays.h): while held, a game's score waits, on
// the board already, until the tick that ended it hands over its run; then both are saved in
// the same locked step, the run (also as "last.demo") before the index before the ranking.
// Letting go hands the scores still held over without a run.
void HoldScoresForRuns(bool hold);
void GiveRunToHeldScores(const std::string& run);

// At start-up: merges, on the worker, the scores earlier runs left waiting in journals, and says
// so in one line. Does nothing when there are none, or nowhere to save.
void MergeWaitingScores();

// Once a tick, before the scenes step: when a save has read or written the file since the last
// call, copies that table into RankingTable with every score not yet in the file inserted, and
// returns true; otherwise changes nothing and returns false. Also prints any line the worker has
// to say.
bool ApplySavedRanking();

// Waits up to timeoutMs for the worker to finish (everything saved, or a save failed) and prints
// what it said. True when no score is waiting.
bool WaitForRankingSaves(int timeoutMs);

// At exit: tries a failed save once more, waits up to timeoutMs, then writes the scores still
// waiting to a journal and says where in one line (a save under way that has not renamed its file
// yet is abandoned, so that no score is kept twice). True when nothing was left waiting.
bool FinishRankingSaves(int timeoutMs);

// How long leaving the game waits for the saves: long enough for a slow disk's sync.
inline constexpr int kExitSaveWaitMs = 5000;

// Writes RankingTable to path at once, without the lock (tests use their own folders), through a
// temporary file of its own renamed into place; true when the file was replaced, and one line
// on stderr when not.
bool SaveRankingTo(const char* path);

// Called with the ranking's temporary file, written and synced, just before it is renamed over
// the ranking (and, in a queued save, with the lock held); returning false fails the save. Null
// in the game.
using RankingSaveHook = bool (*)(const char* tempPath);
extern RankingSaveHook rankingBeforeRename;

#include "scenes/RankingSave.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/DataFile.h"
#include "platform/Say.h"
#include "scenes/RankingJournal.h"
#include "scenes/RankingLock.h"
#include "scenes/Replays.h"

namespace {

std::string ScoresText(const std::vector<int>& scores) {
    std::string text = scores.size() == 1 ? "the score " : "the scores ";
    for (std::size_t i = 0; i < scores.size(); ++i) text += (i > 0 ? ", " : "") + std::to_string(scores[i]);
    return text;
}

std::string NotSaved(const std::string& path, const std::string& failure, const std::vector<int>& scores,
                     std::size_t journals) {
    std::string line = std::string(kSayPrefix) + "could not save the ranking to " + path + " (" + failure + "); the previous file is kept";
    if (!scores.empty())
        line += ", and " + ScoresText(scores) + (scores.size() == 1 ? " is" : " are") +
                " not saved yet: the next game's end or leaving tries again";
    else if (journals > 0)
        line += ", and the scores waiting beside it stay there for the next save";
    return line + "\n";
}

// The scores RankScore hands over, and what their saves hand back. Made once, in static storage,
// and never destroyed: a save may still be under way while exit processing tears down other
// globals, so the worker touches nothing else of the game's.
struct SaveQueue {
    std::mutex mutex;
    std::condition_variable changed;
    std::string path;          // where the scores go; the worker never reads RankingPath itself
    std::vector<int> pending;  // ranked and not yet in the file, oldest first
    std::vector<std::string> runs;  // each pending score's run (a demo), or empty
    bool holdForRuns = false;       // scores wait for their run (GiveRunToHeldScores)
    std::vector<int> held;          // ranked, waiting for their run before they are saved
    bool working = false;      // a worker is saving, or about to
    bool committing = false;   // the worker is renaming a table that holds the scores it took
    // Counts the times leaving took the waiting scores for a journal: a save that took them
    // before then must not rename them into the ranking too.
    unsigned claims = 0;
    bool fresh = false;  // `saved` is a table the board has not shown yet
    int saved[kRankingSlots] = {};
    std::string said;         // lines for stderr, printed by the game's thread
    std::string lastFailure;  // a failed save's lines, not said again by its retry
};

SaveQueue& Queue() {
    alignas(SaveQueue) static unsigned char storage[sizeof(SaveQueue)];
    static SaveQueue* const queue = new (storage) SaveQueue();
    return *queue;
}

// What earlier runs left waiting beside the ranking.
struct Waiting {
    std::vector<std::string> journals;
    std::vector<int> scores;
    std::vector<std::string> runs;  // each score's run, or empty
    std::string problems;  // "; <journal>: <what is wrong>" for each that did not read cleanly
};

Waiting ReadWaiting(const std::string& path) {
    Waiting waiting;
    waiting.journals = WaitingJournals(path);
    for (const std::string& journal : waiting.journals) {
        const std::string problem = ReadJournal(journal, waiting.scores, waiting.runs);
        if (!problem.empty()) waiting.problems += "; " + journal + ": " + problem + ", the rest left out";
    }
    return waiting;
}

std::string MergedLine(const std::string& path, const Waiting& waiting) {
    const std::size_t n = waiting.scores.size();
    std::string line = kSayPrefix + std::string("merged ") + std::to_string(n) + " waiting score" + (n == 1 ? "" : "s") +
                       " into the ranking " + path + " from ";
    for (std::size_t i = 0; i < waiting.journals.size(); ++i) line += (i > 0 ? ", " : "") + waiting.journals[i];
    return line + waiting.problems + "\n";
}

enum class Outcome { Idle, Saved, Failed };

// One locked step: with the lock held, takes the scores waiting, clears what ended copies left,
// reads the file, merges the scores and every journal, and renames the new table into place.
Outcome SaveRound(const std::string& path, std::string& said, std::string& lastRun) {
    SaveQueue& queue = Queue();
    std::vector<std::string> journals = WaitingJournals(path);
    {
        const std::lock_guard<std::mutex> hold(queue.mutex);
        if (queue.pending.empty() && journals.empty()) return Outcome::Idle;  // start-up, nothing left waiting
    }
    // The lock file lives beside the ranking, so its folder must exist first.
    MakeParentFolders(path);
    const RankingLock lock(path);
    std::vector<int> scores;  // ranked from here on, they wait for the next round
    std::vector<std::string> runs;
    unsigned claims = 0;
    {
        const std::lock_guard<std::mutex> hold(queue.mutex);
        scores = queue.pending;
        runs = queue.runs;
        claims = queue.claims;
    }
    if (!lock.Failure().empty()) {
        said += NotSaved(path, lock.Failure(), scores, journals.size());
        return Outcome::Failed;
    }
    ClearLeftovers(path);
    MendInterruptedMerge(path);
    const Waiting waiting = ReadWaiting(path);
    if (scores.empty() && waiting.journals.empty()) return Outcome::Idle;  // another copy merged them
    journals = waiting.journals;
    int table[kRankingSlots], written[kRankingSlots];
    std::string problem;
    if (ReadRanking(path.c_str(), table, problem) == LoadResult::Damaged) problem += "; " + KeepDamaged(path);
    if (!problem.empty()) said += kSayPrefix + problem + "\n";
    std::copy(table, table + kRankingSlots, written);
    // Each score keeps its own run: the table's as its index names them, the journals' and the new
    // ones theirs.
    RunNames places = LoadRuns(path, table);
    std::vector<std::pair<std::string, std::string>> texts;
    std::string last;
    const auto insert = [&](int score, const std::string& run) {
        const std::string name = run.empty() ? "" : RunName(run);
        if (!name.empty()) texts.emplace_back(name, run), last = run;
        InsertWithRun(written, places, score, name);
    };
    for (std::size_t i = 0; i < waiting.scores.size(); ++i) insert(waiting.scores[i], waiting.runs[i]);
    for (std::size_t i = 0; i < scores.size(); ++i) insert(scores[i], runs[i]);
    // This round's own last game, or else the last a journal kept.
    if (!runs.empty()) last = runs.back();

    // More files may join the step here, each staged before the ranking and renamed after it
    // under the same lock.
    std::string failure;
    StagedFile note, ranking;
    const std::string noteText = journals.empty() ? "" : MergeNoteText(written, journals);
    bool ready = (journals.empty() || (StageFile(MergeNotePath(path), TemporaryStem(path), noteText, note, failure) &&
                                       CommitFile(note, failure))) &&
                 StageRanking(path, written, ranking, failure);
    // The runs are a bonus: a replays folder that cannot be written costs the scores nothing,
    // while an old index left standing only gives the places whose score moved no run.
    StagedReplays replays;
    std::string replaysFailure;
    const bool withRuns = ready && StageReplays(path, written, places, texts, replays, replaysFailure);
    {
        const std::lock_guard<std::mutex> hold(queue.mutex);
        if (ready && queue.claims != claims) {
            // Leaving took the scores for its journal meanwhile.
            ::unlink(ranking.temp.c_str());
            DropReplays(replays);
            ready = false;
        }
        queue.committing = ready;
    }
    // Runs, then the index, then the ranking: a kill between any two leaves no score pointing at
    // another game's run.
    const bool runsIn = ready && withRuns && CommitReplays(replays, replaysFailure);
    const bool renamed = ready && CommitFile(ranking, failure);
    {
        const std::lock_guard<std::mutex> hold(queue.mutex);
        if (queue.claims == claims) {
            if (renamed) queue.pending.erase(queue.pending.begin(), queue.pending.begin() + scores.size());
            if (renamed) queue.runs.erase(queue.runs.begin(), queue.runs.begin() + scores.size());
            const int* shown = renamed ? written : table;
            std::copy(shown, shown + kRankingSlots, queue.saved);
            queue.fresh = true;
        }
        queue.committing = false;
        queue.changed.notify_all();
    }
    if (!replaysFailure.empty())
        said += kSayPrefix + std::string("could not keep the runs in ") + ReplaysFolder(path) + " (" + replaysFailure +
                "); the scores are saved without them\n";
    if (renamed && runsIn) RemoveOrphanRuns(path, places);
    if (renamed) lastRun = last;
    if (renamed) {
        for (const std::string& journal : journals) ::unlink(journal.c_str());
        if (!journals.empty()) said += MergedLine(path, waiting);
    } else if (!failure.empty()) {
        said += NotSaved(path, failure, scores, journals.size());
    }
    if (!journals.empty()) ::unlink(MergeNotePath(path).c_str());
    return renamed ? Outcome::Saved : failure.empty() ? Outcome::Idle : Outcome::Failed;
}

// The worker: one locked step per round, taking every score waiting, until none is left or a
// save fails; a failed save waits for the next game's end, or for leaving.
void SaveWaitingScores() {
    SaveQueue& queue = Queue();
    for (bool more = true; more;) {
        std::string path, said;
        {
            const std::lock_guard<std::mutex> hold(queue.mutex);
            path = queue.path;
        }
        std::string lastRun, lastFailure;
        const Outcome outcome = SaveRound(path, said, lastRun);
        // With the lock let go: the next copy's save need not wait for this one.
        if (!lastRun.empty() && !KeepLastRun(path, lastRun, lastFailure))
            said += kSayPrefix + std::string("could not keep the last game's run in ") + ReplaysFolder(path) + " (" +
                    lastFailure + ")\n";
        {
            const std::lock_guard<std::mutex> hold(queue.mutex);
            // A retry that fails the same way says nothing new.
            if (outcome == Outcome::Failed && said == queue.lastFailure) said.clear();
            queue.lastFailure = outcome == Outcome::Failed ? said : std::string();
            queue.said += said;
        }
        // The next copy reads the new file already; this makes it survive a power cut as well.
        if (outcome == Outcome::Saved) SyncFolderOf(path);
        const std::lock_guard<std::mutex> hold(queue.mutex);
        more = outcome != Outcome::Failed && !queue.pending.empty();
        queue.working = more;
        queue.changed.notify_all();
    }
}

void StartWorker() {
    SaveQueue& queue = Queue();
    {
        const std::lock_guard<std::mutex> hold(queue.mutex);
        queue.path = RankingPath();
        if (queue.working) return;  // the running worker takes it in its next round
        queue.working = true;
    }
    try {
        std::thread(SaveWaitingScores).detach();
    } catch (const std::system_error&) {
        SaveWaitingScores();  // no thread to be had: better one slow tick than a lost score
    }
}

// Leaving before the scores could be saved: they go to a journal of this copy's beside the
// ranking, written whole and synced before its rename, for the next save of any copy to merge.
std::string KeepWaiting(const std::string& path, const std::vector<int>& scores, const std::vector<std::string>& runs) {
    StagedFile journal;
    std::string failure;
    bool kept = StageFile(path, TemporaryStem(path), JournalText(scores, runs), journal, failure);
    if (kept) {
        // Named after its temporary file, so no two journals ever share a name.
        journal.path = path + ".waiting." + journal.temp.substr(path.size() + 5);
        kept = CommitFile(journal, failure);
    }
    if (kept) SyncFolderOf(path);
    const std::string what = ScoresText(scores);
    if (kept)
        return kSayPrefix + std::string("leaving before the ranking ") + path + " was saved: " + what + " waits in " +
               journal.path + " for the next start\n";
    return kSayPrefix + std::string("leaving before the ranking ") + path + " was saved, and " + what +
           " could not be kept beside it either (" + failure + "); it is lost\n";
}

// Prints what the worker had to say, on the game's thread.
void Say(const std::string& lines) {
    if (!lines.empty()) std::fputs(lines.c_str(), stderr);
}

}  // namespace

bool SaveRankingTo(const char* path) {
    std::string failure;
    StagedFile staged;
    const bool replaced = StageRanking(path, RankingTable, staged, failure) && CommitFile(staged, failure);
    if (replaced) SyncFolderOf(path);
    Say(replaced ? "" : NotSaved(path, failure, {}, 0));
    return replaced;
}

void RankScore(int score) {
    InsertScore(score);  // on the board from its first frame
    if (RankingPath().empty()) return;  // nowhere to keep it: the table carries on in memory
    {
        SaveQueue& queue = Queue();
        const std::lock_guard<std::mutex> hold(queue.mutex);
        if (queue.holdForRuns) {
            queue.held.push_back(score);
            return;
        }
        queue.pending.push_back(score);
        queue.runs.emplace_back();
    }
    StartWorker();
}

void HoldScoresForRuns(bool hold) {
    SaveQueue& queue = Queue();
    {
        const std::lock_guard<std::mutex> hold_(queue.mutex);
        queue.holdForRuns = hold;
    }
    if (!hold) GiveRunToHeldScores("");
}

void GiveRunToHeldScores(const std::string& run) {
    SaveQueue& queue = Queue();
    {
        const std::lock_guard<std::mutex> hold(queue.mutex);
        if (queue.held.empty()) return;
        for (int score : queue.held) queue.pending.push_back(score), queue.runs.push_back(run);
        queue.held.clear();
    }
    StartWorker();
}

void MergeWaitingScores() {
    if (!RankingPath().empty()) StartWorker();
}

bool ApplySavedRanking() {
    SaveQueue& queue = Queue();
    std::string said;
    bool applied = false;
    {
        const std::lock_guard<std::mutex> hold(queue.mutex);
        said.swap(queue.said);
        if (queue.fresh) {
            queue.fresh = false;
            std::copy(queue.saved, queue.saved + kRankingSlots, RankingTable);
            // Scores not in the file yet, on their way or waiting for a retry: the board keeps them.
            for (int score : queue.pending) InsertScore(score);
            for (int score : queue.held) InsertScore(score);
            applied = true;
        }
    }
    Say(said);
    return applied;
}

bool WaitForRankingSaves(int timeoutMs) {
    SaveQueue& queue = Queue();
    std::unique_lock<std::mutex> hold(queue.mutex);
    queue.changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), [&] { return !queue.working; });
    const bool done = !queue.working && queue.pending.empty();
    std::string said;
    said.swap(queue.said);
    hold.unlock();
    Say(said);
    return done;
}

bool FinishRankingSaves(int timeoutMs) {
    SaveQueue& queue = Queue();
    HoldScoresForRuns(false);  // a game ended on the last tick goes without its run
    bool retry = false;
    {
        const std::lock_guard<std::mutex> hold(queue.mutex);
        retry = !queue.pending.empty() && !queue.working;
    }
    if (retry) StartWorker();
    WaitForRankingSaves(timeoutMs);
    std::unique_lock<std::mutex> hold(queue.mutex);
    // A rename under way ends first: its scores are then in the file, not left for the journal.
    queue.changed.wait(hold, [&] { return !queue.committing; });
    ++queue.claims;
    std::vector<int> left;
    std::vector<std::string> runs;
    left.swap(queue.pending);
    runs.swap(queue.runs);
    std::string said;
    said.swap(queue.said);
    const std::string path = queue.path;
    hold.unlock();
    if (!left.empty()) said += KeepWaiting(path, left, runs);
    Say(said);
    return left.empty();
}

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
#include "scenes/RankingJournal.h"

RankingSaveHook rankingBeforeRename = nullptr;

namespace {

// Every file the game writes beside the ranking gets the game's own mode, never one found there
// or behind a link that stood in the ranking's place.
constexpr mode_t kFileMode = 0644;

// Makes every missing folder above the file, private to the player as per-user data should be.
bool MakeParentFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

// A failed step in a few words, "create failed: Permission denied"; safe on the save's worker
// thread, unlike strerror.
std::string Failed(const char* step, int error) {
    char buffer[128];
    return std::string(step) + " failed: " + ::strerror_r(error, buffer, sizeof buffer);
}

// Keeps a damaged ranking as "<path>.damaged", in place of any older copy, before a save
// replaces it: the scores past the damage can then be mended by hand. A hard link costs nothing
// whatever the file's size and leaves the ranking in place should the save fail; where links
// are not allowed the file is moved aside. Says in a few words what became of it.
std::string KeepDamaged(const std::string& path) {
    const std::string copy = path + ".damaged";
    ::unlink(copy.c_str());
    if (::link(path.c_str(), copy.c_str()) == 0 || std::rename(path.c_str(), copy.c_str()) == 0)
        return "the file as it was is kept as " + copy;
    return "the file as it was could not be kept (" + Failed("link", errno) + ")";
}

// The advisory lock that makes a save's read, merge and rename one step against other copies of
// the game using the same ranking. It is taken on "<path>.lock", never on the ranking itself: a
// save renames a new file over the ranking, and a lock held on the old file would not stop a
// second game that opens the new one. flock, not fcntl: its lock belongs to this open file alone
// and goes with it, even when the game is killed mid-save. The lock file stays (an empty file):
// removing it would let two games lock two different files of one name. A lock that cannot be
// taken fails the save: saving without it could lose another copy's score.
class RankingLock {
public:
    explicit RankingLock(const std::string& path) {
        const std::string lockPath = path + ".lock";
        // Non-blocking open: a FIFO planted under that name must not hang the save.
        fd_ = ::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, kFileMode);
        // Another game holds it for its save, which a slow disk can stretch to seconds. Nothing
        // waits on this thread, so it simply waits its turn, however long that takes.
        while (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd_);
            fd_ = -1;
            errno = error;
        }
        if (fd_ < 0) failure_ = Failed("lock", errno);
    }
    ~RankingLock() {
        if (fd_ >= 0) ::close(fd_);  // releases the lock
    }
    RankingLock(const RankingLock&) = delete;
    RankingLock& operator=(const RankingLock&) = delete;
    // Empty when the lock is held.
    const std::string& Failure() const { return failure_; }

private:
    int fd_ = -1;
    std::string failure_;
};

// A file written whole beside its final name and synced, waiting for its rename.
struct Staged {
    std::string path, temp;
};

// Writes bytes for `target` to a new file of this copy's beside the ranking at path,
// "<path>.new.<writer>.XXXXXX", created afresh, so that no other save, of this copy or another,
// ever writes through it and nothing else standing beside the ranking is ever written to. False
// with `failure` set, leaving nothing.
bool Stage(const std::string& path, const std::string& target, const std::string& bytes, Staged& staged,
           std::string& failure) {
    if (!MakeParentFolders(path)) {
        failure = Failed("mkdir", errno);
        return false;
    }
    staged.path = target;
    staged.temp = path + ".new." + OwnWriterTag() + ".XXXXXX";
    const int fd = ::mkostemp(&staged.temp[0], O_CLOEXEC);
    if (fd < 0) {
        failure = Failed("create", errno);
        return false;
    }
    ::fchmod(fd, kFileMode);
    const char* failedStep = nullptr;
    int error = 0;
    if (!WriteWhole(fd, bytes.data(), bytes.size())) {
        failedStep = "write";
        error = errno;
    } else if (::fsync(fd) != 0) {
        failedStep = "sync";
        error = errno;
    }
    if (::close(fd) != 0 && failedStep == nullptr) {
        failedStep = "close";
        error = errno;
    }
    if (failedStep == nullptr) return true;
    ::unlink(staged.temp.c_str());
    failure = Failed(failedStep, error);
    return false;
}

// The ranking's new table, staged; the test seam has its say last.
bool StageRanking(const std::string& path, const int* table, Staged& staged, std::string& failure) {
    if (!Stage(path, path, RankingText(table), staged, failure)) return false;
    if (rankingBeforeRename == nullptr || rankingBeforeRename(staged.temp.c_str())) return true;
    ::unlink(staged.temp.c_str());
    failure = Failed("write", EIO);
    return false;
}

bool Commit(const Staged& staged, std::string& failure) {
    if (std::rename(staged.temp.c_str(), staged.path.c_str()) == 0) return true;
    failure = Failed("rename", errno);
    ::unlink(staged.temp.c_str());
    return false;
}

// Whether `name` is a temporary file that an earlier version of the game left beside the ranking
// named `base`: the one fixed "<base>.new", or "<base>.new.XXXXXX" as mkostemp makes it. Those
// versions wrote them only under the lock, so none is being written while it is held here.
bool IsEarlierTemporary(const std::string& name, const std::string& base) {
    const std::string prefix = base + ".new";
    if (name == prefix) return true;
    return name.size() == prefix.size() + 7 && name.compare(0, prefix.size() + 1, prefix + ".") == 0 &&
           EndsInUniqueSuffix(name);
}

// Clears what saves of copies since ended left beside the ranking: only with the lock held, only
// names of exactly a save's own forms, and of those only files whose writer is gone. A living
// copy's temporary file may be mid-sync, its rename still to come.
void ClearLeftovers(const std::string& path) {
    const std::string base = BaseName(path), prefix = TemporaryPrefix(path);
    DIR* folder = ::opendir(FolderOf(path).c_str());
    if (folder == nullptr) return;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string writer = WriterOf(entry->d_name, prefix);
        if (writer.empty() ? IsEarlierTemporary(entry->d_name, base) : WriterGone(writer))
            ::unlinkat(::dirfd(folder), entry->d_name, 0);
    }
    ::closedir(folder);
}

// A save killed between its rename and its journals' removal left its note: when the ranking
// holds the table it noted, those journals are in it already. Otherwise the rename never
// happened and they wait for this save like any other.
void MendInterruptedMerge(const std::string& path) {
    int noted[kRankingSlots], table[kRankingSlots];
    std::vector<std::string> journals;
    std::string problem;
    if (ReadMergeNote(path, noted, journals) && ReadRanking(path.c_str(), table, problem) == LoadResult::Clean &&
        std::equal(table, table + kRankingSlots, noted)) {
        for (const std::string& journal : journals) ::unlink(journal.c_str());
    }
    ::unlink(MergeNotePath(path).c_str());
}

std::string ScoresText(const std::vector<int>& scores) {
    std::string text = scores.size() == 1 ? "the score " : "the scores ";
    for (std::size_t i = 0; i < scores.size(); ++i) text += (i > 0 ? ", " : "") + std::to_string(scores[i]);
    return text;
}

std::string NotSaved(const std::string& path, const std::string& failure, const std::vector<int>& scores,
                     std::size_t journals) {
    std::string line = "torvinel: could not save the ranking to " + path + " (" + failure + "); the previous file is kept";
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
    std::string problems;  // "; <journal>: <what is wrong>" for each that did not read cleanly
};

Waiting ReadWaiting(const std::string& path) {
    Waiting waiting;
    waiting.journals = WaitingJournals(path);
    for (const std::string& journal : waiting.journals) {
        const std::string problem = ReadJournal(journal, waiting.scores);
        if (!problem.empty()) waiting.problems += "; " + journal + ": " + problem + ", the rest left out";
    }
    return waiting;
}

std::string MergedLine(const std::string& path, const Waiting& waiting) {
    const std::size_t n = waiting.scores.size();
    std::string line = "torvinel: merged " + std::to_string(n) + " waiting score" + (n == 1 ? "" : "s") +
                       " into the ranking " + path + " from ";
    for (std::size_t i = 0; i < waiting.journals.size(); ++i) line += (i > 0 ? ", " : "") + waiting.journals[i];
    return line + waiting.problems + "\n";
}

enum class Outcome { Idle, Saved, Failed };

// One locked step: with the lock held, takes the scores waiting, clears what ended copies left,
// reads the file, merges the scores and every journal, and renames the new table into place.
Outcome SaveRound(const std::string& path, std::string& said) {
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
    unsigned claims = 0;
    {
        const std::lock_guard<std::mutex> hold(queue.mutex);
        scores = queue.pending;
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
    if (!problem.empty()) said += "torvinel: " + problem + "\n";
    std::copy(table, table + kRankingSlots, written);
    for (int score : waiting.scores) InsertInto(written, score);
    for (int score : scores) InsertInto(written, score);

    // More files may join the step here, each staged before the ranking and renamed after it
    // under the same lock.
    std::string failure;
    Staged note, ranking;
    bool ready = (journals.empty() ||
                  (Stage(path, MergeNotePath(path), MergeNoteText(written, journals), note, failure) &&
                   Commit(note, failure))) &&
                 StageRanking(path, written, ranking, failure);
    {
        const std::lock_guard<std::mutex> hold(queue.mutex);
        if (ready && queue.claims != claims) {
            // Leaving took the scores for its journal meanwhile.
            ::unlink(ranking.temp.c_str());
            ready = false;
        }
        queue.committing = ready;
    }
    const bool renamed = ready && Commit(ranking, failure);
    {
        const std::lock_guard<std::mutex> hold(queue.mutex);
        if (queue.claims == claims) {
            if (renamed) queue.pending.erase(queue.pending.begin(), queue.pending.begin() + scores.size());
            const int* shown = renamed ? written : table;
            std::copy(shown, shown + kRankingSlots, queue.saved);
            queue.fresh = true;
        }
        queue.committing = false;
        queue.changed.notify_all();
    }
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
        const Outcome outcome = SaveRound(path, said);
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
std::string KeepWaiting(const std::string& path, const std::vector<int>& scores) {
    Staged journal;
    std::string failure;
    bool kept = Stage(path, path, RankingText(scores.data(), scores.size()), journal, failure);
    if (kept) {
        // Named after its temporary file, so no two journals ever share a name.
        journal.path = path + ".waiting." + journal.temp.substr(path.size() + 5);
        kept = Commit(journal, failure);
    }
    if (kept) SyncFolderOf(path);
    const std::string what = ScoresText(scores);
    if (kept)
        return "torvinel: leaving before the ranking " + path + " was saved: " + what + " waits in " +
               journal.path + " for the next start\n";
    return "torvinel: leaving before the ranking " + path + " was saved, and " + what +
           " could not be kept beside it either (" + failure + "); it is lost\n";
}

// Prints what the worker had to say, on the game's thread.
void Say(const std::string& lines) {
    if (!lines.empty()) std::fputs(lines.c_str(), stderr);
}

}  // namespace

bool ReplaceFileWhole(const std::string& path, const std::string& bytes, std::string& failure) {
    Staged staged;
    if (!Stage(path, path, bytes, staged, failure) || !Commit(staged, failure)) return false;
    SyncFolderOf(path);
    return true;
}

bool SaveRankingTo(const char* path) {
    std::string failure;
    Staged staged;
    const bool replaced = StageRanking(path, RankingTable, staged, failure) && Commit(staged, failure);
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
        queue.pending.push_back(score);
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
    left.swap(queue.pending);
    std::string said;
    said.swap(queue.said);
    const std::string path = queue.path;
    hold.unlock();
    if (!left.empty()) said += KeepWaiting(path, left);
    Say(said);
    return left.empty();
}

#include "scenes/RankingFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
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

int RankingTable[kRankingSlots];
RankingSaveHook rankingBeforeRename = nullptr;

namespace {

std::string& RankingPathStorage() {
    static std::string path = "res/ranking.dat";
    return path;
}

// Makes every missing folder above the file, private to the player as per-user data should be.
bool MakeParentFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

// The writer's form is under 100 bytes; this leaves room for any hand edit, and bounds the read.
constexpr std::size_t kMaxRankingBytes = 64 * 1024;

enum class ItemResult { Read, End, NotANumber, OutOfRange };

struct Reader {
    const std::string& text;
    std::size_t at = 0;
    int Peek() const { return at < text.size() ? static_cast<unsigned char>(text[at]) : EOF; }
    void SkipSpace() {
        while (Peek() != EOF && std::isspace(Peek())) ++at;
    }
};

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

// The system's words for an error code; safe on the save's worker thread, unlike strerror.
std::string ErrorText(int error) {
    char buffer[128];
    return ::strerror_r(error, buffer, sizeof buffer);
}

void InsertInto(int* table, int s) {
    int i = 0;
    while (i < kRankingSlots && table[i] >= s) ++i;
    if (i == kRankingSlots) return;
    for (int slot = kRankingSlots - 1; slot > i; --slot) table[slot] = table[slot - 1];
    table[i] = s;
}

enum class LoadResult { Clean, Missing, Damaged, Unreadable };

// Fills table from path. Anything worth a line goes into `problem` (no prefix, no line break).
// Damaged: a regular file that did not read cleanly, whose bytes are worth keeping.
LoadResult ReadRanking(const char* path, int* table, std::string& problem) {
    int holding = 0;
    std::string text, why;
    if (!ReadDataFile(path, kMaxRankingBytes, text, why)) {
        const int error = errno;
        std::fill(table, table + kRankingSlots, holding);
        // No file yet is the normal first run; anything else is worth a line.
        if (error == ENOENT) return LoadResult::Missing;
        problem = "could not read the ranking " + std::string(path) + " (" + why + "); starting from zeros";
        // Only a regular file (too large, unreadable, a disk error) has bytes worth keeping.
        struct stat info {};
        const bool regular = ::stat(path, &info) == 0 && S_ISREG(info.st_mode);
        return regular ? LoadResult::Damaged : LoadResult::Unreadable;
    }
    Reader in{text};
    bool reading = true;
    for (int slot = 0; slot < kRankingSlots; ++slot) {
        if (reading) {
            const ItemResult result = ReadItem(in, holding);
            if (result != ItemResult::Read) {
                // Like scanf: once an item fails, nothing more is read.
                reading = false;
                if (result != ItemResult::End) {
                    problem = std::string(path) + ": item " + std::to_string(slot + 1) + " is " +
                              (result == ItemResult::OutOfRange ? "a number out of range for a score"
                                                                : "not a number") +
                              "; the places from there on keep " + std::to_string(holding);
                }
            }
        }
        table[slot] = holding;
    }
    return problem.empty() ? LoadResult::Clean : LoadResult::Damaged;
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
    return "the file as it was could not be kept (" + ErrorText(errno) + ")";
}

// The advisory lock that makes a finished game's load, insert and save one step against other
// copies of the game using the same ranking. It is taken on "<path>.lock", never on the ranking
// itself: a save renames a new file over the ranking, and a lock held on the old file would not
// stop a second game that opens the new one. flock, not fcntl: its lock belongs to this open
// file alone and goes with it, even when the game is killed mid-save. The lock file stays (an
// empty file): removing it would let two games lock two different files of one name.
class RankingLock {
public:
    RankingLock(const std::string& path, std::string& said) {
        const std::string lockPath = path + ".lock";
        // Non-blocking open: a FIFO planted under that name must not hang the save.
        fd_ = ::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
        // Nowhere to make it means the save fails too, and that failure is told.
        if (fd_ < 0) return;
        // Another game holds it for its save, which a slow disk can stretch to seconds. Nothing
        // waits on this thread, so it simply waits its turn, however long that takes.
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            // A folder that cannot lock at all: the save still goes through its own temporary
            // file, so at worst another copy's score of this very moment is not merged.
            said += "torvinel: could not lock the ranking " + path + " (" + ErrorText(errno) +
                    "); saving without the lock\n";
            break;
        }
    }
    ~RankingLock() {
        if (fd_ >= 0) ::close(fd_);  // releases the lock
    }
    RankingLock(const RankingLock&) = delete;
    RankingLock& operator=(const RankingLock&) = delete;

private:
    int fd_ = -1;
};

// Whether `name` is a save's temporary file for the ranking named `base`: "<base>.new.XXXXXX"
// as mkostemp makes it, or the one fixed "<base>.new" of earlier versions of the game.
bool IsSaveTemporary(const std::string& name, const std::string& base) {
    const std::string prefix = base + ".new";
    if (name.compare(0, prefix.size(), prefix) != 0) return false;
    const std::string rest = name.substr(prefix.size());
    if (rest.empty()) return true;
    return rest.size() == 7 && rest[0] == '.' && std::all_of(rest.begin() + 1, rest.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
           });
}

// Clears what saves killed before their rename left beside the ranking. Only with the lock held,
// when no save of any copy is under way, and only names of exactly a save's own forms.
void ClearLeftovers(const std::string& path) {
    const std::string base = path.substr(path.rfind('/') + 1);
    DIR* folder = ::opendir(FolderOf(path).c_str());
    if (folder == nullptr) return;
    while (const dirent* entry = ::readdir(folder)) {
        if (IsSaveTemporary(entry->d_name, base)) ::unlinkat(::dirfd(folder), entry->d_name, 0);
    }
    ::closedir(folder);
}

std::string SaveFailure(const std::string& path, const char* what, int error) {
    return "torvinel: could not save the ranking to " + path + " (" + what + " failed: " +
           ErrorText(error) + "); the previous file is kept\n";
}

// Writes the whole table beside the old file, then swaps it in with one rename, so that at every
// moment one complete ranking file exists under the real name. True when the file was replaced;
// a failure adds its line to `said`.
bool ReplaceRanking(const std::string& path, const int* table, std::string& said) {
    std::string text;
    for (int slot = 0; slot < kRankingSlots; ++slot) {
        char item[16];
        std::snprintf(item, sizeof item, "%d ", table[slot]);
        text += item;
    }
    if (!MakeParentFolders(path)) {
        said += SaveFailure(path, "mkdir", errno);
        return false;
    }
    // A name of its own for every save, created afresh: no other save, of this copy or another,
    // ever writes through it, and whatever else stands beside the ranking is never written to.
    std::string tempPath = path + ".new.XXXXXX";
    const int fd = ::mkostemp(&tempPath[0], O_CLOEXEC);
    if (fd < 0) {
        said += SaveFailure(path, "create", errno);
        return false;
    }
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    ::fchmod(fd, mode);

    const char* failedStep = nullptr;
    int error = 0;
    if (!WriteWhole(fd, text.data(), text.size())) {
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
    if (failedStep == nullptr && rankingBeforeRename != nullptr &&
        !rankingBeforeRename(tempPath.c_str())) {
        failedStep = "write";
        error = EIO;
    }
    if (failedStep == nullptr && std::rename(tempPath.c_str(), path.c_str()) != 0) {
        failedStep = "rename";
        error = errno;
    }
    if (failedStep != nullptr) {
        ::unlink(tempPath.c_str());
        said += SaveFailure(path, failedStep, error);
        return false;
    }
    return true;
}

// The scores RankScore hands over, and what their saves hand back. Made once, in static storage,
// and never destroyed: a save may still be under way while exit processing tears down other
// globals, so the worker touches nothing else of the game's.
struct SaveQueue {
    std::mutex mutex;
    std::condition_variable changed;
    std::string path;          // where the scores go; the worker never reads RankingPath itself
    std::vector<int> pending;  // ranked and not yet saved, oldest first
    bool working = false;      // a worker has scores to save
    bool fresh = false;        // `saved` is a table the board has not shown yet
    int saved[kRankingSlots] = {};
    std::string said;  // lines for stderr, printed by the game's thread
};

SaveQueue& Queue() {
    alignas(SaveQueue) static unsigned char storage[sizeof(SaveQueue)];
    static SaveQueue* const queue = new (storage) SaveQueue();
    return *queue;
}

// The worker: one locked step per round, taking every score waiting, until none is left.
void SaveWaitingScores() {
    SaveQueue& queue = Queue();
    for (bool more = true; more;) {
        std::string path, said;
        std::vector<int> scores;
        int table[kRankingSlots];
        bool replaced = false;
        {
            std::unique_lock<std::mutex> hold(queue.mutex);
            path = queue.path;
            hold.unlock();
            // The lock file lives beside the ranking, so its folder must exist first.
            MakeParentFolders(path);
            const RankingLock lock(path, said);
            hold.lock();
            scores = queue.pending;  // scores ranked from here on wait for the next round
            hold.unlock();
            ClearLeftovers(path);
            std::string problem;
            if (ReadRanking(path.c_str(), table, problem) == LoadResult::Damaged) problem += "; " + KeepDamaged(path);
            if (!problem.empty()) said += "torvinel: " + problem + "\n";
            for (int score : scores) InsertInto(table, score);
            replaced = ReplaceRanking(path, table, said);
        }
        {
            const std::lock_guard<std::mutex> hold(queue.mutex);
            std::copy(table, table + kRankingSlots, queue.saved);
            queue.fresh = true;
            queue.pending.erase(queue.pending.begin(), queue.pending.begin() + scores.size());
            queue.said += said;
            more = !queue.pending.empty();
            queue.working = more;
            queue.changed.notify_all();
        }
        // The next copy reads the new file already; this makes it survive a power cut as well.
        if (replaced) SyncFolderOf(path);
    }
}

// Prints what the worker had to say, on the game's thread.
void Say(const std::string& lines) {
    if (!lines.empty()) std::fputs(lines.c_str(), stderr);
}

}  // namespace

void LoadRankingFrom(const char* path) {
    std::string problem;
    ReadRanking(path, RankingTable, problem);
    if (!problem.empty()) std::fprintf(stderr, "torvinel: %s\n", problem.c_str());
}

void SetRankingPath(const std::string& path) { RankingPathStorage() = path; }

const std::string& RankingPath() { return RankingPathStorage(); }

void LoadRanking() {
    std::string problem;  // told, with the file kept aside, when a score is saved over it
    // With nowhere to keep it, the table simply carries on in memory from game to game.
    if (!RankingPath().empty()) ReadRanking(RankingPath().c_str(), RankingTable, problem);
}

void InsertScore(int s) { InsertInto(RankingTable, s); }

bool SaveRankingTo(const char* path) {
    std::string said;
    const bool replaced = ReplaceRanking(path, RankingTable, said);
    if (replaced) SyncFolderOf(path);
    Say(said);
    return replaced;
}

void RankScore(int score) {
    InsertScore(score);  // on the board from its first frame
    if (RankingPath().empty()) return;  // nowhere to keep it: the table carries on in memory
    SaveQueue& queue = Queue();
    {
        const std::lock_guard<std::mutex> hold(queue.mutex);
        queue.path = RankingPath();
        queue.pending.push_back(score);
        if (queue.working) return;  // the running worker takes it in its next round
        queue.working = true;
    }
    try {
        std::thread(SaveWaitingScores).detach();
    } catch (const std::system_error&) {
        SaveWaitingScores();  // no thread to be had: better one slow tick than a lost score
    }
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
            // Scores ranked since that save began are not in its table yet; the board keeps them.
            for (int score : queue.pending) InsertScore(score);
            applied = true;
        }
    }
    Say(said);
    return applied;
}

bool FinishRankingSaves(int timeoutMs) {
    SaveQueue& queue = Queue();
    std::unique_lock<std::mutex> hold(queue.mutex);
    const bool done = queue.changed.wait_for(hold, std::chrono::milliseconds(timeoutMs),
                                             [&] { return queue.pending.empty(); });
    std::string said;
    said.swap(queue.said);
    if (!done) {
        said += "torvinel: leaving while the ranking " + queue.path +
                " is still being saved; the last score may not have been saved\n";
    }
    hold.unlock();
    Say(said);
    return done;
}

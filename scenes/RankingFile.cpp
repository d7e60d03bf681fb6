#include "scenes/RankingFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

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

enum class LoadResult { Clean, Missing, Damaged, Unreadable };

// Fills RankingTable from path. Anything worth a line goes into `problem` (no prefix, no line
// break). Damaged: a regular file that did not read cleanly, whose bytes are worth keeping.
LoadResult ReadRanking(const char* path, std::string& problem) {
    int holding = 0;
    std::string text, why;
    if (!ReadDataFile(path, kMaxRankingBytes, text, why)) {
        const int error = errno;
        for (int& slot : RankingTable) slot = holding;
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
        RankingTable[slot] = holding;
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
    return std::string("the file as it was could not be kept (") + std::strerror(errno) + ")";
}

// The advisory lock that makes a finished game's load, insert and save one step against other
// copies of the game using the same ranking. It is taken on "<path>.lock", never on the ranking
// itself: a save renames a new file over the ranking, and a lock held on the old file would not
// stop a second game that opens the new one. flock, not fcntl: its lock belongs to this open
// file alone and goes with it, even when the game is killed mid-save. The lock file stays (an
// empty file): removing it would let two games lock two different files of one name.
class RankingLock {
public:
    explicit RankingLock(const std::string& path) {
        const std::string lockPath = path + ".lock";
        // Non-blocking open: a FIFO planted under that name must not hang the game.
        fd_ = ::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
        // Nowhere to make it means the save fails too, and that failure is told.
        if (fd_ < 0) return;
        // Another game holds it for the few milliseconds of its save; a stuck one is not waited
        // for beyond two seconds, and the score is saved all the same.
        for (int wait = 0; ::flock(fd_, LOCK_EX | LOCK_NB) != 0; ++wait) {
            const bool busy = errno == EWOULDBLOCK || errno == EINTR;
            if (!busy || wait == 200) {
                std::fprintf(stderr, "torvinel: could not lock the ranking %s (%s); saving without the lock\n",
                             path.c_str(), busy ? "another game holds it" : std::strerror(errno));
                break;
            }
            ::usleep(10000);
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

// After the rename, the folder's new entry is made durable too, so a saved score survives a
// power cut. A folder that cannot be synced (some file systems refuse) loses nothing now.
void SyncFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

void ReportSaveFailure(const char* path, const char* what, int error) {
    std::fprintf(stderr,
                 "torvinel: could not save the ranking to %s (%s failed: %s); the previous file is "
                 "kept\n",
                 path, what, std::strerror(error));
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

}  // namespace

void LoadRankingFrom(const char* path) {
    std::string problem;
    ReadRanking(path, problem);
    if (!problem.empty()) std::fprintf(stderr, "torvinel: %s\n", problem.c_str());
}

void SetRankingPath(const std::string& path) { RankingPathStorage() = path; }

const std::string& RankingPath() { return RankingPathStorage(); }

void LoadRanking() {
    // With nowhere to keep it, the table simply carries on in memory from game to game.
    if (!RankingPath().empty()) LoadRankingFrom(RankingPath().c_str());
}

void InsertScore(int s) {
    int i = 0;
    while (i < kRankingSlots && RankingTable[i] >= s) ++i;
    if (i == kRankingSlots) return;
    for (int slot = kRankingSlots - 1; slot > i; --slot) RankingTable[slot] = RankingTable[slot - 1];
    RankingTable[i] = s;
}

bool SaveRankingTo(const char* path) {
    std::string text;
    for (int value : RankingTable) {
        char item[16];
        std::snprintf(item, sizeof item, "%d ", value);
        text += item;
    }

    // Write the whole table beside the old file, then swap it in with one rename, so that at
    // every moment one complete ranking file exists under the real name.
    if (!MakeParentFolders(path)) {
        ReportSaveFailure(path, "mkdir", errno);
        return false;
    }
    // One fixed temporary name, safe under the ranking lock: a save cut short leaves at most
    // this one file, which the next save clears. Cleared first and created afresh, so that
    // whatever stands under that name (a link to somewhere else) is never written through.
    const std::string tempPath = std::string(path) + ".new";
    ::unlink(tempPath.c_str());
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        ReportSaveFailure(path, "create", errno);
        return false;
    }
    struct stat old {};
    const mode_t mode = ::stat(path, &old) == 0 ? (old.st_mode & 07777) : 0644;
    ::fchmod(fd, mode);

    const char* failedStep = nullptr;
    int error = 0;
    if (!WriteAll(fd, text.data(), text.size())) {
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
    if (failedStep == nullptr && std::rename(tempPath.c_str(), path) != 0) {
        failedStep = "rename";
        error = errno;
    }
    if (failedStep != nullptr) {
        ::unlink(tempPath.c_str());
        ReportSaveFailure(path, failedStep, error);
        return false;
    }
    SyncFolderOf(path);
    return true;
}

void SaveRanking() {
    if (!RankingPath().empty()) SaveRankingTo(RankingPath().c_str());
}

void RankScore(int score) {
    const std::string path = RankingPath();
    if (path.empty()) {
        InsertScore(score);  // nowhere to keep it: the table carries on in memory
        return;
    }
    // The lock file lives beside the ranking, so its folder must exist first.
    MakeParentFolders(path);
    const RankingLock lock(path);
    std::string problem;
    if (ReadRanking(path.c_str(), problem) == LoadResult::Damaged) problem += "; " + KeepDamaged(path);
    if (!problem.empty()) std::fprintf(stderr, "torvinel: %s\n", problem.c_str());
    InsertScore(score);
    SaveRankingTo(path.c_str());
}

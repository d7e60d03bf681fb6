#include "scenes/RankingLock.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/DataFile.h"
#include "scenes/RankingJournal.h"
#include "scenes/RankingSave.h"

RankingSaveHook rankingBeforeRename = nullptr;

// Keeps a damaged ranking as "<path>.damaged", in place of any older copy, before a save
// replaces it: the scores past the damage can then be mended by hand. A hard link costs nothing
// whatever the file's size and leaves the ranking in place should the save fail; where links
// are not allowed the file is moved aside. Says in a few words what became of it.
std::string KeepDamaged(const std::string& path) {
    const std::string copy = path + ".damaged";
    ::unlink(copy.c_str());
    if (::link(path.c_str(), copy.c_str()) == 0 || std::rename(path.c_str(), copy.c_str()) == 0)
        return "the file as it was is kept as " + copy;
    return "the file as it was could not be kept (" + StepFailed("link", errno) + ")";
}

RankingLock::RankingLock(const std::string& path) {
    const std::string lockPath = path + ".lock";
    // Non-blocking open: a FIFO planted under that name must not hang the save.
    fd_ = ::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
    // Another game holds it for its save, which a slow disk can stretch to seconds. Nothing
    // waits on this thread, so it simply waits its turn, however long that takes.
    while (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        const int error = errno;
        ::close(fd_);
        fd_ = -1;
        errno = error;
    }
    if (fd_ < 0) failure_ = StepFailed("lock", errno);
}

// The ranking's new table, staged; the test seam has its say last.
bool StageRanking(const std::string& path, const int* table, StagedFile& staged, std::string& failure) {
    if (!StageFile(path, TemporaryStem(path), RankingText(table), staged, failure)) return false;
    if (rankingBeforeRename == nullptr || rankingBeforeRename(staged.temp.c_str())) return true;
    ::unlink(staged.temp.c_str());
    failure = StepFailed("write", EIO);
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

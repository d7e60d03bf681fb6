#pragma once
// The ranking's file under the lock: the advisory lock every save takes, a new file written whole
// beside the ranking and renamed over it, what earlier saves left beside it, and the damaged file
// kept aside. RankingSave's worker uses these; only it and the tests call them.
#include <unistd.h>

#include <string>

#include "platform/DataFile.h"

// The advisory lock that makes a save's read, merge and rename one step against other copies of
// the game using the same ranking. It is taken on "<path>.lock", never on the ranking itself: a
// save renames a new file over the ranking, and a lock held on the old file would not stop a
// second game that opens the new one. flock, not fcntl: its lock belongs to this open file alone
// and goes with it, even when the game is killed mid-save. The lock file stays (an empty file):
// removing it would let two games lock two different files of one name. A lock that cannot be
// taken fails the save: saving without it could lose another copy's score.
class RankingLock {
public:
    explicit RankingLock(const std::string& path);
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

// Keeps a damaged ranking as "<path>.damaged" (see RankingLock.cpp); says what became of it.
std::string KeepDamaged(const std::string& path);

// The ranking's new table, staged; the test seam (rankingBeforeRename) has its say last.
bool StageRanking(const std::string& path, const int* table, StagedFile& staged, std::string& failure);

// With the lock held: clears what saves of copies since ended left beside the ranking, and mends
// after a save killed between its rename and its journals' removal.
void ClearLeftovers(const std::string& path);
void MendInterruptedMerge(const std::string& path);

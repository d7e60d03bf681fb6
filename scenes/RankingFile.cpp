#include "scenes/RankingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

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

enum class ItemResult { Read, End, NotANumber, OutOfRange };

void SkipSpace(std::FILE* file) {
    int c;
    while ((c = std::getc(file)) != EOF && std::isspace(c)) {
    }
    if (c != EOF) std::ungetc(c, file);
}

// One "%d " item: white space, an optional sign, digits, white space. Unlike scanf, a number
// that does not fit an int is refused instead of read with an undefined value.
ItemResult ReadItem(std::FILE* file, int& value) {
    SkipSpace(file);
    int c = std::getc(file);
    if (c == EOF) return ItemResult::End;
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        c = std::getc(file);
    }
    if (c == EOF || !std::isdigit(c)) return ItemResult::NotANumber;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long magnitude = 0;
    bool tooLarge = false;
    while (c != EOF && std::isdigit(c)) {
        if (!tooLarge) {
            magnitude = magnitude * 10 + (c - '0');
            if (magnitude > limit) tooLarge = true;
        }
        c = std::getc(file);
    }
    if (c != EOF) std::ungetc(c, file);
    if (tooLarge) return ItemResult::OutOfRange;
    SkipSpace(file);
    value = static_cast<int>(negative ? -magnitude : magnitude);
    return ItemResult::Read;
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
    int holding = 0;
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) {
        // No file yet is the normal first run; anything else is worth a line.
        if (errno != ENOENT) {
            std::fprintf(stderr, "torvinel: could not read the ranking %s (%s); starting from zeros\n",
                         path, std::strerror(errno));
        }
        for (int& slot : RankingTable) slot = holding;
        return;
    }
    bool reading = true;
    for (int slot = 0; slot < kRankingSlots; ++slot) {
        if (reading) {
            const ItemResult result = ReadItem(file, holding);
            if (result != ItemResult::Read) {
                // Like scanf: once an item fails, nothing more is read.
                reading = false;
                if (result != ItemResult::End) {
                    std::fprintf(stderr,
                                 "torvinel: %s: item %d is %s; the places from there on keep %d\n",
                                 path, slot + 1,
                                 result == ItemResult::OutOfRange ? "a number too large for a score"
                                                                  : "not a number",
                                 holding);
                }
            }
        }
        RankingTable[slot] = holding;
    }
    // A read that fails (a directory in the file's place, a disk error) looks like the end of
    // the file above; it is worth a line, since the places it cut short were not really empty.
    if (std::ferror(file)) {
        std::fprintf(stderr, "torvinel: could not read all of the ranking %s (%s)\n", path,
                     std::strerror(errno));
    }
    std::fclose(file);
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
    std::string tempPath = std::string(path) + ".XXXXXX";
    const int fd = ::mkstemp(&tempPath[0]);
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
    return true;
}

void SaveRanking() {
    if (!RankingPath().empty()) SaveRankingTo(RankingPath().c_str());
}

void RankScore(int score) {
    LoadRanking();
    InsertScore(score);
    SaveRanking();
}

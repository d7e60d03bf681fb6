#include "platform/DataFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISSOCK(mode)) return "a socket";
    return "something else";
}

// False with `why` and `error` set when `info` is not a regular file of at most maxBytes.
bool Acceptable(const struct stat& info, std::size_t maxBytes, std::string& why, int& error) {
    if (!S_ISREG(info.st_mode)) {
        why = std::string("not a regular file but ") + KindOf(info.st_mode);
        error = EINVAL;
        return false;
    }
    if (static_cast<unsigned long long>(info.st_size) > maxBytes) {
        why = "too large: " + std::to_string(info.st_size) + " bytes";
        error = EFBIG;
        return false;
    }
    return true;
}

// Reads to the end, refusing a file that grew past maxBytes since it was measured.
bool ReadToEnd(int fd, std::size_t maxBytes, std::string& bytes, std::string& why, int& error) {
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got == 0) return true;
        if (got < 0) {
            if (errno == EINTR) continue;
            error = errno;
            why = std::strerror(error);
            return false;
        }
        bytes.append(chunk, static_cast<std::size_t>(got));
        if (bytes.size() > maxBytes) {
            why = "too large: over " + std::to_string(maxBytes) + " bytes";
            error = EFBIG;
            return false;
        }
    }
}

}  // namespace

bool ReadDataFile(const char* path, std::size_t maxBytes, std::string& bytes, std::string& why) {
    bytes.clear();
    if (path == nullptr || path[0] == '\0') {
        why = "no file name";
        errno = ENOENT;
        return false;
    }
    struct stat info {};
    int error = 0;
    // Non-blocking, so that opening a FIFO with no writer returns at once instead of waiting.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        // A socket cannot even be opened; say what it is rather than "no such device".
        if (::stat(path, &info) != 0 || Acceptable(info, maxBytes, why, error)) why = std::strerror(error);
        errno = error;
        return false;
    }
    bool ok = false;
    if (::fstat(fd, &info) != 0) {
        error = errno;
        why = std::strerror(error);
    } else if (Acceptable(info, maxBytes, why, error)) {
        ::fcntl(fd, F_SETFL, 0);  // a regular file: ordinary blocking reads
        bytes.reserve(static_cast<std::size_t>(info.st_size));
        ok = ReadToEnd(fd, maxBytes, bytes, why, error);
    }
    ::close(fd);
    if (!ok) bytes.clear();
    errno = error;
    return ok;
}

bool WriteWhole(int fd, const char* data, std::size_t size) {
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

bool MakeParentFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

std::string StepFailed(const char* step, int error) {
    char buffer[128];
    return std::string(step) + " failed: " + ::strerror_r(error, buffer, sizeof buffer);
}

bool StageFile(const std::string& path, const std::string& stem, const std::string& bytes, StagedFile& staged,
               std::string& failure) {
    if (!MakeParentFolders(path)) {
        failure = StepFailed("mkdir", errno);
        return false;
    }
    staged.path = path;
    staged.temp = stem + ".XXXXXX";
    const int fd = ::mkostemp(&staged.temp[0], O_CLOEXEC);
    if (fd < 0) {
        failure = StepFailed("create", errno);
        return false;
    }
    // The game's own mode, never one found under the name or behind a link that stood there.
    ::fchmod(fd, 0644);
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
    failure = StepFailed(failedStep, error);
    return false;
}

bool CommitFile(const StagedFile& staged, std::string& failure) {
    if (::rename(staged.temp.c_str(), staged.path.c_str()) == 0) return true;
    failure = StepFailed("rename", errno);
    ::unlink(staged.temp.c_str());
    return false;
}

bool ReplaceFile(const std::string& path, const std::string& bytes, const std::string& stem, std::string& failure) {
    StagedFile staged;
    if (!StageFile(path, stem, bytes, staged, failure) || !CommitFile(staged, failure)) return false;
    SyncFolderOf(path);
    return true;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

void SyncFolderOf(const std::string& path) {
    const int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

std::uint32_t ReadField(const std::string& bytes, std::size_t at, int count, ByteOrder order) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        const std::size_t next = order == ByteOrder::Big ? at + i : at + (count - 1 - i);
        value = value << 8 | static_cast<unsigned char>(bytes[next]);
    }
    return value;
}

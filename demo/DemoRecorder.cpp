#include "demo/Demo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "platform/DataFile.h"
#include "platform/Say.h"

namespace {

// Only a demo may be replaced: anything else under the name is the player's and is kept. True
// when nothing is there or a demo is; safe in a signal handler (no allocation, no stdio).
bool DemoOrNothingAt(const char* path, int& error) {
    struct stat info {};
    error = 0;
    if (::lstat(path, &info) != 0) {
        error = errno;
        return errno == ENOENT;
    }
    if (!S_ISREG(info.st_mode)) return false;
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    char head[16] = {};
    const ssize_t got = ::read(fd, head, sizeof head);
    ::close(fd);
    const std::size_t magic = std::strlen(kDemoMagic);
    return got > static_cast<ssize_t>(magic) && std::memcmp(head, kDemoMagic, magic) == 0 && head[magic] == ' ';
}

bool MayRecordInto(const std::string& path, std::string& why) {
    int error = 0;
    if (DemoOrNothingAt(path.c_str(), error)) return true;
    why = error != 0 && error != ENOENT ? std::strerror(error) : "it is there and is not a demo; it is left as it is";
    return false;
}

// Where a crash or a kill finds the recording: the name it is written under and the name it
// belongs under. A signal handler may only rename, so these are kept ready as plain strings.
char crashTemp[4096];
char crashTarget[4096];

void RenameAndDie(int signal) {
    int error = 0;
    if (DemoOrNothingAt(crashTarget, error)) ::rename(crashTemp, crashTarget);
    std::raise(signal);  // the handler was reset to the default: the game ends as it would have
}

// Every way a run can die that still lets the game do something first.
const int kFatalSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

void KeepRecordingOnCrash(const std::string& temp, const std::string& target) {
    if (temp.size() >= sizeof crashTemp || target.size() >= sizeof crashTarget) return;
    std::snprintf(crashTemp, sizeof crashTemp, "%s", temp.c_str());
    std::snprintf(crashTarget, sizeof crashTarget, "%s", target.c_str());
    struct sigaction action {};
    action.sa_handler = RenameAndDie;
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int signal : kFatalSignals) sigaction(signal, &action, nullptr);
}

void ForgetRecordingOnCrash() {
    for (int signal : kFatalSignals) std::signal(signal, SIG_DFL);
}

// Writes out what is pending. A write that fails ends the recording: what it left half-way is
// cut off again, so the file still ends on a whole line and plays up to the last tick written,
// and nothing is written after it (a later write that found room again would leave a gap).
bool WriteOut(DemoRun& run) {
    if (run.fd < 0 || !run.failure.empty()) return false;
    if (WriteWhole(run.fd, run.pending.data(), run.pending.size())) {
        run.written += static_cast<long long>(run.pending.size());
        run.pending.clear();
        run.savedTick = run.tick;
        return true;
    }
    const int error = errno;
    if (::ftruncate(run.fd, static_cast<off_t>(run.written)) != 0) {
        // The torn last line, if any, is dropped when the demo is read.
    }
    run.pending.clear();
    run.failure = std::string(std::strerror(error)) + "; the demo ends at tick " + std::to_string(std::max(run.savedTick, 0L));
    Say("could not write the demo %s: %s\n", run.path.c_str(), run.failure.c_str());
    return false;
}

std::string Header(unsigned seed, const RankingRow& table, const std::string& about) {
    return std::string(kDemoMagic) + " " + std::to_string(kDemoFormat) + "\n# " + about + "\nseed " +
           std::to_string(seed) + "\ntable " + JoinNumbers(table.data(), table.size(), ' ') + "\n";
}

}  // namespace

bool StartRecording(DemoRun& run, const std::string& path, unsigned seed, const int* table,
                    const std::string& about, std::string& why) {
    if (!MayRecordInto(path, why)) return false;
    std::string name = path + ".XXXXXX";
    run.fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (run.fd < 0) {
        why = std::string("cannot write beside it: ") + std::strerror(errno);
        return false;
    }
    run.mode = DemoMode::Record;
    run.path = path;
    run.temp = name;
    run.table = RowOf(table);
    run.pending = Header(seed, run.table, about);
    ::fchmod(run.fd, 0644);
    if (!WriteWhole(run.fd, run.pending.data(), run.pending.size())) {
        why = std::string("cannot write beside it: ") + std::strerror(errno);
        ::close(run.fd);
        ::unlink(run.temp.c_str());
        run = DemoRun{};
        return false;
    }
    run.written = static_cast<long long>(run.pending.size());
    run.pending.clear();
    KeepRecordingOnCrash(run.temp, run.path);
    return true;
}

void RecordComment(DemoRun& run, const std::string& text) { run.pending += "# " + text + "\n"; }

namespace {

std::string EndLine(const DemoRun& run, const int* table) {
    const long last = run.inTick ? run.tick : run.tick - 1;
    const std::string scores = JoinNumbers(run.scores.data(), run.scores.size(), ',');
    return std::to_string(std::max(last, 0L)) + " end scores=" + scores + " table=" +
           JoinNumbers(table, run.table.size(), ',') + "\n";
}

}  // namespace

void StartSessionRecording(DemoRun& run, unsigned seed, const int* table, const std::string& about) {
    run = DemoRun{};
    run.mode = DemoMode::Record;  // with no file: everything stays pending, in memory
    run.table = RowOf(table);
    run.pending = Header(seed, run.table, about);
}

std::string SessionDemo(const DemoRun& run, const int* table) { return run.pending + EndLine(run, table); }

long LastGameStart(const Demo& demo) {
    long start = 0;
    bool inGame = false;
    for (const DemoLine& line : demo.lines) {
        if (line.kind != DemoLineKind::Check) continue;
        const bool game = demo.checks[line.at].compare(0, 5, "game ") == 0;
        if (game && !inGame) start = line.tick;
        inGame = game;
    }
    return start;
}

bool FinishRecording(DemoRun& run, const int* table, std::string& why) {
    if (run.mode != DemoMode::Record || run.fd < 0) return run.failure.empty();
    if (run.failure.empty()) {
        run.pending += EndLine(run, table);
        WriteOut(run);
    }
    const char* step = nullptr;
    int error = 0;
    if (::fsync(run.fd) != 0) step = "sync", error = errno;
    if (::close(run.fd) != 0 && step == nullptr) step = "close", error = errno;
    run.fd = -1;
    ForgetRecordingOnCrash();
    std::string taken;
    if (step == nullptr && !MayRecordInto(run.path, taken)) {
        // Looked at again: a file put under the name during the run is the player's.
        why = "it was taken during the run (" + taken + "); the recording is left in " + run.temp;
        return false;
    }
    if (step == nullptr && ::rename(run.temp.c_str(), run.path.c_str()) != 0) step = "rename", error = errno;
    if (step != nullptr) {
        why = std::string(step) + " failed: " + std::strerror(error) + "; the recording is left in " + run.temp;
        return false;
    }
    SyncFolderOf(run.path);
    return run.failure.empty();  // a write that failed has said so already
}

void AbandonRecording(DemoRun& run) {
    if (run.mode != DemoMode::Record || run.fd < 0) return;
    ::close(run.fd);
    run.fd = -1;
    ForgetRecordingOnCrash();
    ::unlink(run.temp.c_str());
}

void RecordTickKeys(DemoRun& run, const KeySet& live) {
    const std::string changes = KeyChanges(run.keys, live);
    if (!changes.empty() && run.failure.empty()) run.pending += std::to_string(run.tick) + " " + changes + "\n";
    run.keys = live;
}

void RecordAfterStep(DemoRun& run, const SceneCheck& check, bool due, const int* table) {
    if (!run.failure.empty()) return;
    if (due) run.pending += std::to_string(run.tick) + " check " + CheckLine(check, kDemoFormat, run.run) + "\n";
    if (!SameTable(run.table, table)) {
        run.table = RowOf(table);
        run.pending += std::to_string(run.tick) + " table " + JoinNumbers(table, run.table.size(), ' ') + "\n";
    }
    // Written out about once a second, so a run that dies loses at most that much.
    if (run.tick % kDemoCheckEvery == 0) WriteOut(run);
}

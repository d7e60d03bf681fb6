#include "app/Demo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "mesh/Field.h"
#include "platform/DataFile.h"
#include "render/MeshDraw.h"

namespace {

// FNV-1a over the bytes of every value that steers the stream.
struct Hash {
    std::uint32_t value = 2166136261u;
    template <class T>
    void Add(const T& item) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(&item);
        for (std::size_t i = 0; i < sizeof item; ++i) value = (value ^ bytes[i]) * 16777619u;
    }
};

std::uint32_t StreamHash(const SceneCheck& check) {
    Hash hash;
    if (check.surface != nullptr) hash.Add(check.surface->scroll);
    hash.Add(spawnTravel);
    if (check.field == nullptr) return hash.value;
    for (const Model* model : check.field->models) {
        hash.Add(model->cuttable);
        hash.Add(model->position);
        hash.Add(model->velocity);
        hash.Add(model->faces.size());
        for (const auto& vertex : model->vertices) hash.Add(vertex);
        for (const auto& face : model->faces) hash.Add(face);
        for (bool surface : model->faceIsSurface) hash.Add(surface);
    }
    return hash.value;
}

std::string Float(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

// Where a crash or a kill finds the recording: the name it is written under and the name it
// belongs under. A signal handler may only rename, so these are kept ready as plain strings.
char crashTemp[4096];
char crashTarget[4096];

void RenameAndDie(int signal) {
    ::rename(crashTemp, crashTarget);
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

bool WriteOut(DemoRun& run) {
    if (!WriteWhole(run.fd, run.pending.data(), run.pending.size())) return false;
    run.pending.clear();
    return true;
}

// Only a demo may be replaced: anything else under the name is the player's and is kept.
bool MayRecordInto(const std::string& path, std::string& why) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) return true;
        why = std::strerror(errno);
        return false;
    }
    std::string head;
    const int fd = S_ISREG(info.st_mode) ? ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
    if (fd >= 0) {
        char bytes[16] = {};
        const ssize_t got = ::read(fd, bytes, sizeof bytes);
        ::close(fd);
        if (got > 0) head.assign(bytes, static_cast<std::size_t>(got));
    }
    if (head.compare(0, std::strlen(kDemoMagic) + 1, std::string(kDemoMagic) + " ") == 0) return true;
    why = "it is there and is not a demo; it is left as it is";
    return false;
}

std::vector<int> TableOf(const int* table) { return std::vector<int>(table, table + 8); }

bool SameTable(const std::vector<int>& known, const int* table) {
    return known.size() == 8 && std::equal(known.begin(), known.end(), table);
}

void OutOfStep(DemoRun& run, const char* scene, const std::string& what) {
    if (run.outOfStep) return;
    run.outOfStep = true;
    run.report = "went out of step at tick " + std::to_string(run.tick) + " in the " + scene + " scene: " + what;
    std::fprintf(stderr, "torvinel: demo %s %s\n", run.path.c_str(), run.report.c_str());
}

}  // namespace

std::string CheckLine(const SceneCheck& check) {
    char hash[16];
    std::snprintf(hash, sizeof hash, "%08x", static_cast<unsigned>(StreamHash(check)));
    const std::size_t gems = check.field != nullptr ? check.field->models.size() : 0;
    std::string line = std::string(check.scene) + " angle=" + std::to_string(check.angle) +
                       " speed=" + Float(check.orbitSpeed) + " gems=" + std::to_string(gems) + " field=" + hash;
    if (check.game)
        line += " score=" + std::to_string(check.score) + " time=" + std::to_string(check.timeLeft) +
                " blade=" + std::to_string(check.bladeYaw) + "/" + Float(check.bladeLift) +
                " sparks=" + std::to_string(check.sparks);
    if (check.ranking)
        line += " score=" + std::to_string(check.score) + " banner=" + std::to_string(check.banner) +
                " slide=" + std::to_string(check.slideIn);
    return line;
}

std::string CheckDifference(const std::string& played, const std::string& recorded) {
    const std::vector<std::string> a = DemoWords(played), b = DemoWords(recorded);
    if (a.empty() || b.empty() || a[0] != b[0])
        return "the " + (a.empty() ? std::string("none") : a[0]) + " scene, where the recording is in the " +
               (b.empty() ? std::string("none") : b[0]) + " scene";
    for (std::size_t i = 1; i < std::max(a.size(), b.size()); ++i) {
        const std::string mine = i < a.size() ? a[i] : "", theirs = i < b.size() ? b[i] : "";
        if (mine == theirs) continue;
        const std::size_t eq = mine.find('=');
        const std::string name = mine.substr(0, eq);
        const std::string value = eq == std::string::npos ? mine : mine.substr(eq + 1);
        const std::size_t theirEq = theirs.find('=');
        const std::string recordedValue = theirEq == std::string::npos ? theirs : theirs.substr(theirEq + 1);
        return name + " is " + value + ", the recording says " + recordedValue;
    }
    return "nothing differs";
}

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
    run.table = TableOf(table);
    run.pending = std::string(kDemoMagic) + " " + std::to_string(kDemoFormat) + "\n# " + about + "\nseed " +
                  std::to_string(seed) + "\ntable " + JoinNumbers(run.table, ' ') + "\n";
    ::fchmod(run.fd, 0644);
    if (!WriteOut(run)) {
        why = std::string("cannot write beside it: ") + std::strerror(errno);
        ::close(run.fd);
        ::unlink(run.temp.c_str());
        run = DemoRun{};
        return false;
    }
    KeepRecordingOnCrash(run.temp, run.path);
    return true;
}

void RecordComment(DemoRun& run, const std::string& text) { run.pending += "# " + text + "\n"; }

bool FinishRecording(DemoRun& run, const int* table, std::string& why) {
    if (run.mode != DemoMode::Record || run.fd < 0) return true;
    const long last = run.inTick ? run.tick : run.tick - 1;
    run.pending += std::to_string(std::max(last, 0L)) + " end scores=" + JoinNumbers(run.scores, ',') +
                   " table=" + JoinNumbers(TableOf(table), ',') + "\n";
    const char* step = nullptr;
    int error = 0;
    const auto fail = [&](const char* what) {
        if (step == nullptr) step = what, error = errno;
    };
    if (!WriteOut(run)) fail("write");
    if (step == nullptr && ::fsync(run.fd) != 0) fail("sync");
    if (::close(run.fd) != 0) fail("close");
    run.fd = -1;
    if (step == nullptr && ::rename(run.temp.c_str(), run.path.c_str()) != 0) fail("rename");
    ForgetRecordingOnCrash();
    if (step == nullptr) SyncFolderOf(run.path);
    if (step != nullptr) {
        why = std::string(step) + " failed: " + std::strerror(error) + "; the recording is left in " + run.temp;
        return false;
    }
    return true;
}

bool LoadDemo(DemoRun& run, const std::string& path, std::string& why) {
    std::string text;
    if (!ReadDataFile(path.c_str(), kMaxDemoBytes, text, why)) return false;
    if (!ParseDemo(text, run.demo, why)) return false;
    run.path = path;
    run.table = run.demo.table;
    return true;
}

const KeySet& DemoTickKeys(DemoRun& run, const KeySet& live) {
    if (run.mode == DemoMode::Play || run.mode == DemoMode::TimeDemo) {
        const std::vector<DemoLine>& lines = run.demo.lines;
        for (; run.next < lines.size() && lines[run.next].tick <= run.tick; ++run.next) {
            const DemoLine& line = lines[run.next];
            if (line.kind == DemoLineKind::Keys) {
                ApplyKeyChanges(run.keys, line.keys);
            } else if (line.tick == run.tick) {
                break;  // checked once the scenes have stepped
            }
        }
        return run.keys;
    }
    if (run.mode == DemoMode::Record) {
        const std::string changes = KeyChanges(run.keys, live);
        if (!changes.empty()) run.pending += std::to_string(run.tick) + " " + changes + "\n";
        run.keys = live;
    }
    return live;
}

bool DemoAfterStep(DemoRun& run, const Scene* scene, int* table) {
    if (run.mode == DemoMode::None) return true;
    SceneCheck check;
    if (scene != nullptr) scene->Check(check);
    const bool switched = scene != run.lastScene;
    run.lastScene = scene;
    if (switched && check.ranking) run.scores.push_back(check.score);
    const bool due = switched || run.tick % kDemoCheckEvery == 0;

    if (run.mode == DemoMode::Record) {
        if (due) run.pending += std::to_string(run.tick) + " check " + CheckLine(check) + "\n";
        if (!SameTable(run.table, table)) {
            run.table = TableOf(table);
            run.pending += std::to_string(run.tick) + " table " + JoinNumbers(run.table, ' ') + "\n";
        }
        // Written out about once a second, so a run that dies loses at most that much.
        if (run.tick % kDemoCheckEvery == 0) WriteOut(run);
        return true;
    }
    const std::vector<DemoLine>& lines = run.demo.lines;
    bool checked = false;
    for (; run.next < lines.size() && lines[run.next].tick == run.tick; ++run.next) {
        const DemoLine& line = lines[run.next];
        if (line.kind == DemoLineKind::Check) {
            checked = true;
            const std::string played = CheckLine(check);
            if (played != line.check) OutOfStep(run, check.scene, CheckDifference(played, line.check));
        } else if (line.kind == DemoLineKind::Table) {
            std::copy(line.table.begin(), line.table.end(), table);
            run.table = line.table;
        } else if (line.kind == DemoLineKind::End) {
            break;
        }
    }
    if (due && !checked) OutOfStep(run, check.scene, "the recording has no switch of scene here");
    return !run.outOfStep;
}

bool DemoPlayedOut(const DemoRun& run) { return run.tick > run.demo.lastTick; }

bool FinishPlayback(DemoRun& run, const int* table) {
    if (run.outOfStep || !run.demo.ended) return !run.outOfStep;
    const DemoLine& end = run.demo.lines.back();
    if (run.scores != end.scores) {
        OutOfStep(run, run.lastScene != nullptr ? "last" : "none",
                  "the games scored " + JoinNumbers(run.scores, ',') + ", the recording says " + JoinNumbers(end.scores, ','));
    } else if (!SameTable(end.table, table)) {
        OutOfStep(run, "last", "the ranking ends as " + JoinNumbers(TableOf(table), ',') + ", the recording says " +
                                   JoinNumbers(end.table, ','));
    }
    return !run.outOfStep;
}

std::string TimeDemoSummary(const std::string& name, TimeDemoFigures figures, bool inStep,
                            const std::string& report) {
    std::vector<double>& ms = figures.frameMs;
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double share) {
        if (ms.empty()) return 0.0;
        const std::size_t rank = static_cast<std::size_t>(share * static_cast<double>(ms.size()) + 0.999999);
        return ms[std::min(ms.size(), std::max<std::size_t>(rank, 1)) - 1];
    };
    const double frames = ms.empty() ? 1.0 : static_cast<double>(ms.size());
    char line[512];
    std::snprintf(line, sizeof line,
                  "timedemo %s: %ld ticks in %.2f s, %.1f ticks/s; ms per frame: median %.2f, p99 %.2f, "
                  "longest %.2f; CPU ms per frame %.2f; ",
                  name.c_str(), figures.ticks, figures.seconds,
                  figures.seconds > 0.0 ? static_cast<double>(figures.ticks) / figures.seconds : 0.0, at(0.5),
                  at(0.99), ms.empty() ? 0.0 : ms.back(), figures.cpuMs / frames);
    return line + (inStep ? std::string("in step") : "OUT OF STEP: " + report);
}

#include "app/Demo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "mesh/Arithmetic.h"
#include "mesh/Field.h"
#include "platform/DataFile.h"
#include "render/MeshDraw.h"
#include "scenes/RankingFile.h"

namespace {

// FNV-1a over the bytes of every value that steers the stream, each value's bytes taken lowest
// first, so the figure is the same on every machine.
struct Hash {
    std::uint32_t value = kRunHashStart;
    void Byte(unsigned char byte) { value = (value ^ byte) * 16777619u; }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) Byte(static_cast<unsigned char>(v >> (8 * i)));
    }
    void U64(std::uint64_t v) {
        for (int i = 0; i < 8; ++i) Byte(static_cast<unsigned char>(v >> (8 * i)));
    }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void F32(float v) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        U32(bits);
    }
    void F64(double v) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        U64(bits);
    }
    void Point(const Vec3& p) { F32(p.x), F32(p.y), F32(p.z); }
};

// The stream: the tube's scroll, the spawning pace and every gem, as format 1 has always hashed it.
void AddStream(Hash& hash, const SceneCheck& check) {
    if (check.surface != nullptr) hash.F64(check.surface->scroll);
    hash.F32(spawnTravel);
    if (check.field == nullptr) return;
    for (const Model* model : check.field->models) {
        hash.Byte(model->cuttable ? 1 : 0);
        hash.Point(model->position);
        hash.Point(model->velocity);
        hash.U64(model->faces.size());
        for (const auto& vertex : model->vertices)
            for (float c : vertex) hash.F32(c);
        for (const auto& face : model->faces)
            for (int index : face) hash.I32(index);
        for (bool surface : model->faceIsSurface) hash.Byte(surface ? 1 : 0);
    }
}

std::string Float(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
    return text;
}

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
    std::fprintf(stderr, "torvinel: could not write the demo %s: %s\n", run.path.c_str(), run.failure.c_str());
    return false;
}

bool SameTable(const RankingRow& known, const int* table) { return std::equal(known.begin(), known.end(), table); }

RankingRow RowOf(const int* table) {
    RankingRow row{};
    std::copy(table, table + row.size(), row.begin());
    return row;
}

void OutOfStep(DemoRun& run, const char* scene, const std::string& what) {
    if (run.outOfStep) return;
    run.outOfStep = true;
    run.report = "went out of step at tick " + std::to_string(run.tick) + " in the " + scene + " scene: " + what;
    std::fprintf(stderr, "torvinel: demo %s %s\n", run.path.c_str(), run.report.c_str());
}

}  // namespace

std::string CheckLine(const SceneCheck& check, int format, std::uint32_t run) {
    Hash stream;
    AddStream(stream, check);
    const std::size_t gems = check.field != nullptr ? check.field->models.size() : 0;
    std::string line = std::string(check.scene) + " angle=" + std::to_string(check.angle) +
                       " speed=" + Float(check.orbitSpeed) + " gems=" + std::to_string(gems) + " field=" + Hex(stream.value);
    if (check.game)
        line += " score=" + std::to_string(check.score) + " time=" + std::to_string(check.timeLeft) +
                " blade=" + std::to_string(check.bladeYaw) + "/" + Float(check.bladeLift) +
                " sparks=" + std::to_string(check.sparks);
    if (check.ranking)
        line += " score=" + std::to_string(check.score) + " banner=" + std::to_string(check.banner) +
                " slide=" + std::to_string(check.slideIn);
    if (format >= 2) line += " run=" + Hex(run);
    return line;
}

std::uint32_t FoldTick(std::uint32_t run, const SceneCheck& check) {
    Hash hash{run};
    for (const char* c = check.scene; *c != '\0'; ++c) hash.Byte(static_cast<unsigned char>(*c));
    hash.I32(check.angle);
    hash.F32(check.orbitSpeed);
    hash.U64(check.field != nullptr ? check.field->models.size() : 0);
    AddStream(hash, check);
    hash.I32(check.score);
    hash.I32(check.timeLeft);
    hash.I32(check.bladeYaw);
    hash.F32(check.bladeLift);
    hash.I32(check.banner);
    hash.I32(check.slideIn);
    if (check.blade != nullptr) {
        for (const Vec3& p : check.blade->hitTriangle) hash.Point(p);
        for (const Vec3& p : check.blade->cutTriangle) hash.Point(p);
    }
    if (check.particles != nullptr) {
        hash.U64(check.particles->size());
        for (const Particle& spark : *check.particles) {
            for (double c : spark.position) hash.F64(c);
            for (double c : spark.velocity) hash.F64(c);
            hash.I32(spark.life);
        }
    }
    return hash.value;
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
        // Every value of a recorded check passed its shape's test when the demo was read, so it
        // is shown as it is. The running hash alone differing means a tick since the last check.
        const std::string since = name == "run" ? " (the play differed on a tick since the last check)" : "";
        return name + " is " + value + ", the recording says " + recordedValue + since;
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
    run.table = RowOf(table);
    run.pending = std::string(kDemoMagic) + " " + std::to_string(kDemoFormat) + "\n# " + about + "\nseed " +
                  std::to_string(seed) + "\ntable " + JoinNumbers(run.table.data(), run.table.size(), ' ') + "\n";
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

bool FinishRecording(DemoRun& run, const int* table, std::string& why) {
    if (run.mode != DemoMode::Record || run.fd < 0) return run.failure.empty();
    if (run.failure.empty()) {
        const long last = run.inTick ? run.tick : run.tick - 1;
        run.pending += std::to_string(std::max(last, 0L)) + " end scores=" +
                       JoinNumbers(run.scores.data(), run.scores.size(), ',') + " table=" +
                       JoinNumbers(table, run.table.size(), ',') + "\n";
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
        // A tick's keys come first among its lines; its check, table and end follow once the
        // scenes have stepped (DemoAfterStep), so any of them still here is of this tick.
        for (; run.next < lines.size() && lines[run.next].tick <= run.tick; ++run.next) {
            const DemoLine& line = lines[run.next];
            if (line.kind != DemoLineKind::Keys) break;
            ApplyKeyChanges(run.keys, run.demo, line);
        }
        return run.keys;
    }
    if (run.mode == DemoMode::Record) {
        const std::string changes = KeyChanges(run.keys, live);
        if (!changes.empty() && run.failure.empty()) run.pending += std::to_string(run.tick) + " " + changes + "\n";
        run.keys = live;
    }
    return live;
}

bool DemoAfterStep(DemoRun& run, const Scene* scene, int* table) {
    if (run.mode == DemoMode::None) return true;
    SceneCheck check;
    if (scene != nullptr) scene->Check(check);
    run.run = FoldTick(run.run, check);
    const bool switched = scene != run.lastScene;
    run.lastScene = scene;
    if (switched && check.ranking) run.scores.push_back(check.score);
    const bool due = switched || run.tick % kDemoCheckEvery == 0;

    if (run.mode == DemoMode::Record) {
        if (!run.failure.empty()) return true;
        if (due) run.pending += std::to_string(run.tick) + " check " + CheckLine(check, kDemoFormat, run.run) + "\n";
        if (!SameTable(run.table, table)) {
            run.table = RowOf(table);
            run.pending += std::to_string(run.tick) + " table " + JoinNumbers(table, run.table.size(), ' ') + "\n";
        }
        // Written out about once a second, so a run that dies loses at most that much.
        if (run.tick % kDemoCheckEvery == 0) WriteOut(run);
        return true;
    }
    const Demo& demo = run.demo;
    bool checked = false;
    for (; run.next < demo.lines.size() && demo.lines[run.next].tick <= run.tick; ++run.next) {
        const DemoLine& line = demo.lines[run.next];
        if (line.tick < run.tick || line.kind == DemoLineKind::Keys) {
            // Never so in a file that was read: a line left behind would be a check passed over.
            OutOfStep(run, check.scene, "the recording's line of tick " + std::to_string(line.tick) + " was passed over");
        } else if (line.kind == DemoLineKind::Check) {
            checked = true;
            const std::string played = CheckLine(check, demo.format, run.run);
            const std::string& recorded = demo.checks[line.at];
            if (played != recorded) OutOfStep(run, check.scene, CheckDifference(played, recorded));
        } else if (line.kind == DemoLineKind::Table) {
            const RankingRow& row = demo.tables[line.at];
            std::copy(row.begin(), row.end(), table);
            run.table = row;
        } else {
            break;  // the end, compared once the run is over
        }
    }
    if (due && !checked) OutOfStep(run, check.scene, "the recording has no switch of scene here");
    return !run.outOfStep;
}

bool DemoTick(DemoRun& run, const KeySet& live, void (*step)()) {
    UseStandardArithmetic();
    run.inTick = true;
    GatherInput(DemoTickKeys(run, live));
    step();
    const bool inStep = DemoAfterStep(run, currentScene, RankingTable);
    run.inTick = false;
    ++run.tick;
    return inStep;
}

bool DemoPlayedOut(const DemoRun& run) { return run.tick > run.demo.lastTick; }

bool FinishPlayback(DemoRun& run, const int* table) {
    if (run.outOfStep || !run.demo.ended) return !run.outOfStep;
    const Demo& demo = run.demo;
    if (run.scores != demo.scores) {
        OutOfStep(run, run.lastScene != nullptr ? "last" : "none",
                  "the games scored " + JoinNumbers(run.scores.data(), run.scores.size(), ',') + ", the recording says " +
                      JoinNumbers(demo.scores.data(), demo.scores.size(), ','));
    } else if (!SameTable(demo.endTable, table)) {
        OutOfStep(run, "last", "the ranking ends as " + JoinNumbers(table, demo.endTable.size(), ',') +
                                   ", the recording says " + JoinNumbers(demo.endTable.data(), demo.endTable.size(), ','));
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
    const std::string paused =
        figures.pausedTicks > 0 ? std::to_string(figures.pausedTicks) + " paused ticks passed over; " : "";
    return line + paused + (inStep ? std::string("in step") : "OUT OF STEP: " + report);
}

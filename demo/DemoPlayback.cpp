#include "demo/Demo.h"

#include <algorithm>
#include <cstdio>

#include "platform/DataFile.h"
#include "platform/Say.h"

namespace {

void OutOfStep(DemoRun& run, const char* scene, const std::string& what) {
    if (run.outOfStep) return;
    run.outOfStep = true;
    run.report = "went out of step at tick " + std::to_string(run.tick) + " in the " + scene + " scene: " + what;
    Say("demo %s %s\n", run.path.c_str(), run.report.c_str());
}

}  // namespace

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
    if (run.mode == DemoMode::Record) RecordTickKeys(run, live);
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
        RecordAfterStep(run, check, due, table);
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

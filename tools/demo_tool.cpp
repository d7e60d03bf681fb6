// Demos without a window: the game's own scenes play them headless.
//   demo_tool check FILE...    plays each demo to its end: in step, or where it went out of step
//                              (exit status 3), or why it cannot be played (status 1)
//   demo_tool remake OLD NEW   plays OLD (any format the game plays) with its own keys and records
//                              the same run into NEW in the newest format, then checks NEW
// The headless play is what --timedemo checks, so a build without a display (a cross-built one
// under an emulator, say) can tell whether it plays demos in step.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/CommandLine.h"
#include "app/Game.h"
#include "demo/TimeDemo.h"
#include "platform/DataFile.h"
#include "scenes/RankingFile.h"

namespace {

constexpr long kNoLimit = 2000000000L;

// 0 in step, 3 out of step, 1 not a demo that plays.
int Check(const std::string& path) {
    DemoRun run;
    std::string why;
    if (!LoadDemo(run, path, why)) {
        std::fprintf(stderr, "demo_tool: cannot play the demo %s: %s\n", path.c_str(), why.c_str());
        return 1;
    }
    run.mode = DemoMode::TimeDemo;
    const bool inStep = PlayDemoHeadless(run, kNoLimit);
    EndScenes();
    std::printf("%s: %ld ticks, %s\n", path.c_str(), run.tick, inStep ? "in step" : ("OUT OF STEP: " + run.report).c_str());
    return inStep ? 0 : kOutOfStepStatus;
}

int Remake(const std::string& from, const std::string& to) {
    DemoRun run, recording;
    std::string why;
    if (!LoadDemo(run, from, why)) {
        std::fprintf(stderr, "demo_tool: cannot play the demo %s: %s\n", from.c_str(), why.c_str());
        return 1;
    }
    run.mode = DemoMode::TimeDemo;
    const std::string about = "remade from format " + std::to_string(run.demo.format) + " by demo_tool " + GameVersion();
    if (!StartRecording(recording, to, run.demo.seed, run.demo.table.data(), about, why)) {
        std::fprintf(stderr, "demo_tool: cannot record into %s: %s\n", to.c_str(), why.c_str());
        return 1;
    }
    // The old header's comments (who recorded it, the window) are kept after the new one's.
    std::string text;
    ReadDataFile(from.c_str(), kMaxDemoBytes, text, why);
    for (std::size_t at = text.find('\n') + 1; at < text.size() && (text[at] == '#' || text.compare(at, 4, "seed") == 0 ||
                                                                     text.compare(at, 5, "table") == 0);) {
        const std::size_t end = text.find('\n', at);
        if (text[at] == '#') RecordComment(recording, text.substr(at + 2, end - at - 2));
        at = end + 1;
    }
    const bool inStep = PlayDemoHeadless(run, kNoLimit, &recording);
    EndScenes();
    // Written only when the old run played in step to its end: otherwise it is not the same run.
    if (!inStep || !run.demo.ended) {
        std::fprintf(stderr, "demo_tool: %s did not play to its end in step (%s); nothing is written\n", from.c_str(),
                     inStep ? "it was cut short" : run.report.c_str());
        AbandonRecording(recording);
        return 1;
    }
    if (!FinishRecording(recording, RankingTable, why)) {
        std::fprintf(stderr, "demo_tool: could not save %s: %s\n", to.c_str(), why.c_str());
        return 1;
    }
    return Check(to);
}

}  // namespace

int main(int argc, char** argv) {
    const bool check = argc >= 3 && std::strcmp(argv[1], "check") == 0;
    const bool remake = argc == 4 && std::strcmp(argv[1], "remake") == 0;
    if (!check && !remake) {
        std::fprintf(stderr, "usage: demo_tool check FILE... | demo_tool remake OLD NEW\n");
        return 2;
    }
    if (remake) return Remake(argv[2], argv[3]);
    int status = 0;
    for (int i = 2; i < argc; ++i) {
        const int one = Check(argv[i]);
        if (one > status) status = one;
    }
    return status;
}

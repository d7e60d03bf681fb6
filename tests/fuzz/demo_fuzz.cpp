// The whole path a shared demo takes: read, then played through the real key, check and table
// handling and the real scenes (no window), for a bounded number of ticks. Besides the
// sanitizers' findings, a refusal must be one short printable line, and whatever was read must
// hold together.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/Game.h"
#include "scenes/Replays.h"

namespace {

// Enough for a switch into a game and a few checks; a whole demo plays far longer.
constexpr long kMostTicks = 400;

void Check(bool ok, const char* what, const std::string& text) {
    if (ok) return;
    std::fprintf(stderr, "demo invariant broken: %s: %s\n", what, text.c_str());
    std::abort();
}

bool OneShortLine(const std::string& text) {
    if (text.empty() || text.size() > 400) return false;
    for (char c : text)
        if (c < 0x20 || c > 0x7e) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    // The replays' index beside the ranking is read with the same distrust: a run it names is
    // always a name of 16 hex digits (never a path), and only where the ranking agrees.
    const int table[kRankingSlots] = {40, 30, 30, 10, 5, 0, 0, -1};
    for (const std::string& run : ReadIndex(text, table))
        Check(run.empty() || (run.size() == 16 && run.find_first_not_of("0123456789abcdef") == std::string::npos),
              "an index names runs only", text);
    DemoRun run;
    std::string why;
    if (!ParseDemo(text, run.demo, why)) {
        Check(OneShortLine(why), "a refusal is one short printable line", why);
        return 0;
    }
    const Demo& demo = run.demo;
    long tick = 0;
    for (const DemoLine& line : demo.lines) {
        Check(line.tick >= tick && line.tick <= demo.lastTick, "lines in tick order", std::to_string(line.tick));
        tick = line.tick;
        const bool keys = line.kind == DemoLineKind::Keys, check = line.kind == DemoLineKind::Check;
        Check(!keys || (line.at + line.count <= demo.keys.size() && line.count <= 260), "keys within the list", text);
        Check(!check || (line.at < demo.checks.size() && OneShortLine(demo.checks[line.at])), "a check", text);
        Check(line.kind != DemoLineKind::Table || line.at < demo.tables.size(), "a table", text);
    }

    run.mode = DemoMode::TimeDemo;
    run.path = "fuzz.demo";
    if (!PlayDemoHeadless(run, kMostTicks)) Check(OneShortLine(run.report), "an out-of-step report is one line", run.report);
    EndScenes();
    return 0;
}

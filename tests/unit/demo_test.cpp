// Demos: the file's form, a run recorded and played back in step, a drift caught at its tick, and
// a recording that survives being killed.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

#include "TestSupport.h"
#include "app/Demo.h"
#include "app/Input.h"
#include "scene/Scene.h"
#include "mesh/Random.h"

using testsupport::ReadFile;
using testsupport::Stderr;
using testsupport::TempFolder;
using testsupport::WriteFile;

namespace {

const std::string kHead = "torvinel-demo 1\nseed 7\ntable 9 7 5 3 1 0 0 0\n";

// A stand-in for the game: it turns with the arrows, draws from the random stream every tick, and
// Space ends a round, whose score the next round's check reports as a ranking.
struct RoundScene : Scene {
    explicit RoundScene(int round) : Scene(std::make_shared<SceneContext>()), round(round) {}
    void Update() override {
        EscapeCheck();
        if (ArrowHeld(ArrowLeft)) ++angle;
        score += GameRandom() % 3;
        if (KeyNewlyPressed(' ')) finished = true;
    }
    Scene* NextScene() override {
        auto* next = new RoundScene(round + 1);
        next->score = score;
        next->angle = angle;
        return next;
    }
    void Check(SceneCheck& check) const override {
        check.scene = round % 2 ? "ranking" : "game";
        check.ranking = round % 2 == 1;
        check.game = !check.ranking;
        check.angle = angle;
        check.score = score;
    }
    int round, angle = 0, score = 0;
};

// Plays `ticks` ticks through the demo as the game does: each round's end adds to the table, as a
// finished game does. `press` gives the live keys of a tick and `meddle` may disturb the run.
void PlayTicks(DemoRun& run, int* table, long ticks, void (*press)(long, KeySet&),
               void (*meddle)(long, int*) = nullptr) {
    KeySet live{};
    std::memset(&Input(), 0, sizeof(InputState));
    StartScenesWith(new RoundScene(0));
    for (; run.tick < ticks; ++run.tick) {
        run.inTick = true;
        if (press != nullptr) press(run.tick, live);
        GatherInput(DemoTickKeys(run, live));
        if (meddle != nullptr) meddle(run.tick, table);
        StepScenes();
        if (currentScene->finished && dynamic_cast<RoundScene*>(currentScene)->round % 2 == 0) table[0] += 1;
        DemoAfterStep(run, currentScene, table);
        run.inTick = false;
        CopyInputHistory();
    }
    delete currentScene;
    currentScene = nullptr;
}

void Script(long tick, KeySet& keys) {
    keys.arrows[ArrowLeft] = tick >= 10 && tick < 40;
    keys.keys[' '] = (tick >= 50 && tick < 53) || (tick >= 150 && tick < 160);
}

}  // namespace

TEST(DemoFile, DamagedDemosAreRefusedWithWhereAndWhy) {
    const struct { std::string text; const char* why; } cases[] = {
        {"P6\n", "not a Torvinel demo"},
        {"torvinel-demo 2\n", "a demo of format 2; this game plays format 1"},
        {"torvinel-demo 1\nseed 4294967296\n", "line 2: the seed is not a number from 0 to 4294967295"},
        {"torvinel-demo 1\nseed 7\ntable 1 2 3\n", "line 3: the table needs eight whole numbers"},
        {"torvinel-demo 1\n0 +a\n", "line 2: play before the seed and the table"},
        {kHead + "0 +a\n61 check game\n", "line 5: no check between tick 0 and tick 61"},
        {kHead + "5 +a\n4 -a\n", "line 5: tick 4 comes after tick 5"},
        {kHead + "5 +a +jump\n", "line 4: unknown key change '+jump'"},
        {kHead + "5 +code256\n", "line 4: unknown key change '+code256'"},
        {kHead + "99999999999 +a\n", "line 4: expected a tick number"},
        {kHead + "5 end scores= table=1,2\n", "line 4: the end needs scores=... and a table of eight"},
        {kHead + "5 end scores=1 table=1,0,0,0,0,0,0,0\n6 +a\n", "line 5: more after the end"},
        {kHead + std::string("5 +a\0\n", 6), "line 4: holds a NUL byte"},
        {kHead, "holds no play"},
    };
    for (const auto& c : cases) {
        Demo demo;
        std::string why;
        EXPECT_FALSE(ParseDemo(c.text, demo, why)) << c.text;
        EXPECT_EQ(why.substr(0, std::strlen(c.why)), c.why) << c.text;
    }
    // A recording cut short plays as far as it goes; a torn last line is dropped.
    Demo demo;
    std::string why;
    ASSERT_TRUE(ParseDemo(kHead + "0 check title a=1\r\n3 +escape +A +code200 -left\n60 check ti", demo, why)) << why;
    EXPECT_TRUE(!demo.ended && demo.lastTick == 3 && demo.seed == 7 && demo.table[0] == 9);
    KeySet keys{};
    keys.arrows[ArrowLeft] = 1;
    ApplyKeyChanges(keys, demo.lines[1].keys);
    EXPECT_TRUE(keys.keys[27] && keys.keys['A'] && keys.keys[200] && !keys.arrows[ArrowLeft]);
    EXPECT_EQ(KeyChanges(KeySet{}, keys), "+escape +A +code200");
}

TEST(Demo, ARecordedRunPlaysBackInStepAndADriftIsCaughtAtItsTick) {
    TempFolder folder;
    const std::string path = folder / "run.demo";
    WriteFile(path, "torvinel-demo 0\nan older demo\n");  // a demo may be replaced
    int table[8] = {9, 7, 5, 3, 1, 0, 0, 0};
    DemoRun recording;
    std::string why;
    ASSERT_TRUE(StartRecording(recording, path, 1234, table, "test", why)) << why;
    SeedGameRandom(1234);
    // Another copy of the game saves a score into the ranking this board shows.
    PlayTicks(recording, table, 200, Script, [](long tick, int* t) { t[7] += tick == 70 ? 33 : 0; });
    ASSERT_TRUE(FinishRecording(recording, table, why)) << why;
    const std::string text = ReadFile(path);
    EXPECT_NE(text.find("\n10 +left\n"), std::string::npos);
    EXPECT_NE(text.find("\n51 check ranking angle=29 "), std::string::npos);  // a switch is checked
    EXPECT_NE(text.find("\n50 table 10 7 5 3 1 0 0 0\n"), std::string::npos);
    EXPECT_NE(text.find("\n70 table 10 7 5 3 1 0 0 33\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.rfind('\n', text.size() - 2) + 1, 10), "199 end sc");
    EXPECT_LT(text.size(), 1024u);  // only changes are written

    for (bool drift : {false, true}) {
        DemoRun play;
        ASSERT_TRUE(LoadDemo(play, path, why)) << why;
        play.mode = DemoMode::TimeDemo;
        int shown[8] = {};
        std::copy(play.demo.table.begin(), play.demo.table.end(), shown);
        SeedGameRandom(play.demo.seed);
        // Live keys play no part; a drift shows at the next check and is told once.
        const std::string said = Stderr([&] {
            PlayTicks(play, shown, 200, [](long tick, KeySet& keys) { keys.keys[' '] = tick % 2; },
                drift ? +[](long tick, int*) { if (tick == 100) GameRandom(); } : nullptr);
        });
        EXPECT_TRUE(DemoPlayedOut(play));
        EXPECT_EQ(FinishPlayback(play, shown), !drift);
        EXPECT_EQ(said.substr(0, said.find("score is ") + 9), drift ? "torvinel: demo " + path + " went out of step at tick 120 in the ranking scene: score is " : "");
        if (drift) {
            EXPECT_NE(said.find(", the recording says "), std::string::npos) << said;
        }
    }
    // Anything but a demo under the name is kept.
    WriteFile(path, "my notes\n");
    DemoRun refused;
    EXPECT_FALSE(StartRecording(refused, path, 1, table, "test", why));
    EXPECT_EQ(why, "it is there and is not a demo; it is left as it is");
    EXPECT_EQ(ReadFile(path), "my notes\n");
}

TEST(Demo, AKilledRecordingStillPlaysUpToItsLastSecond) {
    TempFolder folder;
    const std::string path = folder / "killed.demo";
    EXPECT_EXIT(
        {
            int table[8] = {};
            DemoRun run;
            std::string why;
            if (!StartRecording(run, path, 5, table, "test", why)) std::exit(1);
            PlayTicks(run, table, 150, Script);
            std::raise(SIGTERM);
        },
        ::testing::KilledBySignal(SIGTERM), "");
    Demo demo;
    std::string why;
    ASSERT_TRUE(ParseDemo(ReadFile(path), demo, why)) << why;
    EXPECT_TRUE(!demo.ended && demo.lastTick == 120);
}

TEST(Demo, TimeDemoSummary) {
    TimeDemoFigures figures{200, 2.0, {}, 400.0};
    for (int i = 200; i >= 1; --i) figures.frameMs.push_back(i / 10.0);
    EXPECT_EQ(TimeDemoSummary("a.demo", figures, true, ""),
              "timedemo a.demo: 200 ticks in 2.00 s, 100.0 ticks/s; ms per frame: median 10.00, p99 19.80, "
              "longest 20.00; CPU ms per frame 2.00; in step");
    const std::string out = TimeDemoSummary("a.demo", figures, false, "went out of step at tick 5");
    EXPECT_EQ(out.substr(out.rfind("; ")), "; OUT OF STEP: went out of step at tick 5");
}

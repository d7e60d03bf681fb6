// Demos: the file's form and everything a shared one may not do, a run recorded and played back in
// step, a drift caught at its tick and a drift between checks caught by the running hash, a name
// that is not a demo's kept, and recordings that survive being killed and a full disk.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cfloat>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <regex>

#include "TestSupport.h"
#include "app/Game.h"
#include "demo/Demo.h"
#include "input/Input.h"
#include "mesh/Field.h"
#include "mesh/Random.h"
#include "scene/Scene.h"
#include "scenes/GameScene.h"
#include "scenes/RankingFile.h"

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

using testsupport::Lines;
using testsupport::ReadFile;
using testsupport::Stderr;
using testsupport::TempFolder;
using testsupport::WriteFile;

namespace {

const std::string kHead = "torvinel-demo 2\nseed 7\ntable 9 7 5 3 1 0 0 0\n";
const std::string kTitle = "check title angle=0 speed=0 gems=3 field=10325400 run=00000001";

// A stand-in for the game: it turns with the arrows, draws from the random stream every tick, and
// Space ends a round, whose score the next round's check reports as a ranking; a game round's end
// ranks a score as a finished game does.
struct RoundScene : Scene {
    explicit RoundScene(int round) : Scene(std::make_shared<SceneContext>()), round(round) {}
    void Update() override {
        if (EscapeCheck()) return;
        if (ArrowHeld(ArrowLeft)) ++angle;
        score += GameRandom() % 3;
        if (KeyNewlyPressed(' ')) finished = true;
        if (finished && round % 2 == 0) RankingTable[0] += 1;
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

// What the test's ticks do besides the scenes: the live keys of a tick, and a disturbance before
// and after the tick's step.
void (*press)(long tick, KeySet& keys) = nullptr;
void (*meddle)(long tick, bool stepped) = nullptr;
long now = 0;

void ScriptedStep() {
    if (meddle != nullptr) meddle(now, false);
    StepScenes();
    if (meddle != nullptr) meddle(now, true);
}

// Plays ticks as the game does, through its tick, until `ticks` (or, in playback, the demo's end).
void PlayTicks(DemoRun& run, long ticks) {
    Game game;
    game.demo = std::move(run);
    game.step = ScriptedStep;
    KeySet live{};
    for (TickOutcome outcome = TickOutcome::Stepped; game.demo.tick < ticks && outcome != TickOutcome::DemoEnded;) {
        now = game.demo.tick;
        if (press != nullptr) press(now, live);
        outcome = RunGameTick(game, live);
    }
    run = std::move(game.demo);
}

// Each run starts as the game starts: the table, the stream, and a first scene.
void StartRounds(const RankingRow& table, unsigned seed) {
    std::memset(&Input(), 0, sizeof(InputState));
    std::copy(table.begin(), table.end(), RankingTable);
    SeedGameRandom(seed);
    StartScenesWith(new RoundScene(0));
}

void RoundKeys(long tick, KeySet& keys) {
    keys.arrows[ArrowLeft] = tick >= 10 && tick < 40;
    keys.keys[' '] = (tick >= 50 && tick < 53) || (tick >= 150 && tick < 160);
}

}  // namespace

TEST(DemoFile, AnythingButAWholeDemoIsRefusedInOneLineSayingWhereAndWhy) {
    const std::string at4 = kHead + "0 " + kTitle + "\n";
    const struct { std::string text; const char* why; } cases[] = {
        {"P6\n", "not a Torvinel demo"},
        {"torvinel-demo 3\n", "a demo of format 3; this game plays formats 1 to 2"},
        {"torvinel-demo 1\nseed 4294967296\n", "line 2: the seed is not a number from 0 to 4294967295"},
        {"torvinel-demo 1\nseed 7\ntable 1 2 3\n", "line 3: the table needs eight whole numbers"},
        {"torvinel-demo 1\n0 +a\n", "line 2: play before the seed and the table"},
        // The header once, before the play: a second table would be more than the board holds.
        {kHead + "table 1 2 3 4 5 6 7 8\n", "line 4: a second table"},
        {kHead + "seed 8\n", "line 4: a second seed"},
        {at4 + "table 1 2 3 4 5 6 7 8\n", "line 5: the table belongs before the first tick"},
        {at4 + "61 check game\n", "line 5: no check between tick 0 and tick 61"},
        {at4 + "5 +a\n4 -a\n", "line 6: tick 4 comes after tick 5"},
        // A tick's keys are read before the scenes step, the rest after: keys after the check of
        // their tick, or a second check, would be passed over.
        {at4 + "5 " + kTitle + "\n5 +a\n", "line 6: a keys line after the check line of tick 5"},
        {at4 + "5 table 1 1 1 1 1 1 1 1\n5 " + kTitle + "\n", "line 6: a check line after the table line of tick 5"},
        {at4 + "0 " + kTitle + "\n", "line 5: a check line after the check line of tick 0"},
        {at4 + "5 +a +jump\n", "line 5: unknown key change '+jump'"},
        {at4 + "5 +a -a\n", "line 5: the key 'a' changes twice in one tick"},
        {at4 + "5 +code256\n", "line 5: unknown key change '+code256'"},
        {at4 + "5 pause\n", "line 5: unknown key change 'pause'"},
        // What the file says is shown quoted, escaped and clipped: never the player's terminal's.
        {at4 + "5 +\x1b]0;owned\x07" + std::string(100, 'x') + "\n",
         "line 5: unknown key change '+\\x1b]0;owned\\x07xxxxxxxxxxxxxxxxxxxxxxxxxxxxx...'"},
        {at4 + "99999999999 +a\n", "line 5: expected a tick number from 0 to 1000000000, not '99999999999'"},
        {kHead + "0 check lobby angle=0\n", "line 4: no scene 'lobby'"},
        {kHead + "0 check title angle=360 speed=0 gems=3 field=10325400 run=00000001\n", "line 4: expected angle=0..359 in the check, not 'angle=360'"},
        {kHead + "0 check title angle=0 speed=nan gems=3 field=10325400 run=00000001\n", "line 4: expected speed=a number in the check, not 'speed=nan'"},
        {kHead + "0 check title angle=0 speed=0 gems=3 field=1032540 run=00000001\n", "line 4: expected field=8 hex digits in the check, not 'field=1032540'"},
        {kHead + "0 check game angle=0 speed=0 gems=3 field=10325400 score=0 time=9 blade=0/x sparks=0 run=00000001\n", "line 4: expected blade=TURN/LIFT in the check, not 'blade=0/x'"},
        {kHead + "0 check title angle=0 speed=0 gems=3 field=10325400\n", "line 4: the check ends before its run=8 hex digits"},
        {"torvinel-demo 1\nseed 7\ntable 9 7 5 3 1 0 0 0\n0 " + kTitle + "\n", "line 4: more in the check than a title check holds: 'run=00000001'"},
        {at4 + "5 end scores= table=1,2\n", "line 5: the end needs scores=... and a table of eight"},
        {at4 + "5 end scores=1, table=1,0,0,0,0,0,0,0\n", "line 5: the end needs scores=... and a table of eight"},
        {at4 + "5 end scores=1 table=1,0,0,0,0,0,0,0\n", "line 5: the end names more games than were played"},
        {at4 + "5 end scores= table=1,0,0,0,0,0,0,0\n6 +a\n", "line 6: more after the end"},
        {at4 + std::string("5 +a\0\n", 6), "line 5: holds a NUL byte"},
        {kHead, "holds no play"},
    };
    for (const auto& c : cases) {
        Demo demo;
        std::string why;
        EXPECT_FALSE(ParseDemo(c.text, demo, why)) << c.text;
        EXPECT_EQ(why.substr(0, std::strlen(c.why)), c.why) << c.text;
        EXPECT_EQ(why.find('\n'), std::string::npos);
    }
    // A recording cut short plays as far as it goes; a torn last line is dropped. Format 1 has
    // no running hash.
    Demo demo;
    std::string why;
    const std::string format1 = "torvinel-demo 1\nseed 7\ntable 9 7 5 3 1 0 0 0\n0 check title angle=0 speed=-6.36189503e-43 gems=3 field=10325400\r\n";
    ASSERT_TRUE(ParseDemo(format1 + "3 +escape +A +code200 -left\n60 check ti", demo, why)) << why;
    EXPECT_TRUE(!demo.ended && demo.lastTick == 3 && demo.seed == 7 && demo.table[0] == 9 && demo.format == 1);
    KeySet keys{};
    keys.arrows[ArrowLeft] = 1;
    ApplyKeyChanges(keys, demo, demo.lines[1]);
    EXPECT_TRUE(keys.keys[27] && keys.keys['A'] && keys.keys[200] && !keys.arrows[ArrowLeft]);
    EXPECT_EQ(KeyChanges(KeySet{}, keys), "+escape +A +code200");
}

TEST(Demo, ARecordedRunPlaysBackInStepAndADriftIsCaughtAtItsTick) {
    TempFolder folder;
    const std::string path = folder / "run.demo";
    WriteFile(path, "torvinel-demo 0\nan older demo\n");  // a demo may be replaced
    const RankingRow table = {9, 7, 5, 3, 1, 0, 0, 0};
    DemoRun recording;
    std::string why;
    ASSERT_TRUE(StartRecording(recording, path, 1234, table.data(), "test", why)) << why;
    StartRounds(table, 1234);
    // Another copy of the game saves a score into the ranking this board shows.
    press = RoundKeys;
    meddle = [](long tick, bool stepped) { RankingTable[7] += tick == 70 && stepped ? 33 : 0; };
    PlayTicks(recording, 200);
    ASSERT_TRUE(FinishRecording(recording, RankingTable, why)) << why;
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
        StartRounds(play.demo.table, play.demo.seed);
        // Live keys play no part; a drift shows at the next check and is told once.
        press = [](long tick, KeySet& keys) { keys.keys[' '] = tick % 2; };
        meddle = drift ? +[](long tick, bool stepped) { if (tick == 100 && !stepped) GameRandom(); } : nullptr;
        const std::string said = Stderr([&] { PlayTicks(play, 1000); });
        EXPECT_TRUE(DemoPlayedOut(play) && FinishPlayback(play, RankingTable) == !drift);
        EXPECT_EQ(said.substr(0, said.find("score is ") + 9), drift ? "torvinel: demo " + path + " went out of step at tick 120 in the ranking scene: score is " : "") << said;
        EXPECT_EQ(Lines(said), drift ? 1 : 0) << said;
    }
    press = nullptr, meddle = nullptr;
    delete currentScene;
    currentScene = nullptr;
    // Anything but a demo under the name is kept, there at the start or put there during the run.
    WriteFile(path, "my notes\n");
    DemoRun refused, taken;
    EXPECT_FALSE(StartRecording(refused, path, 1, table.data(), "test", why));
    EXPECT_EQ(why, "it is there and is not a demo; it is left as it is");
    ::unlink(path.c_str());
    ASSERT_TRUE(StartRecording(taken, path, 1, table.data(), "test", why)) << why;
    WriteFile(path, "my notes\n");
    EXPECT_FALSE(FinishRecording(taken, RankingTable, why));
    EXPECT_EQ(why, "it was taken during the run (it is there and is not a demo; it is left as it is); "
                   "the recording is left in " + taken.temp);
    EXPECT_TRUE(ReadFile(path) == "my notes\n" && ReadFile(taken.temp).substr(0, 16) == "torvinel-demo 2\n");
}

// The session kept in memory is a whole demo at any tick: cut during its second game it plays in
// step, and watching it starts where that game does.
TEST(Demo, TheSessionInMemoryIsEachGamesRun) {
    const RankingRow table = {9, 7, 5, 3, 1, 0, 0, 0};
    DemoRun session;
    StartSessionRecording(session, 1234, table.data(), "test");
    StartRounds(table, 1234);
    press = RoundKeys;
    PlayTicks(session, 230);
    DemoRun play;
    std::string why;
    ASSERT_TRUE(ParseDemo(SessionDemo(session, RankingTable), play.demo, why)) << why;
    EXPECT_EQ(LastGameStart(play.demo), 151);
    EXPECT_TRUE(play.demo.ended && play.demo.lastTick == 229 && play.demo.scores.size() == 1);
    play.mode = DemoMode::TimeDemo;
    StartRounds(play.demo.table, play.demo.seed);
    press = nullptr;
    PlayTicks(play, 1000);
    EXPECT_TRUE(DemoPlayedOut(play) && FinishPlayback(play, RankingTable)) << play.report;
    delete currentScene;
    currentScene = nullptr;
}

namespace {

// The real scenes, headless: Space starts a game, the blade rises and turns while the view turns,
// p ends it; the ranking is skipped and the title comes again.
void GamePlayed(long t, KeySet& keys) {
    keys.keys[' '] = (t >= 20 && t < 24) || (t >= 340 && t < 344) || (t >= 400 && t < 404);
    keys.arrows[ArrowUp] = t >= 30 && t < 90;
    keys.keys['d'] = t >= 90 && t < 150;
    keys.arrows[ArrowLeft] = t >= 150 && t < 200;
    keys.keys['p'] = t >= 320 && t < 323;
}

// One gem nudged up for a single tick between two checks, and put back before the next step.
float kept = 0.0f;
void NudgeOneTick(long tick, bool stepped) {
    auto* game = dynamic_cast<GameScene*>(currentScene);
    if (game == nullptr || game->field->models.empty()) return;
    float& y = game->field->models.front()->position.y;
    if (tick == 130 && stepped) kept = y, y += 1.0f;
    if (tick == 131 && !stepped) y = kept;
}

// Records the real scenes headless for `ticks` with these keys, `watch` seeing every step; the
// demo's text.
std::string RecordHeadless(const std::string& path, unsigned seed, long ticks, void (*keys)(long, KeySet&),
                           void (*watch)(long, bool)) {
    const RankingRow table{};
    DemoRun recording;
    std::string why;
    EXPECT_TRUE(StartRecording(recording, path, seed, table.data(), "test", why)) << why;
    StartHeadlessPlay(seed, table);
    press = keys, meddle = watch;
    PlayTicks(recording, ticks);
    EXPECT_TRUE(FinishRecording(recording, RankingTable, why)) << why;
    return ReadFile(path);
}

// Plays the demo at path headless as a timedemo to its end; whether it stayed in step, and in
// `said` what it told.
bool PlayedInStep(const std::string& path, void (*watch)(long, bool), std::string& said) {
    DemoRun play;
    std::string why;
    EXPECT_TRUE(LoadDemo(play, path, why)) << why;
    play.mode = DemoMode::TimeDemo;
    StartHeadlessPlay(play.demo.seed, play.demo.table);
    press = nullptr, meddle = watch;
    said = Stderr([&] { PlayTicks(play, 1000); });
    return DemoPlayedOut(play) && FinishPlayback(play, RankingTable);
}

}  // namespace

// Checks sample the state; the running hash sees every tick. A difference that came and went
// between two checks is caught at the next one in format 2, and slips through format 1.
TEST(Demo, TheRunningHashCatchesADriftBetweenChecks) {
    TempFolder folder;
    const std::string path = folder / "game.demo";
    const RankingRow table{};
    std::string why;
    const std::string format2 = RecordHeadless(path, 99, 460, GamePlayed, nullptr);
    ASSERT_NE(format2.find(" check game "), std::string::npos);
    ASSERT_NE(format2.find(" check title "), std::string::npos);
    ASSERT_FALSE(std::regex_search(format2, std::regex("\n1(3[1-9]|[4-7][0-9]) check"))) << "no switch after the nudge";
    const std::string format1 = "torvinel-demo 1" + std::regex_replace(format2.substr(15), std::regex(" run=[0-9a-f]+"), "");
    WriteFile(folder / "format1.demo", format1);

    const struct { std::string file; bool nudge, inStep; const char* said; } cases[] = {
        {path, false, true, ""},
        {folder / "format1.demo", false, true, ""},
        {path, true, false, " went out of step at tick 180 in the game scene: run is "},
        {folder / "format1.demo", true, true, ""},
    };
    for (const auto& c : cases) {
        std::string said;
        EXPECT_EQ(PlayedInStep(c.file, c.nudge ? NudgeOneTick : nullptr, said), c.inStep) << c.file << c.nudge;
        EXPECT_TRUE(said.find(c.said) != std::string::npos && Lines(said) == (c.inStep ? 0 : 1)) << said;
        if (!c.inStep) {
            EXPECT_NE(said.find("(the play differed on a tick since the last check)"), std::string::npos) << said;
        }
    }
    // The headless player plays the run as the game's tick did, up to Escape held at its last two ticks,
    // and a remake of the format 1 demo is the format 2 one.
    const std::size_t last = format2.rfind("\n", format2.size() - 2) + 1;
    const std::string left = format2.substr(0, last) + "460 +escape\n461" + format2.substr(last + 3);
    WriteFile(folder / "left1.demo", "torvinel-demo 1" + std::regex_replace(left.substr(15), std::regex(" run=[0-9a-f]+"), ""));
    DemoRun again, remade;
    ASSERT_TRUE(LoadDemo(again, folder / "left1.demo", why)) << why;
    again.mode = DemoMode::TimeDemo;
    ASSERT_TRUE(StartRecording(remade, folder / "remade.demo", again.demo.seed, table.data(), "test", why)) << why;
    EXPECT_TRUE(PlayDemoHeadless(again, 100000, &remade)) << again.report;
    ASSERT_TRUE(FinishRecording(remade, RankingTable, why)) << why;
    const std::string body = ReadFile(folder / "remade.demo");
    EXPECT_EQ(body.substr(body.find("\nseed")), left.substr(left.find("\nseed")));
    press = nullptr, meddle = nullptr;
    EndScenes();
}

namespace {

// Enter at the title (no pause there); a game paused by Enter while the blade turns and the view
// turns, a focus loss that leaves it paused, Enter again; a focus loss alone, then Enter.
void GamePaused(long t, KeySet& keys) {
    keys.keys[kPauseKey] = (t >= 5 && t < 7) || (t >= 60 && t < 62) || (t >= 120 && t < 122) || (t >= 180 && t < 182);
    keys.keys[kFocusLostKey] = t == 100 || t == 150;
    keys.keys[' '] = t >= 20 && t < 24;
    keys.arrows[ArrowUp] = t >= 30 && t < 200;
    keys.keys['d'] = t >= 30 && t < 200;
}

std::string checks[250];  // the scene's check after each tick's step, without the running hash

void NoteCheck(long tick, bool stepped) {
    SceneCheck check;
    if (stepped && currentScene != nullptr) currentScene->Check(check);
    if (stepped) checks[tick] = CheckLine(check, 1, 0) + (currentScene->Paused() ? " paused" : "");
}

}  // namespace

// While paused, the time, the gems, the sparks, the blade and the view stand still whatever keys
// are held; a run with pauses plays back in step.
TEST(Demo, APausedGameStandsStillAndPlaysBackInStep) {
    TempFolder folder;
    const std::string path = folder / "paused.demo";
    const std::string text = RecordHeadless(path, 5, 250, GamePaused, NoteCheck);
    EXPECT_TRUE(checks[6] != checks[5] && checks[59].substr(0, 5) == "game ");  // the title runs on
    for (long t : {61L, 100L, 119L}) EXPECT_EQ(checks[t], checks[60]) << t;
    EXPECT_TRUE(checks[60].find(" paused") != std::string::npos && checks[121].find(" paused") == std::string::npos);
    for (long t : {151L, 179L}) EXPECT_EQ(checks[t], checks[150]) << t;
    EXPECT_TRUE(checks[121] != checks[120] && checks[181] != checks[180]);
    EXPECT_TRUE(text.find("\n60 +code13\n") != std::string::npos && text.find("\n150 +code255\n") != std::string::npos);
    std::string said;
    EXPECT_TRUE(PlayedInStep(path, nullptr, said) && said.empty()) << said;
    EndScenes();
}

// Whatever a library loaded into the game did to the floating-point state (flush-to-zero, say),
// every tick computes with subnormal numbers kept.
TEST(Demo, EveryTickKeepsSubnormalNumbers) {
#if defined(__SSE__)
    _mm_setcsr(_mm_getcsr() | 0x8040);  // flush to zero, denormals are zero
    static volatile float tiny = FLT_MIN;
    static float half = 0.0f;
    Game game;
    game.step = [] { half = tiny / 2.0f; };
    RunGameTick(game, KeySet{});
    EXPECT_NE(half, 0.0f);
#else
    GTEST_SKIP() << "flush-to-zero is set through SSE's control register here";
#endif
}

namespace {

// The rounds recorded, killed at tick 150; the recording never ends of itself.
void RecordAndGetKilled(DemoRun& run, std::string&) {
    PlayTicks(run, 150);
    std::raise(SIGTERM);
}

// A recording whose disk holds only a few more bytes at tick 120 (part of that second's lines
// go out), and then has room again. Exits 0 when it says the demo was saved whole, 1 when it was
// not and has said so already, 8 when it has more to say.
void RecordOnAFillingDisk(DemoRun& run, std::string& why) {
    std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
    PlayTicks(run, 119);
    rlimit limit{static_cast<rlim_t>(run.written + 20), RLIM_INFINITY};
    setrlimit(RLIMIT_FSIZE, &limit);
    PlayTicks(run, 121);
    limit.rlim_cur = RLIM_INFINITY;
    setrlimit(RLIMIT_FSIZE, &limit);
    PlayTicks(run, 200);
    const bool saved = FinishRecording(run, RankingTable, why);
    std::exit(saved ? 0 : why.empty() ? 1 : 8);
}

// Starts recording the rounds to path as the game starts, then goes on as `then` says.
void RecordRounds(const std::string& path, void (*then)(DemoRun&, std::string&)) {
    DemoRun run;
    std::string why;
    if (!StartRecording(run, path, 5, RankingRow{}.data(), "test", why)) std::exit(9);
    StartRounds(RankingRow{}, 5);
    press = RoundKeys;
    then(run, why);
}

}  // namespace

// A recording killed still plays up to its last second. When the disk fills, then has room
// again, the demo ends at the last tick written whole, plays, and the game says so once and
// leaves with a status that is not 0.
TEST(Demo, AKilledOrFullRecordingEndsWhereItWasWhole) {
    TempFolder folder;
    const std::string killed = folder / "killed.demo", full = folder / "full.demo";
    EXPECT_EXIT(RecordRounds(killed, RecordAndGetKilled), ::testing::KilledBySignal(SIGTERM), "");
    EXPECT_EXIT(RecordRounds(full, RecordOnAFillingDisk), ::testing::ExitedWithCode(1),
        "^torvinel: could not write the demo .*full.demo: File too large; the demo ends at tick 60\n$");
    for (const auto& [path, lastTick] : {std::pair{killed, 120L}, std::pair{full, 60L}}) {
        Demo demo;
        std::string why;
        const std::string text = ReadFile(path);
        ASSERT_TRUE(ParseDemo(text, demo, why)) << why;
        EXPECT_TRUE(!demo.ended && demo.lastTick == lastTick && text.back() == '\n') << text;
    }
}

TEST(Demo, TimeDemoSummary) {
    TimeDemoFigures figures{200, 2.0, {}, 400.0};
    for (int i = 200; i >= 1; --i) figures.frameMs.push_back(i / 10.0);
    EXPECT_EQ(TimeDemoSummary("a.demo", figures, true, ""),
              "timedemo a.demo: 200 ticks in 2.00 s, 100.0 ticks/s; ms per frame: median 10.00, p99 19.80, "
              "longest 20.00; CPU ms per frame 2.00; in step");
    figures.pausedTicks = 30;
    const std::string out = TimeDemoSummary("a.demo", figures, false, "went out of step at tick 5");
    EXPECT_EQ(out.substr(out.rfind("2.00; ")), "2.00; 30 paused ticks passed over; OUT OF STEP: went out of step at tick 5");
}

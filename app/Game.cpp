#include "app/Game.h"

#include <algorithm>
#include <cstring>

#include "app/StateLine.h"
#include "audio/Music.h"
#include "audio/TickSounds.h"
#include "mesh/Arithmetic.h"
#include "mesh/Field.h"
#include "mesh/Random.h"
#include "platform/Say.h"
#include "render/Registry.h"
#include "scenes/GameScene.h"
#include "scenes/RankingSave.h"
#include "scenes/RankingScene.h"
#include "scenes/TitleScene.h"

namespace {

// A session longer than any demo may be would leave runs no one can play: its later games go
// without (far more than an hour of play).
constexpr std::size_t kMostSessionBytes = kMaxDemoBytes - 64 * 1024;

// After the step: the session's record of the tick, and a game that ended in it hands its run,
// the session up to here, to its score's save.
void KeepSessionRun(DemoRun& session) {
    const std::size_t games = session.scores.size();
    DemoAfterStep(session, currentScene, RankingTable);
    if (session.scores.size() > games) GiveRunToHeldScores(SessionDemo(session, RankingTable));
    session.inTick = false;
    ++session.tick;
    if (session.pending.size() < kMostSessionBytes) return;
    Say("this session is too long to keep the runs of its later games\n");
    session = DemoRun{};
    HoldScoresForRuns(false);
}

}  // namespace

TickOutcome RunGameTick(Game& game, const KeySet& live) {
    DemoRun& demo = game.demo;
    if (PlayingBack(game)) {
        // The player's own Escape, held as in the game, is the only key playback takes from them.
        const bool down = live.keys[27] != 0;
        const bool held = down && game.escapeBefore;
        game.escapeBefore = down;
        if (held) return TickOutcome::Leave;
        if (DemoPlayedOut(demo)) return TickOutcome::DemoEnded;
    }
    CopyInputHistory();
    // A save that finished since the last tick shows its merged table from this tick on, never
    // in the middle of an Update or a drawing.
    // (Never into a run played back: its table is the recording's.)
    if (!PlayingBack(game)) ApplySavedRanking();
    UseStandardArithmetic();
    const long tick = demo.tick;
    demo.inTick = true;
    const KeySet& played = DemoTickKeys(demo, live);
    if (game.remake != nullptr) game.remake->inTick = true;
    const KeySet& keys = game.remake != nullptr ? DemoTickKeys(*game.remake, played) : played;
    DemoRun& session = game.session;
    session.inTick = true;
    if (session.mode == DemoMode::Record) DemoTickKeys(session, keys);
    GatherInput(keys);
    leaveAsked = false;
    rankedRunAsked = 0;
    SoundsThisTick() = TickSounds{};
    if (MusicRestarts(game.musicStart, tick)) {
        SoundsThisTick().musicStarted = true;
        // Tests run scenes without the music; the game always has it after start-up.
        if (MusicPlayer* music = Registry<MusicPlayer>().Get("BGM")) music->Play();
    }
    game.step();
    if (leaveAsked) return PlayingBack(game) ? TickOutcome::DemoEnded : TickOutcome::Leave;
    const bool inStep = DemoAfterStep(demo, currentScene, RankingTable);
    demo.inTick = false;
    ++demo.tick;
    if (game.remake != nullptr) {
        DemoAfterStep(*game.remake, currentScene, RankingTable);
        game.remake->inTick = false;
        ++game.remake->tick;
    }
    if (session.mode == DemoMode::Record) KeepSessionRun(session);
    StateLineTick(tick, currentScene);
    return inStep ? TickOutcome::Stepped : TickOutcome::OutOfStep;
}

void StartHeadlessPlay(unsigned seed, const RankingRow& table) {
    EndScenes();
    UseStandardArithmetic();
    std::memset(&Input(), 0, sizeof(InputState));
    TitleScene::orbitSpeed = GameScene::orbitSpeed = RankingScene::orbitSpeed = 0.0f;
    spawnTravel = 0.0f;
    SetRankingPath("");
    std::copy(table.begin(), table.end(), RankingTable);
    cutSoundPlayer = [](const char*) {};
    SeedGameRandom(seed);
    StartScenesWith(MakeFirstScene(std::make_shared<SceneContext>()));
}

void EndScenes() {
    if (currentScene != nullptr) currentScene->Finalize();
    delete currentScene;
    currentScene = nullptr;
    FreeSharedStream();
}

bool PlayDemoHeadless(DemoRun& run, long maxTicks, DemoRun* recording) {
    StartHeadlessPlay(run.demo.seed, run.demo.table);
    Game game;
    game.demo = std::move(run);
    game.remake = recording;
    TickOutcome outcome = TickOutcome::Stepped;
    while (outcome == TickOutcome::Stepped && game.demo.tick < maxTicks) outcome = RunGameTick(game, KeySet{});
    run = std::move(game.demo);
    if (outcome == TickOutcome::Stepped && DemoPlayedOut(run)) outcome = TickOutcome::DemoEnded;
    if (outcome == TickOutcome::DemoEnded) return FinishPlayback(run, RankingTable);
    return outcome != TickOutcome::OutOfStep;
}

#include "app/DemoPlayer.h"

#include <algorithm>
#include <cstring>

#include "app/Game.h"
#include "mesh/Arithmetic.h"
#include "mesh/Field.h"
#include "mesh/Random.h"
#include "scenes/GameScene.h"
#include "scenes/RankingFile.h"
#include "scenes/RankingScene.h"
#include "scenes/TitleScene.h"

void StartHeadlessPlay(unsigned seed, const RankingRow& table) {
    EndHeadlessPlay();
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

void EndHeadlessPlay() {
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

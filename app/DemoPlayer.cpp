#include "app/DemoPlayer.h"

#include <algorithm>
#include <cstring>

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
    const KeySet none{};
    bool inStep = true, over = false;
    while (inStep && !(over = DemoPlayedOut(run)) && run.tick < maxTicks) {
        UseStandardArithmetic();
        run.inTick = true;
        const KeySet& keys = DemoTickKeys(run, none);
        if (recording != nullptr) recording->inTick = true;
        GatherInput(recording != nullptr ? DemoTickKeys(*recording, keys) : keys);
        if (KeyHeld(27)) {
            // Where the game exits (EscapeCheck): the switch has been made, no check is reached.
            SwitchScenes();
            over = true;
            break;
        }
        StepScenes();
        inStep = DemoAfterStep(run, currentScene, RankingTable);
        if (recording != nullptr) {
            DemoAfterStep(*recording, currentScene, RankingTable);
            recording->inTick = false;
            ++recording->tick;
        }
        run.inTick = false;
        ++run.tick;
        CopyInputHistory();
    }
    if (over) inStep = FinishPlayback(run, RankingTable);
    return inStep;
}

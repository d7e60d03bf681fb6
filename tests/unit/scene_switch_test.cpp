#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "app/App.h"
#include "app/Game.h"
#include "input/Input.h"
#include "scene/Scene.h"
#include "scenes/TitleScene.h"

// Bytes on the heap, so that a test can see everything it made freed again.
std::atomic<long> liveBytes{0};
void* operator new(std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    liveBytes += static_cast<long>(malloc_usable_size(block));
    return block;
}
namespace {
void Release(void* block) {
    if (block != nullptr) liveBytes -= static_cast<long>(malloc_usable_size(block));
    std::free(block);
}
}  // namespace
void operator delete(void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }

namespace {

std::vector<std::string> events;

// A scene that logs what the framework does with it and hands its angle on to a successor.
struct LogScene : Scene {
    LogScene(std::shared_ptr<SceneContext> context, std::string name, int angle)
        : Scene(std::move(context)), name(std::move(name)), angle(angle) {}
    ~LogScene() override { Log("delete"); }
    void Log(const char* what) { events.push_back(name + "." + what); }
    void Init() override { Log("init"); }
    void Update() override {
        Scene::Update();
        Log("update");
        finished = finished || ++updates == 2;
    }
    void Finalize() override { Log("finalize"); }
    Scene* NextScene() override { return new LogScene(context, name + "'", angle); }

    std::string name;
    int angle, updates = 0;
};

TickOutcome Tick() {
    Game game;
    return RunGameTick(game, KeyboardKeys());
}

}  // namespace

// Escape must then be held across a tick to leave.
TEST(SceneSwitch, FinishedSwitchesAtTheNextTickAndHandsOverAndEscapeMustBeHeld) {
    events.clear();
    std::memset(&Input(), 0, sizeof(InputState));
    auto context = std::make_shared<SceneContext>();
    auto* first = new LogScene(context, "A", 137);
    StartScenesWith(first);
    Tick();
    Tick();  // A sets finished here and is still the one drawn
    ASSERT_EQ(currentScene, first);
    Tick();  // the switch: finalize, successor built, old deleted, Init and first Update together
    auto* second = dynamic_cast<LogScene*>(currentScene);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->angle == 137 && context.use_count() == 2);  // ours and the current scene's
    EXPECT_EQ(events, (std::vector<std::string>{"A.init", "A.update", "A.update", "A.finalize", "A.delete", "A'.init",
                                                "A'.update"}));
    // Down for a single tick: the game goes on; held across a tick boundary: it leaves.
    OnKeyDown(27, 0, 0);
    EXPECT_EQ(Tick(), TickOutcome::Stepped);
    OnKeyUp(27, 0, 0);
    EXPECT_EQ(Tick(), TickOutcome::Stepped);
    OnKeyDown(27, 0, 0);
    EXPECT_EQ(Tick(), TickOutcome::Stepped);
    EXPECT_EQ(Tick(), TickOutcome::Leave);
    ReleaseAllKeys();
    delete currentScene;
    currentScene = nullptr;
}

// At exit the last scene goes, and with it the tube and the falling field with every gem, so a
// leak checker's run of the game finds none of the game's own objects.
TEST(SceneSwitch, ExitFreesTheLastSceneTheTubeAndTheField) {
    auto context = std::make_shared<SceneContext>();
    const long before = liveBytes;
    currentScene = MakeFirstScene(context);
    const long made = liveBytes - before;
    OnExit();
    const long left = liveBytes - before;
    EXPECT_TRUE(made > 1000 && left == 0) << made << " bytes made, " << left << " left";
}

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/Input.h"
#include "scene/Scene.h"

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
        if (++updates == finishAfter) finished = true;
    }
    void Draw() override {}
    void Finalize() override { Log("finalize"); }
    Scene* NextScene() override { return nullSuccessor ? nullptr : new LogScene(context, name + "'", angle); }

    std::string name;
    int angle, updates = 0, finishAfter = 0;
    bool nullSuccessor = false;
};

void Tick() {
    StepScenes();
    CopyInputHistory();
}

}  // namespace

TEST(SceneSwitch, FinishedSwitchesAtTheNextTick) {
    events.clear();
    std::memset(&Input(), 0, sizeof(InputState));
    auto context = std::make_shared<SceneContext>();
    auto* first = new LogScene(context, "A", 137);
    first->finishAfter = 2;
    StartScenesWith(first);
    EXPECT_EQ(events, std::vector<std::string>{"A.init"});
    Tick();
    Tick();  // A sets finished here and is still the one drawn
    ASSERT_EQ(currentScene, first);
    events.clear();
    Tick();  // the switch: finalize, successor built, old deleted, Init and first Update together
    EXPECT_EQ(events, (std::vector<std::string>{"A.finalize", "A.delete", "A'.init", "A'.update"}));
    auto* second = dynamic_cast<LogScene*>(currentScene);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->angle, 137);
    EXPECT_EQ(second->context, context);
    EXPECT_EQ(context.use_count(), 2);  // ours and the current scene's

    second->nullSuccessor = second->finished = true;
    events.clear();
    Tick();
    Tick();  // nothing current: nothing happens
    EXPECT_EQ(currentScene, nullptr);
    EXPECT_EQ(events, (std::vector<std::string>{"A'.finalize", "A'.delete"}));
}

TEST(SceneSwitch, EscapeMustBeHeldAcrossATick) {
    std::memset(&Input(), 0, sizeof(InputState));
    StartScenesWith(new LogScene(std::make_shared<SceneContext>(), "E", 0));
    // Down for a single tick: nothing.
    OnKeyDown(27, 0, 0);
    Tick();
    OnKeyUp(27, 0, 0);
    Tick();
    ASSERT_NE(currentScene, nullptr);
    // Held across a tick boundary: the program ends with status 0.
    EXPECT_EXIT((OnKeyDown(27, 0, 0), Tick(), Tick(), std::exit(3)), ::testing::ExitedWithCode(0), "");
    delete currentScene;
    currentScene = nullptr;
}

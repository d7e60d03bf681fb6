#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/Input.h"
#include "scene/Scene.h"

namespace {

std::vector<std::string> events;

// A scene that logs what the framework does with it and hands its angle on to a successor.
class LogScene : public Scene {
public:
    LogScene(std::shared_ptr<SceneContext> context, std::string name, int angle)
        : Scene(std::move(context)), name(std::move(name)), angle(angle) {}
    ~LogScene() override { events.push_back(name + ".delete"); }
    void Init() override { events.push_back(name + ".init"); }
    void Update() override {
        Scene::Update();
        events.push_back(name + ".update");
        ++updates;
        if (finishAfter > 0 && updates == finishAfter) finished = true;
    }
    void Draw() override { events.push_back(name + ".draw"); }
    void Finalize() override { events.push_back(name + ".finalize"); }
    Scene* NextScene() override {
        if (nullSuccessor) return nullptr;
        auto* next = new LogScene(context, name + "'", angle);
        next->finishAfter = finishAfter;
        return next;
    }

    std::string name;
    int angle;
    int updates = 0;
    int finishAfter = 0;
    bool nullSuccessor = false;
};

void ClearKeys() {
    InputState& in = Input();
    std::memset(&in, 0, sizeof in);
}

void Tick() {
    StepScenes();
    CopyInputHistory();
}

}  // namespace

TEST(SceneSwitch, FinishedSwitchesAtTheNextTick) {
    events.clear();
    ClearKeys();
    auto context = std::make_shared<SceneContext>();
    auto* first = new LogScene(context, "A", 137);
    first->finishAfter = 2;
    StartScenesWith(first);
    EXPECT_EQ(events, std::vector<std::string>{"A.init"});

    Tick();
    Tick();  // A sets finished here...
    ASSERT_EQ(currentScene, first);
    currentScene->Draw();  // ...and is still drawn once more
    events.clear();
    Tick();  // the switch: finalize, successor built, old deleted, Init and first Update together
    EXPECT_EQ(events, (std::vector<std::string>{"A.finalize", "A.delete", "A'.init", "A'.update"}));
    auto* second = dynamic_cast<LogScene*>(currentScene);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->angle, 137);
    EXPECT_EQ(second->context, context);
    EXPECT_EQ(context.use_count(), 2);  // ours and the current scene's

    second->nullSuccessor = true;
    second->finished = true;
    events.clear();
    Tick();
    EXPECT_EQ(currentScene, nullptr);
    EXPECT_EQ(events, (std::vector<std::string>{"A'.finalize", "A'.delete"}));
    Tick();  // nothing current: nothing happens
    EXPECT_EQ(events.size(), 2u);
}

TEST(SceneSwitch, EscapeMustBeHeldAcrossATick) {
    ClearKeys();
    auto context = std::make_shared<SceneContext>();
    StartScenesWith(new LogScene(context, "E", 0));
    // Down for a single tick: nothing.
    OnKeyDown(27, 0, 0);
    Tick();
    OnKeyUp(27, 0, 0);
    Tick();
    ASSERT_NE(currentScene, nullptr);
    // Held across a tick boundary: the program ends with status 0.
    EXPECT_EXIT(
        {
            OnKeyDown(27, 0, 0);
            Tick();
            Tick();
            std::exit(3);
        },
        ::testing::ExitedWithCode(0), "");
    delete currentScene;
    currentScene = nullptr;
}

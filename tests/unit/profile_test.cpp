#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/Profile.h"
#include "scene/Scene.h"

namespace {

int steps = 0;
int draws = 0;
int swaps = 0;
void CountStep() { ++steps; }
void CountDraw() { ++draws; }
void CountSwap() { ++swaps; }

class FinishedScene : public Scene {
public:
    using Scene::Scene;
    Scene* NextScene() override { return new Scene(context); }
};

}  // namespace

// Off, the hooks only pass the calls on; on, every tick, drawing and scene switch leaves a line.
TEST(Profile, PassesCallsThroughAndLogsOnlyWhenOn) {
    ASSERT_FALSE(ProfileEnabled());
    ProfiledStep(CountStep);
    ProfiledDisplay(CountDraw, CountSwap);
    EXPECT_EQ(steps, 1);
    EXPECT_EQ(draws, 1);
    EXPECT_EQ(swaps, 1);

    char path[] = "/tmp/torvinel-profile-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    profileFile = fdopen(fd, "w");
    ASSERT_NE(profileFile, nullptr);

    auto context = std::make_shared<SceneContext>();
    currentScene = new FinishedScene(context);
    currentScene->finished = true;
    ProfiledStep(StepScenes);  // switches to the plain successor
    ProfiledStep(CountStep);
    ProfiledDisplay(CountDraw, CountSwap);
    ProfilePhase("scene_init", ProfileNowMs());
    std::fclose(profileFile);
    profileFile = nullptr;
    delete currentScene;
    currentScene = nullptr;

    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    std::remove(path);
    const std::string log = text.str();
    EXPECT_NE(log.find("first_tick "), std::string::npos) << log;
    EXPECT_NE(log.find("tick 0 "), std::string::npos) << log;
    EXPECT_NE(log.find("switch 0 Scene\n"), std::string::npos) << log;
    EXPECT_NE(log.find("tick 1 "), std::string::npos) << log;
    EXPECT_EQ(log.find("switch 1"), std::string::npos) << log;
    EXPECT_NE(log.find("draw "), std::string::npos) << log;
    EXPECT_NE(log.find("phase scene_init "), std::string::npos) << log;
    EXPECT_EQ(steps, 2);
    EXPECT_EQ(draws, 2);
    EXPECT_EQ(swaps, 2);
}

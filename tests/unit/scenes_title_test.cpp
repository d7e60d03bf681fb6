#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "app/Input.h"
#include "mesh/Field.h"
#include "render/MeshDraw.h"
#include "scenes/GameScene.h"
#include "scenes/Orbit.h"
#include "scenes/ResourceNames.h"
#include "scenes/TitleScene.h"

TEST(Title, WarmUpRunsTwelveThousandSteps) { EXPECT_EQ(WarmUpStepCount(), 12000); }

TEST(Title, ResourcesLoadInTheirOrderUnderOneSpellingOfEachName) {
    const char* names[kTitleResourceCount] = {
        "Shader",    "multitexture", "UIwindow",   "num",   "MySurface",
        "ModelA",    "ModelB",       "titlesurf",  "dot",   "score_num",
        "score",     "pressspace",   "のこり",     "ランキング", "finish",
        "CutSE"};
    for (int i = 0; i < kTitleResourceCount; ++i) {
        EXPECT_STREQ(kTitleResources[i].name, names[i]) << i;
    }
    // The Japanese names are the very constants the HUD and the board look up.
    EXPECT_EQ(kTitleResources[12].name, kRemainingTextureName);
    EXPECT_EQ(kTitleResources[13].name, kRankingTextureName);
    EXPECT_EQ(std::strlen(kRemainingTextureName), 9u);  // three characters of UTF-8
    EXPECT_EQ(std::strlen(kRankingTextureName), 15u);

    // Both uses of the digit picture, with their own keys.
    EXPECT_STREQ(kTitleResources[3].path, "res/game/num.png");
    EXPECT_EQ(kTitleResources[3].rows, 10);
    EXPECT_EQ(kTitleResources[3].key.green, 255);
    EXPECT_STREQ(kTitleResources[9].path, "res/game/num.png");
    EXPECT_EQ(kTitleResources[9].rows, 10);
    EXPECT_EQ(kTitleResources[9].key.red, 255);
    EXPECT_EQ(kTitleResources[9].key.green, 0);
    EXPECT_EQ(kTitleResources[0].kind, TitleResourceKind::Shader);
    EXPECT_STREQ(kTitleResources[0].secondPath, "shader/Binarization.fs");
    EXPECT_EQ(kTitleResources[15].kind, TitleResourceKind::Sound);
    EXPECT_STREQ(kTitleResources[15].path, "res/se/cut.wav");
}

TEST(Title, SpaceMustBeANewPressAndTheStreamKeepsFalling) {
    InputState& in = Input();
    std::memset(&in, 0, sizeof in);
    Surface surface;
    ModelField field;
    auto scene = std::make_unique<TitleScene>(std::make_shared<SceneContext>(), &surface, &field, 200);

    in.keys[' '] = 1;  // still down from the ranking
    in.prevKeys[' '] = 1;
    for (int i = 0; i < 3; ++i) {
        scene->Update();
        CopyInputHistory();
    }
    EXPECT_FALSE(scene->finished);
    EXPECT_EQ(scene->angle, 200);
    EXPECT_EQ(surface.scroll, NextScroll(NextScroll(NextScroll(0.0, kRestScrollStep),
                                                    kRestScrollStep),
                                         kRestScrollStep));
    in.keys[' '] = 0;
    scene->Update();
    CopyInputHistory();
    in.keys[' '] = 1;
    scene->Update();
    EXPECT_TRUE(scene->finished);

    std::unique_ptr<Scene> next(scene->NextScene());
    auto* game = dynamic_cast<GameScene*>(next.get());
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(game->angle, 200);
    EXPECT_EQ(game->surface, &surface);
    EXPECT_EQ(game->field, &field);
    EXPECT_EQ(game->timeLeft, 360);
    EXPECT_EQ(game->score, 0);
    std::memset(&in, 0, sizeof in);
}

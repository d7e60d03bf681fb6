#include <gtest/gtest.h>

#include <cstring>

#include "scenes/ResourceNames.h"
#include "scenes/TitleScene.h"

TEST(Title, ResourcesLoadInOrderUnderOneSpellingOfEachName) {
    EXPECT_EQ(WarmUpStepCount(), 12000);
    const char* names[kTitleResourceCount] = {
        "Shader", "multitexture", "UIwindow", "num",        "MySurface", "ModelA",
        "ModelB", "titlesurf",    "dot",      "score_num",  "score",     "pressspace",
        "のこり", "ランキング",   "finish",   "CutSE"};
    for (int i = 0; i < kTitleResourceCount; ++i) EXPECT_STREQ(kTitleResources[i].name, names[i]) << i;
    // The Japanese names are the very constants the HUD and the board look up, as UTF-8.
    EXPECT_EQ(kTitleResources[12].name, kRemainingTextureName);
    EXPECT_EQ(kTitleResources[13].name, kRankingTextureName);
    EXPECT_EQ(std::strlen(kRemainingTextureName), 9u);
    EXPECT_EQ(std::strlen(kRankingTextureName), 15u);
    // The digit picture twice, ten rows each, keyed on white and on red.
    for (const int i : {3, 9}) {
        EXPECT_STREQ(kTitleResources[i].path, "res/game/num.png");
        EXPECT_EQ(kTitleResources[i].rows, 10);
        EXPECT_EQ(kTitleResources[i].key.red, 255);
        EXPECT_EQ(kTitleResources[i].key.green, i == 3 ? 255 : 0);
    }
    EXPECT_STREQ(kTitleResources[0].secondPath, "shader/Binarization.fs");
    EXPECT_STREQ(kTitleResources[15].path, "res/se/cut.wav");
}

// What shows that a ranked run is being watched: the corner label and the state lines' fields.
#include <gtest/gtest.h>

#include <string>

#include "app/StateLine.h"
#include "scenes/ReplayLabel.h"

TEST(Watching, TheLabelSitsInTheCornerWithItsPaceAfterIt) {
    const struct {
        int pace;
        const char* picture;
        int width, height, paceWidth;
        ReplayLabelLayout want;
    } cases[] = {
        {2, nullptr, 1280, 720, 0, {1150, 676, 1268, 676}},
        {0, "replay_paused", 1280, 720, 120, {1030, 676, 1148, 676}},
        {1, "replay_half", 512, 512, 66, {316, 468, 434, 468}},
        {4, "replay_double", 1920, 1080, 40, {1750, 1036, 1868, 1036}},
        {8, "replay_four", 1280, 720, 40, {1110, 676, 1228, 676}},
        {3, nullptr, 1280, 720, 0, {1150, 676, 1268, 676}},
    };
    for (const auto& c : cases) {
        const char* picture = ReplayPacePicture(c.pace);
        EXPECT_EQ(std::string(picture ? picture : "-"), std::string(c.picture ? c.picture : "-")) << c.pace;
        const ReplayLabelLayout got = LayoutReplayLabel(c.width, c.height, 118, 32, c.paceWidth);
        EXPECT_TRUE(got.labelX == c.want.labelX && got.labelY == c.want.labelY && got.paceX == c.want.paceX &&
                    got.paceY == c.want.paceY)
            << c.pace << ": " << got.labelX << "," << got.labelY << " " << got.paceX << "," << got.paceY;
    }
    // The state lines say the same to a script: nothing when not watching.
    EXPECT_EQ(WatchingFields(0, 2), "");
    EXPECT_EQ(WatchingFields(3, 8), " watching=3 watchpace=8");
    EXPECT_EQ(WatchingFields(8, 0), " watching=8 watchpace=0");
}

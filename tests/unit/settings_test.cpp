// The player's settings (reading, where they live, writing only on change), the sound levels'
// keys and their overlay, and the window coming back from full screen.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

#include "TestSupport.h"
#include "app/Settings.h"
#include "app/WindowKeys.h"
#include "scenes/LevelOverlay.h"

using namespace testsupport;
using namespace std::string_literals;

TEST(Settings, ReadingTakesOnlyTheGamesOwnFile) {
    Settings mine;
    mine.sound = {3, 0, true};
    mine.fullScreen = false;
    mine.width = 512, mine.height = 8192;
    const struct { std::string text; bool ok; const char* why; int music, width; } cases[] = {
        {SettingsText(mine), true, "", 3, 512},
        {"", true, "", 10, 1280},
        {"; a comment\n[sound]\nmusic=7\n", true, "", 7, 1280},  // names left out keep their defaults
        {"[sound]\nmusic = 11\n", false, "line 2: music is not a whole number from 0 to 10", 10, 1280},
        {"[sound]\nmusic = 4\n[window]\nwidth = 511\n", false, "line 4: width is not a whole number from 512 to 8192", 10, 1280},
        {"[sound]\nmusic = 5x\n", false, "line 2: music", 10, 1280},
        {"[sound]\nvolume = 5\n", false, "line 2: no setting [sound] volume", 10, 1280},
        {"\x89PNG\r\n\x1a\n", false, "line 1: not a setting", 10, 1280},
        {"[sound]\nmusic = 2\0\n[sound]\nmusic = 99\n"s, false, "holds a NUL byte", 10, 1280},
    };
    for (const auto& c : cases) {
        Settings got;
        got.sound.music = -1;
        std::string why;
        EXPECT_EQ(ParseSettings(c.text, got, why), c.ok) << c.text;
        EXPECT_EQ(why.substr(0, std::strlen(c.why)), c.why) << c.text;
        EXPECT_TRUE(got.sound.music == c.music && got.width == c.width) << c.text;
        if (c.ok && c.music == 3) {
            EXPECT_TRUE(got == mine);
        }
    }
}

TEST(Settings, KeptBesideTheRankingOrInTheConfigFolderAndWrittenOnlyOnChange) {
    const struct { const char *ranking, *xdg, *home, *want; } cases[] = {
        {"res/ranking.dat", "/x", "/h", "res/settings.ini"},
        {"/d/torvinel/ranking.dat", "/x", "/h", "/x/torvinel/settings.ini"},
        {"/d/torvinel/ranking.dat", "rel", "/h", "/h/.config/torvinel/settings.ini"},
        {"/d/torvinel/ranking.dat", nullptr, nullptr, ""},
        {"", "/x", "/h", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(SettingsPath(c.ranking, c.xdg, c.home), c.want) << c.ranking;

    // Written only when a setting changed; a damaged file is told once and left as it is until then.
    TempFolder folder;
    const std::string path = folder / "torvinel/settings.ini";
    Settings onDisk = LoadSettings(path), now = onDisk;
    EXPECT_TRUE(SaveSettingsIfChanged(path, now, onDisk));
    EXPECT_NE(::access(path.c_str(), F_OK), 0) << "nothing changed, nothing written";
    now.sound.effects = 4;
    EXPECT_TRUE(SaveSettingsIfChanged(path, now, onDisk) && onDisk == now && LoadSettings(path) == now);

    WriteFile(path, "[sound]\nmusic = loud\n");
    std::string said = Stderr([&] { onDisk = LoadSettings(path); });
    EXPECT_TRUE(onDisk == Settings{} && Lines(said) == 1) << said;
    EXPECT_NE(said.find("torvinel: the settings " + path + " are not the game's (line 2: music"), std::string::npos);
    now = onDisk;
    SaveSettingsIfChanged(path, now, onDisk);
    EXPECT_EQ(ReadFile(path), "[sound]\nmusic = loud\n");
    now.sound.muted = true;
    EXPECT_TRUE(SaveSettingsIfChanged(path, now, onDisk) && LoadSettings(path) == now);
}

// The overlay shows the changed level briefly.
TEST(SoundLevels, KeysStepWithinTheRangeAnyLevelKeyUnmutesAndTheOverlayShowsIt) {
    const struct { unsigned char key; SoundLevels before, after; } cases[] = {
        {'-', {10, 10, false}, {9, 10, false}},  {'=', {10, 4, false}, {10, 4, false}},
        {'+', {0, 4, true}, {1, 4, false}},      {'9', {5, 0, false}, {5, 0, false}},
        {'0', {5, 9, true}, {5, 10, false}},     {'m', {5, 9, false}, {5, 9, true}},
        {'M', {5, 9, true}, {5, 9, false}},      {'p', {5, 9, true}, {5, 9, true}},
    };
    for (const auto& c : cases) {
        const SoundLevels got = AdjustLevels(c.before, SoundKeyOf(c.key));
        EXPECT_TRUE(got.music == c.after.music && got.effects == c.after.effects && got.muted == c.after.muted) << c.key;
    }
    EXPECT_TRUE(MixerVolume(10, false) == 128 && MixerVolume(5, false) == 64 && MixerVolume(10, true) == 0);

    // The overlay names what changed, lights as many bars as the level, and goes after 90 ticks.
    const struct { SoundKey key; SoundLevels levels; OverlayLabel label; int bars, lit; } shown[] = {
        {SoundKey::MusicDown, {7, 2, false}, OverlayLabel::Music, 10, 7},
        {SoundKey::EffectsUp, {7, 2, false}, OverlayLabel::Effects, 10, 2},
        {SoundKey::Mute, {7, 2, true}, OverlayLabel::Muted, 0, 0},
        {SoundKey::Mute, {7, 2, false}, OverlayLabel::Music, 10, 7},
    };
    for (const auto& c : shown) {
        LevelOverlay overlay;
        ShowLevel(overlay, c.key, c.levels);
        OverlayLayout layout = LayoutOverlay(overlay, 1280, 720, 128, 28);
        EXPECT_TRUE(layout.label == c.label && layout.bars == c.bars && layout.lit == c.lit) << int(c.key);
        for (int t = 0; t < kOverlayTicks; ++t) StepOverlay(overlay);
        EXPECT_EQ(LayoutOverlay(overlay, 1280, 720, 128, 28).label, OverlayLabel::None);
    }
}

TEST(FullScreen, TheWindowComesBackAsItWasAndNeverBelowTheFloor) {
    const struct { WindowPlace kept, want; } cases[] = {
        {{100, 50, 800, 600}, {100, 50, 800, 600}},
        {{100, 50, 300, 200}, {100, 50, 512, 512}},
        {{1900, -40, 800, 600}, {1120, 0, 800, 600}},
    };
    for (const auto& c : cases) {
        const WindowPlace got = RestoredPlace(c.kept, 1920, 1080);
        EXPECT_TRUE(got.x == c.want.x && got.y == c.want.y && got.width == c.want.width && got.height == c.want.height)
            << got.x << "," << got.y << " " << got.width << "x" << got.height;
    }
    const WindowPlace centred = CentredPlace(1280, 720, 1920, 1080);
    EXPECT_TRUE(centred.x == 320 && centred.y == 180);
    EXPECT_TRUE(FocusPollDue(7, true) && FocusPollDue(30, false) && !FocusPollDue(31, false));
}

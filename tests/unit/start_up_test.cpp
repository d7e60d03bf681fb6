// Start-up decisions made before any window: which folder the game plays from, where the scores
// go, and what the command line asks for.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Export.h"
#include "platform/DataFolder.h"

TEST(StartUp, DataFolderAndScorePath) {
    // Working directory, beside the executable, relocated install, built-in folder.
    const auto places = [](bool cwd, bool beside, bool relocated, bool builtIn, const char* cwdReal) {
        return std::vector<DataPlace>{{"cwd", cwdReal, cwd, false},
                                      {"/b/bin", "/b/bin", beside, false},
                                      {"/b/share/torvinel", "/b/share/torvinel", relocated, true},
                                      {"/usr/share/games/torvinel", "/usr/share/games/torvinel", builtIn, true}};
    };
    struct Case {
        std::vector<DataPlace> places;
        const char* xdg;
        const char* home;
        bool found;
        const char* folder;
        const char* ranking;
    } cases[] = {
        // A checkout or build folder keeps its ranking beside its files, whatever the environment.
        {places(true, true, true, true, "/src"), "/x", "/h", true, "/src", "res/ranking.dat"},
        {places(false, true, true, true, "/src"), "/x", "/h", true, "/b/bin", "res/ranking.dat"},
        // Installed: the player's own data folder, XDG first, then HOME.
        {places(false, false, true, true, "/src"), "/x", "/h", true, "/b/share/torvinel", "/x/torvinel/ranking.dat"},
        {places(false, false, false, true, "/src"), nullptr, "/h", true, "/usr/share/games/torvinel",
         "/h/.local/share/torvinel/ranking.dat"},
        {places(false, false, false, true, "/src"), "relative", "/h", true, "/usr/share/games/torvinel",
         "/h/.local/share/torvinel/ranking.dat"},
        {places(false, false, false, true, "/src"), nullptr, nullptr, true, "/usr/share/games/torvinel", ""},
        {places(false, false, false, true, "/src"), "", "relative", true, "/usr/share/games/torvinel", ""},
        // Started inside the installed folder: still installed, never written to.
        {places(true, false, false, true, "/usr/share/games/torvinel"), nullptr, "/h", true,
         "/usr/share/games/torvinel", "/h/.local/share/torvinel/ranking.dat"},
        {places(false, false, false, false, "/src"), "/x", "/h", false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.folder << " " << (c.xdg ? c.xdg : "-") << " " << (c.home ? c.home : "-"));
        const DataChoice choice = ChooseDataFolder(c.places, c.xdg, c.home);
        EXPECT_EQ(choice.found, c.found);
        EXPECT_EQ(choice.folder, c.folder);
        EXPECT_EQ(choice.rankingPath, c.ranking);
    }
}

TEST(StartUp, CommandLine) {
    const struct {
        std::vector<const char*> args;
        bool windowed;
        CommandAction action;
        const char* problem;
        DemoMode demo;
        int width;
    } cases[] = {
        {{"torvinel"}, false, CommandAction::Play, "", DemoMode::None, 0},
        {{"torvinel", "-h", "--bogus"}, false, CommandAction::Help, "", DemoMode::None, 0},
        {{"torvinel", "--version"}, false, CommandAction::Version, "", DemoMode::None, 0},
        {{"torvinel", "--bogus", "--help"}, false, CommandAction::Refuse, "unknown option '--bogus'", DemoMode::None, 0},
        // GLUT's own X options are not passed on.
        {{"torvinel", "-display", ":1"}, false, CommandAction::Refuse, "unknown option '-display'", DemoMode::None, 0},
        {{"torvinel", "--record", "a.demo"}, false, CommandAction::Play, "", DemoMode::Record, 0},
        {{"torvinel", "--play"}, false, CommandAction::Refuse, "--play needs a FILE", DemoMode::None, 0},
        {{"torvinel", "--play", "a", "--record", "b"}, false, CommandAction::Refuse, "--record cannot be combined with --play", DemoMode::Play, 0},
        {{"w", "--size", "800x600", "--timedemo", "a"}, true, CommandAction::Play, "", DemoMode::TimeDemo, 800},
        {{"w", "--record", "a", "--size", "800x600"}, true, CommandAction::Refuse, "--record cannot be combined with --size", DemoMode::Record, 0},
        {{"w", "--size", "511x600"}, true, CommandAction::Refuse, "--size takes WIDTHxHEIGHT, each from 512 to 8192, not '511x600'", DemoMode::None, 0},
        {{"w", "--size", "8192x512"}, true, CommandAction::Play, "", DemoMode::None, 8192},
        // Strictly digits, x, digits, within the bounds: never a number wrapped round, a sign or a tail.
        {{"w", "--size", "4294967808x4294967808"}, true, CommandAction::Refuse, "--size takes WIDTHxHEIGHT, each from 512 to 8192, not '4294967808x4294967808'", DemoMode::None, 0},
        {{"w", "--size", "8193x600"}, true, CommandAction::Refuse, "--size takes WIDTHxHEIGHT, each from 512 to 8192, not '8193x600'", DemoMode::None, 0},
        {{"w", "--size", "+800x600"}, true, CommandAction::Refuse, "--size takes WIDTHxHEIGHT, each from 512 to 8192, not '+800x600'", DemoMode::None, 0},
        {{"w", "--size", "800x\033]0;hi"}, true, CommandAction::Refuse, "--size takes WIDTHxHEIGHT, each from 512 to 8192, not '800x\\x1b]0;hi'", DemoMode::None, 0},
        {{"torvinel", "--size", "800x600"}, false, CommandAction::Refuse, "--size is for the windowed game, torvinel-windowed, or --export", DemoMode::None, 0},
        // A video of either executable, as small as a thumbnail; its OUT is a second value.
        {{"torvinel", "--export", "a", "b.webm", "--size", "64x48"}, false, CommandAction::Refuse, "--size takes WIDTHxHEIGHT, each from 64 to 8192, not '64x48'", DemoMode::Play, 0},
        {{"torvinel", "--size", "64x64", "--export", "a", "b.webm"}, false, CommandAction::Play, "", DemoMode::Play, 64},
        {{"w", "--export", "a"}, true, CommandAction::Refuse, "--export needs a FILE and an OUT", DemoMode::None, 0},
        {{"w", "--export", "a", "b", "--play", "c"}, true, CommandAction::Refuse, "--play cannot be combined with --export", DemoMode::Play, 0},
    };
    for (const auto& c : cases) {
        const CommandChoice choice = ParseCommandLine(static_cast<int>(c.args.size()), c.args.data(), c.windowed);
        SCOPED_TRACE(c.args.back());
        EXPECT_EQ(choice.action, c.action);
        EXPECT_EQ(choice.problem, c.problem);
        EXPECT_EQ(choice.demo, c.demo);
        EXPECT_EQ(choice.width, c.width);
    }
    const char* video[] = {"torvinel", "--export", "a.demo", "b.webm"};
    EXPECT_EQ(ParseCommandLine(4, video, false).videoPath, "b.webm");
}

// The export's progress line: shown at the first and the last tick, and between them at most
// every kProgressMs, however fast the ticks go.
TEST(StartUp, ExportProgress) {
    EXPECT_EQ(ExportProgress(1200, 2401), "exporting 1200/2401 ticks (49%)");
    const struct { long done, total; unsigned now, shown; bool due; } cases[] = {
        {1, 2401, 5, 5, true}, {2, 2401, 5 + kProgressMs - 1, 5, false}, {2, 2401, 5 + kProgressMs, 5, true},
        {2401, 2401, 6, 5, true}, {9, 2401, 3, 0xfffffff0u, false}, {9, 2401, 240, 0xfffffff0u, true}};  // wrapped
    for (const auto& c : cases) EXPECT_EQ(ProgressDue(c.done, c.total, c.now, c.shown), c.due) << c.done << " " << c.now;
}

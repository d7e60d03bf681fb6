#include "app/CommandLine.h"

#include <cstring>
#include <string_view>

#include "platform/Decimal.h"

namespace {

bool SizeFrom(const char* text, int& width, int& height) {
    const std::string_view size(text);
    const std::size_t x = size.find('x');
    int w = 0, h = 0;
    if (x == std::string_view::npos || !ReadInt(size.substr(0, x), Signs::None, kMinVideoSide, kMaxWindowSide, w) ||
        !ReadInt(size.substr(x + 1), Signs::None, kMinVideoSide, kMaxWindowSide, h))
        return false;
    width = w, height = h;
    return true;
}

CommandChoice Refuse(CommandChoice choice, std::string problem) {
    choice.action = CommandAction::Refuse;
    choice.problem = std::move(problem);
    return choice;
}

}  // namespace

CommandChoice ParseCommandLine(int argc, const char* const* argv, bool windowed) {
    CommandChoice choice;
    if (argc < 2) return choice;
    const char* first = argv[1];
    if (std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0) {
        choice.action = CommandAction::Help;
        return choice;
    }
    if (std::strcmp(first, "--version") == 0) {
        choice.action = CommandAction::Version;
        return choice;
    }
    static const struct { const char* name; DemoMode demo; } demoOptions[] = {
        {"--record", DemoMode::Record}, {"--play", DemoMode::Play}, {"--timedemo", DemoMode::TimeDemo},
        {"--export", DemoMode::Play}, {"--play-rank", DemoMode::Play}};
    const char* demoName = nullptr;
    const char* sizeValue = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        DemoMode demo = DemoMode::None;
        for (const auto& option : demoOptions)
            if (std::strcmp(arg, option.name) == 0) demo = option.demo;
        const bool size = std::strcmp(arg, "--size") == 0;
        const bool video = std::strcmp(arg, "--export") == 0;
        const bool rank = std::strcmp(arg, "--play-rank") == 0;
        if (demo == DemoMode::None && !size) return Refuse(choice, "unknown option " + Quoted(arg));
        if (i + 1 >= argc || argv[i + 1][0] == '\0' || (video && (i + 2 >= argc || argv[i + 2][0] == '\0')))
            return Refuse(choice, std::string(arg) + (size    ? " needs WIDTHxHEIGHT"
                                                      : video ? " needs a FILE and an OUT"
                                                      : rank  ? " needs a place, 1 to 8"
                                                              : " needs a FILE"));
        const char* value = argv[++i];
        if (size) {
            if (sizeValue != nullptr) return Refuse(choice, "--size is given twice");
            sizeValue = value;
        } else {
            if (demoName != nullptr)
                return Refuse(choice, std::string(arg) + " cannot be combined with " + demoName);
            demoName = arg;
            choice.demo = demo;
            choice.demoPath = value;
            if (video) choice.videoPath = argv[++i];
            if (rank && (value[0] < '1' || value[0] > '8' || value[1] != '\0'))
                return Refuse(choice, "--play-rank takes a place of the ranking, 1 to 8, not " + Quoted(value));
            if (rank) choice.rankPlace = value[0] - '0', choice.demoPath.clear();
        }
    }
    if (sizeValue == nullptr) return choice;
    const bool video = !choice.videoPath.empty();
    if (!video && !windowed) return Refuse(choice, "--size is for the windowed game, torvinel-windowed, or --export");
    if (!video && (choice.demo == DemoMode::Record || choice.demo == DemoMode::Play))
        return Refuse(choice, std::string(demoName) + " cannot be combined with --size");
    const int least = video ? kMinVideoSide : kMinWindowSide;
    int width = 0, height = 0;
    if (!SizeFrom(sizeValue, width, height) || width < least || height < least)
        return Refuse(choice, "--size takes WIDTHxHEIGHT, each from " + std::to_string(least) + " to " +
                                  std::to_string(kMaxWindowSide) + ", not " + Quoted(sizeValue));
    choice.width = width, choice.height = height;
    return choice;
}

void PrintUsage(std::FILE* out, const char* program) {
    std::fprintf(out,
                 "Usage: %s [--help | --version | --record FILE | --play FILE | --play-rank N |\n"
                 "        --timedemo FILE | --export FILE OUT] [--size WIDTHxHEIGHT]\n"
                 "\n"
                 "Torvinel: faceted gems fall down a scrolling tube towards you; turn the view, turn\n"
                 "and lift the blade, and slice every gem it strikes. Each cut scores a point and buys\n"
                 "time; the eight best scores make the ranking. torvinel starts full screen (or as you\n"
                 "left it), torvinel-windowed in a window (1280 x 720, or the size you left it).\n"
                 "\n"
                 "Keys:\n"
                 "  Left, Right    turn the view (in a game, the blade turns with it)\n"
                 "  Up, Down       lift or lower the blade; the stream speeds up or slows down;\n"
                 "                 on the ranking, choose a place\n"
                 "  a, d           turn the blade\n"
                 "  Space          start a game; on the ranking, skip the banner, then back to the title\n"
                 "  p              end the game now\n"
                 "  r              on the ranking, play the run of the place Up and Down chose\n"
                 "                 (Enter pause, Right/Left faster/slower, Escape back)\n"
                 "  Enter          pause or resume the game (it pauses, too, when the window loses\n"
                 "                 the keyboard)\n"
                 "  - / =          music softer / louder\n"
                 "  9 / 0          effects softer / louder\n"
                 "  m              mute or unmute all sound\n"
                 "  F11, Alt+Enter full screen or window\n"
                 "  Escape (hold)  quit\n"
                 "\n"
                 "Game controllers (any pad SDL knows, plugged in at any time; several play at once):\n"
                 "  left stick, d-pad              as the arrow keys\n"
                 "  left / right shoulder button   as a / d\n"
                 "  A (bottom button)              as Space\n"
                 "  Start                          as Space, and in a game pause or resume\n"
                 "  Y (top button)                 as p\n"
                 "  X (left button)                as r\n"
                 "  Back (hold)                    quit\n"
                 "Mappings of your own: $XDG_CONFIG_HOME/torvinel/gamecontrollerdb.txt\n"
                 "(~/.config/torvinel/...) or SDL_GAMECONTROLLERCONFIG.\n"
                 "\n"
                 "Options:\n"
                 "  -h, --help        show this help and exit\n"
                 "      --version     show the version and exit\n"
                 "      --record FILE play, and record the whole run into the demo FILE\n"
                 "      --play FILE   play the demo FILE back (hold Escape or Back to leave); your\n"
                 "                    ranking is left alone\n"
                 "      --play-rank N play the run that made place N (1 to 8) of the ranking; every\n"
                 "                    game's run is kept beside the ranking, in replays/\n"
                 "      --timedemo FILE\n"
                 "                    play the demo FILE as fast as the machine allows, silently, and\n"
                 "                    print one line of figures; exit status 3 if it went out of step\n"
                 "      --export FILE OUT\n"
                 "                    render the demo FILE offscreen to the video OUT (WebM: VP8 and\n"
                 "                    Opus, a frame a tick at 62.5 frames a second, with the game's\n"
                 "                    music and cuts at your sound levels); 1280 x 720 unless --size\n"
                 "                    says otherwise, each side from 64 to 8192\n"
                 "      --size WIDTHxHEIGHT\n"
                 "                    (torvinel-windowed) open the window at this size, each side from\n"
                 "                    512 to 8192, alone or with --timedemo; or the size of --export\n"
                 "\n"
                 "Scores: an installed game keeps them in $XDG_DATA_HOME/torvinel/ranking.dat\n"
                 "(~/.local/share/torvinel/ranking.dat when XDG_DATA_HOME is unset); a game run from\n"
                 "its build folder keeps res/ranking.dat beside its files. The sound levels, mute, full\n"
                 "screen or window and the window's size are kept in $XDG_CONFIG_HOME/torvinel/settings.ini\n"
                 "(~/.config/torvinel/settings.ini), or res/settings.ini beside the ranking. See torvinel(6).\n",
                 program);
}

const char* GameVersion() { return TORVINEL_VERSION; }

void PrintVersion(std::FILE* out, const char* program) {
    std::fprintf(out,
                 "%s %s\n"
                 "Copyright (c) %s\n"
                 "Released under the MIT licence: free to use, copy, change and share, with no warranty.\n",
                 program, TORVINEL_VERSION, TORVINEL_COPYRIGHT);
}

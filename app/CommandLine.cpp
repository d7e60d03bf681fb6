#include "app/CommandLine.h"

#include <cstring>

CommandChoice ParseCommandLine(int argc, const char* const* argv) {
    CommandChoice choice;
    if (argc < 2) return choice;
    const char* arg = argv[1];
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
        choice.action = CommandAction::Help;
    } else if (std::strcmp(arg, "--version") == 0) {
        choice.action = CommandAction::Version;
    } else {
        choice.action = CommandAction::Refuse;
        choice.refused = arg;
    }
    return choice;
}

void PrintUsage(std::FILE* out, const char* program) {
    std::fprintf(out,
                 "Usage: %s [--help | --version]\n"
                 "\n"
                 "Torvinel: faceted gems fall down a scrolling tube towards you; turn the view, turn\n"
                 "and lift the blade, and slice every gem it strikes. Each cut scores a point and buys\n"
                 "time; the eight best scores make the ranking. torvinel plays full screen,\n"
                 "torvinel-windowed in a 1280 x 720 window.\n"
                 "\n"
                 "Keys:\n"
                 "  Left, Right    turn the view (in a game, the blade turns with it)\n"
                 "  Up, Down       lift or lower the blade; the stream speeds up or slows down\n"
                 "  a, d           turn the blade\n"
                 "  Space          start a game; on the ranking, skip the banner, then back to the title\n"
                 "  p              end the game now\n"
                 "  Escape (hold)  quit\n"
                 "\n"
                 "Options:\n"
                 "  -h, --help     show this help and exit\n"
                 "      --version  show the version and exit\n"
                 "\n"
                 "Scores: an installed game keeps them in $XDG_DATA_HOME/torvinel/ranking.dat\n"
                 "(~/.local/share/torvinel/ranking.dat when XDG_DATA_HOME is unset); a game run from\n"
                 "its build folder keeps res/ranking.dat beside its files. See torvinel(6).\n",
                 program);
}

void PrintVersion(std::FILE* out, const char* program) {
    std::fprintf(out,
                 "%s %s\n"
                 "Copyright (c) %s\n"
                 "Released under the MIT licence: free to use, copy, change and share, with no warranty.\n",
                 program, TORVINEL_VERSION, TORVINEL_COPYRIGHT);
}

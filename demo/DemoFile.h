#pragma once
// A demo: what the game needs to play a run again, kept as text a person can read and diff.
//
//   torvinel-demo 2
//   # torvinel-windowed 1.1.0, window 1280x720
//   seed 1765099123
//   table 9 7 5 3 1 0 0 0
//   0 check title angle=0 speed=0 gems=27 field=3f9a21c0 run=0be1d2f4
//   61 +space
//   62 -space
//   62 check game angle=0 speed=0 gems=27 field=0be1d2f4 score=0 time=359 blade=0/0 sparks=0 run=77a0c312
//   ...
//   4321 end scores=12,7 table=12,9,7,7,5,3,1,0
//
// After the header (the seed of the random stream, the ranking table at start), every line
// starts with the tick it belongs to, in order: a tick's changes of the keys the scenes read
// ("+name" down, "-name" up), a check of the game's state (every 60 ticks and at every scene
// switch), the ranking table whenever the board's table changed, and last the end with every
// game's score and the final table. Ticks without a change have no line.
//
// A demo is shared: it may come from anyone. Everything in it is read into the game's own
// fixed-size values through the checks here, and anything else is refused.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "input/Input.h"

enum class DemoMode { None, Record, Play, TimeDemo };

// Format 1 (version 1.1.0) checks the state at every 60th tick and every switch; format 2 adds
// to each check `run`, a hash of the whole state of every tick since the start.
inline constexpr int kDemoFormat = 2;
inline constexpr int kOldestDemoFormat = 1;
inline constexpr const char* kDemoMagic = "torvinel-demo";
// A state check is written every this many ticks, so a whole demo never goes longer without a
// line; a longer gap means a damaged file.
inline constexpr long kDemoCheckEvery = 60;
// Far more than an hour of play, far less than anything that could fill the memory.
inline constexpr std::size_t kMaxDemoBytes = 16 * 1024 * 1024;

// The ranking's eight places.
using RankingRow = std::array<int, 8>;

struct KeyChange {
    std::uint16_t slot;  // 0..255 a key, 256..259 the arrows (up, down, right, left)
    bool down;
};

// A tick's lines come in this order, each kind at most once.
enum class DemoLineKind : std::uint8_t { Keys, Check, Table, End };

// One line of play; what it holds is in the demo's lists, so a line costs a few bytes whatever
// the file says.
struct DemoLine {
    std::int32_t tick = 0;
    DemoLineKind kind = DemoLineKind::Keys;
    std::uint16_t count = 0;  // Keys: how many changes
    std::uint32_t at = 0;     // Keys: the first in Demo::keys; Check: in Demo::checks; Table: in Demo::tables
};

struct Demo {
    int format = kDemoFormat;
    unsigned seed = 0;
    RankingRow table{};  // the ranking when the run started
    std::vector<DemoLine> lines;
    std::vector<KeyChange> keys;
    std::vector<std::string> checks;  // what follows "check ", every field checked
    std::vector<RankingRow> tables;
    std::vector<int> scores;  // the end: each game's score, in order
    RankingRow endTable{};    // the end: the last table
    bool ended = false;       // the run's end was recorded; otherwise it was cut short
    long lastTick = 0;        // the last tick the recording played
};

// The name of a key slot in a demo: "space", "escape", "up", "a", "code13".
std::string KeySlotName(int slot);

// "+space -left": what changed from `before` to `after`, keys then arrows; empty when nothing did.
std::string KeyChanges(const KeySet& before, const KeySet& after);

// Applies a keys line's changes to a key set.
void ApplyKeyChanges(KeySet& keys, const Demo& demo, const DemoLine& line);

// Reads a whole demo of any format this game plays. On failure, `why` says what is wrong and
// where, in one line, without the file's name. A last line without its line break is what a run
// killed while writing leaves: it is dropped.
bool ParseDemo(const std::string& text, Demo& demo, std::string& why);

// The words of a demo's line, as the spaces part them.
std::vector<std::string> DemoWords(const std::string& line);

// The places as the demo writes them, with a separator: "12 9 7" or "12,9,7".
std::string JoinNumbers(const int* values, std::size_t count, char separator);

// A word from a file or a command line, fit to be shown to the player: in quotes, clipped to a
// few dozen characters, with control and non-ASCII bytes written as \xNN.
std::string Quoted(const std::string& word);

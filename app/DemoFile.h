#pragma once
// A demo: what the game needs to play a run again, kept as text a person can read and diff.
//
//   torvinel-demo 1
//   # torvinel-windowed 1.1.0, window 1280x720
//   seed 1765099123
//   table 9 7 5 3 1 0 0 0
//   0 check title angle=0 speed=0 gems=27 field=3f9a21c0
//   61 +space
//   62 -space
//   62 check game angle=0 speed=0 gems=27 field=0be1d2f4 score=0 time=359 blade=0/0 sparks=0
//   ...
//   4321 end scores=12,7 table=12,9,7,7,5,3,1,0
//
// After the header (the seed of the random stream, the ranking table at start), every line
// starts with the tick it belongs to, in order: a tick's changes of the keys the scenes read
// ("+name" down, "-name" up), a check of the game's state (every 60 ticks and at every scene
// switch), the ranking table whenever the board's table changed, and last the end with every
// game's score and the final table. Ticks without a change have no line.
#include <string>
#include <vector>

#include "app/Input.h"

enum class DemoMode { None, Record, Play, TimeDemo };

inline constexpr int kDemoFormat = 1;
inline constexpr const char* kDemoMagic = "torvinel-demo";
// A state check is written every this many ticks, so a whole demo never goes longer without a
// line; a longer gap means a damaged file.
inline constexpr long kDemoCheckEvery = 60;
// Far more than an hour of play, far less than anything that could fill the memory.
inline constexpr std::size_t kMaxDemoBytes = 16 * 1024 * 1024;

struct KeyChange {
    int slot;    // 0..255 a key, 256..259 the arrows (up, down, right, left)
    bool down;
};

enum class DemoLineKind { Keys, Check, Table, End };

struct DemoLine {
    long tick = 0;
    DemoLineKind kind = DemoLineKind::Keys;
    std::vector<KeyChange> keys;  // Keys
    std::string check;            // Check: the text after "check "
    std::vector<int> table;       // Table and End: eight places
    std::vector<int> scores;      // End: each game's score, in order
};

struct Demo {
    unsigned seed = 0;
    std::vector<int> table;  // eight places
    std::vector<DemoLine> lines;
    bool ended = false;  // the run's end was recorded; otherwise it was cut short
    long lastTick = 0;   // the last tick the recording played
};

// The name of a key slot in a demo: "space", "escape", "up", "a", "code13".
std::string KeySlotName(int slot);

// "+space -left": what changed from `before` to `after`, keys then arrows; empty when nothing did.
std::string KeyChanges(const KeySet& before, const KeySet& after);

// Applies one line's changes to a key set.
void ApplyKeyChanges(KeySet& keys, const std::vector<KeyChange>& changes);

// Reads a whole demo. On failure, `why` says what is wrong and where, without the file's name.
// A last line without its line break is what a run killed while writing leaves: it is dropped.
bool ParseDemo(const std::string& text, Demo& demo, std::string& why);

// The words of a demo's line, as the spaces part them.
std::vector<std::string> DemoWords(const std::string& line);

// The eight places as the demo writes them, with a separator: "12 9 7" or "12,9,7".
std::string JoinNumbers(const std::vector<int>& values, char separator);

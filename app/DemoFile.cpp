#include "app/DemoFile.h"

#include <cctype>
#include <climits>
#include <cstring>

namespace {

constexpr int kArrowSlot = 256;
const char* const kArrowNames[4] = {"up", "down", "right", "left"};
// Ticks past this (about seven months of play) are taken for damage.
constexpr long long kMaxTick = 1000000000;

}  // namespace

std::vector<std::string> DemoWords(const std::string& line) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && line[at] == ' ') ++at;
        const std::size_t start = at;
        while (at < line.size() && line[at] != ' ') ++at;
        if (at > start) words.push_back(line.substr(start, at - start));
    }
    return words;
}

namespace {

// A decimal integer, all of the text, within [low, high].
bool Number(const std::string& text, long long low, long long high, long long& value) {
    std::size_t at = text.size() > 1 && text[0] == '-' ? 1 : 0;
    if (at == text.size()) return false;
    long long magnitude = 0;
    for (; at < text.size(); ++at) {
        if (!std::isdigit(static_cast<unsigned char>(text[at]))) return false;
        magnitude = magnitude * 10 + (text[at] - '0');
        if (magnitude > 10000000000LL) return false;  // far out of any range asked for
    }
    value = text[0] == '-' ? -magnitude : magnitude;
    return value >= low && value <= high;
}

int SlotNamed(const std::string& name) {
    for (int i = 0; i < 4; ++i)
        if (name == kArrowNames[i]) return kArrowSlot + i;
    if (name == "space") return ' ';
    if (name == "escape") return 27;
    if (name.size() == 1 && name[0] > ' ' && name[0] < 127) return static_cast<unsigned char>(name[0]);
    long long code = 0;
    if (name.compare(0, 4, "code") == 0 && Number(name.substr(4), 0, 255, code)) return static_cast<int>(code);
    return -1;
}

// "name=1,2,3" into its numbers; an empty list is allowed.
bool NumberList(const std::string& word, const char* name, std::vector<int>& values) {
    const std::size_t length = std::strlen(name);
    if (word.compare(0, length, name) != 0 || word.size() <= length || word[length] != '=') return false;
    std::size_t at = length + 1;
    while (at < word.size()) {
        std::size_t comma = word.find(',', at);
        if (comma == std::string::npos) comma = word.size();
        long long value = 0;
        if (!Number(word.substr(at, comma - at), INT_MIN, INT_MAX, value)) return false;
        values.push_back(static_cast<int>(value));
        at = comma + 1;
    }
    return true;
}

bool Table(const std::vector<std::string>& words, std::size_t from, std::vector<int>& table) {
    if (words.size() != from + 8) return false;
    for (std::size_t i = from; i < words.size(); ++i) {
        long long value = 0;
        if (!Number(words[i], INT_MIN, INT_MAX, value)) return false;
        table.push_back(static_cast<int>(value));
    }
    return true;
}

}  // namespace

std::string KeySlotName(int slot) {
    if (slot >= kArrowSlot) return kArrowNames[slot - kArrowSlot];
    if (slot == ' ') return "space";
    if (slot == 27) return "escape";
    if (slot > ' ' && slot < 127) return std::string(1, static_cast<char>(slot));
    return "code" + std::to_string(slot);
}

std::string KeyChanges(const KeySet& before, const KeySet& after) {
    std::string text;
    auto add = [&](int slot, bool down) {
        if (!text.empty()) text += ' ';
        text += (down ? '+' : '-') + KeySlotName(slot);
    };
    for (int k = 0; k < 256; ++k)
        if ((before.keys[k] != 0) != (after.keys[k] != 0)) add(k, after.keys[k] != 0);
    for (int a = 0; a < 4; ++a)
        if ((before.arrows[a] != 0) != (after.arrows[a] != 0)) add(kArrowSlot + a, after.arrows[a] != 0);
    return text;
}

void ApplyKeyChanges(KeySet& keys, const std::vector<KeyChange>& changes) {
    for (const KeyChange& change : changes) {
        unsigned char& byte = change.slot >= kArrowSlot ? keys.arrows[change.slot - kArrowSlot] : keys.keys[change.slot];
        byte = change.down ? 1 : 0;
    }
}

std::string JoinNumbers(const std::vector<int>& values, char separator) {
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) text += separator;
        text += std::to_string(values[i]);
    }
    return text;
}

bool ParseDemo(const std::string& text, Demo& demo, std::string& why) {
    demo = Demo{};
    bool seeded = false, started = false;
    long previous = 0;
    int number = 0;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string where = "line " + std::to_string(++number) + ": ";
        if (line.find('\0') != std::string::npos) return why = where + "holds a NUL byte", false;
        const std::vector<std::string> words = DemoWords(line);
        if (number == 1) {
            long long version = 0;
            if (words.size() != 2 || words[0] != kDemoMagic) return why = "not a Torvinel demo", false;
            if (!Number(words[1], 0, INT_MAX, version)) return why = where + "the format is not a number", false;
            if (version != kDemoFormat)
                return why = "a demo of format " + words[1] + "; this game plays format " + std::to_string(kDemoFormat), false;
            continue;
        }
        if (words.empty() || words[0][0] == '#') continue;
        if (demo.ended) return why = where + "more after the end", false;
        long long tick = 0;
        if (!started && words[0] == "seed") {
            long long seed = 0;
            if (words.size() != 2 || !Number(words[1], 0, UINT_MAX, seed)) return why = where + "the seed is not a number from 0 to 4294967295", false;
            demo.seed = static_cast<unsigned>(seed);
            seeded = true;
            continue;
        }
        if (!started && words[0] == "table") {
            if (!Table(words, 1, demo.table)) return why = where + "the table needs eight whole numbers", false;
            continue;
        }
        if (!Number(words[0], 0, kMaxTick, tick)) return why = where + "expected a tick number from 0 to 1000000000", false;
        if (!seeded || demo.table.empty()) return why = where + "play before the seed and the table", false;
        if (words.size() < 2) return why = where + "a tick with nothing in it", false;
        if (tick < previous) return why = where + "tick " + words[0] + " comes after tick " + std::to_string(previous), false;
        if (tick - (started ? previous : 0) > kDemoCheckEvery)
            return why = where + "no check between tick " + std::to_string(previous) + " and tick " + words[0], false;
        started = true;
        previous = static_cast<long>(tick);
        DemoLine entry;
        entry.tick = previous;
        if (words[1] == "check") {
            if (words.size() < 3) return why = where + "an empty check", false;
            entry.kind = DemoLineKind::Check;
            for (std::size_t i = 2; i < words.size(); ++i) entry.check += (i > 2 ? " " : "") + words[i];
        } else if (words[1] == "table") {
            entry.kind = DemoLineKind::Table;
            if (!Table(words, 2, entry.table)) return why = where + "the table needs eight whole numbers", false;
        } else if (words[1] == "end") {
            entry.kind = DemoLineKind::End;
            if (words.size() != 4 || !NumberList(words[2], "scores", entry.scores) ||
                !NumberList(words[3], "table", entry.table) || entry.table.size() != 8)
                return why = where + "the end needs scores=... and a table of eight", false;
            demo.ended = true;
        } else {
            for (std::size_t i = 1; i < words.size(); ++i) {
                const std::string& word = words[i];
                const int slot = word.size() > 1 && (word[0] == '+' || word[0] == '-') ? SlotNamed(word.substr(1)) : -1;
                if (slot < 0) return why = where + "unknown key change '" + word + "'", false;
                entry.keys.push_back({slot, word[0] == '+'});
            }
        }
        demo.lines.push_back(std::move(entry));
    }
    if (number == 0) return why = "not a Torvinel demo", false;
    if (!started) return why = "holds no play", false;
    demo.lastTick = previous;
    return true;
}

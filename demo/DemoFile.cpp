#include "demo/DemoFile.h"

#include <bitset>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Decimal.h"

namespace {

constexpr int kArrowSlot = 256;
constexpr int kSlots = kArrowSlot + 4;
const char* const kArrowNames[4] = {"up", "down", "right", "left"};
// Ticks past this (about seven months of play) are taken for damage.
constexpr long long kMaxTick = 1000000000;

// A decimal integer, all of the text, within [low, high]: the format writes '-' and never '+'.
bool Number(const std::string& text, long long low, long long high, long long& value) {
    return ReadDecimal(text, Signs::Minus, low, high, value) == DecimalRead::Read;
}

bool IntNumber(const std::string& text, int& value) { return ReadInt(text, Signs::Minus, INT_MIN, INT_MAX, value); }

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
    for (std::size_t at = length + 1; at < word.size();) {
        std::size_t comma = word.find(',', at);
        if (comma == std::string::npos) comma = word.size();
        int value = 0;
        if (!IntNumber(word.substr(at, comma - at), value)) return false;
        values.push_back(value);
        at = comma + 1;
        if (at == word.size()) return false;  // a list may not end on a comma
    }
    return true;
}

bool Row(const std::vector<int>& values, RankingRow& row) {
    if (values.size() != row.size()) return false;
    std::copy(values.begin(), values.end(), row.begin());
    return true;
}

bool TableWords(const std::vector<std::string>& words, std::size_t from, RankingRow& row) {
    if (words.size() != from + row.size()) return false;
    for (std::size_t i = 0; i < row.size(); ++i)
        if (!IntNumber(words[from + i], row[i])) return false;
    return true;
}

// What a check line holds, field by field, as the game writes it.
enum class Value { Angle, Count, Int, Float, Hash, Blade };

struct Field {
    const char* name;
    Value value;
};

const Field kStreamFields[] = {{"angle", Value::Angle}, {"speed", Value::Float}, {"gems", Value::Count}, {"field", Value::Hash}};
const Field kGameFields[] = {{"score", Value::Int}, {"time", Value::Int}, {"blade", Value::Blade}, {"sparks", Value::Count}};
const Field kRankingFields[] = {{"score", Value::Int}, {"banner", Value::Int}, {"slide", Value::Int}};
const Field kRunField = {"run", Value::Hash};

bool FloatText(const std::string& text) {
    if (text.empty() || text.size() > 24 || text.find_first_not_of("0123456789.e+-") != std::string::npos) return false;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return *end == '\0' && std::isfinite(value);
}

bool Valid(Value kind, const std::string& text) {
    long long ignored = 0;
    switch (kind) {
        case Value::Angle: return Number(text, 0, 359, ignored);
        case Value::Count: return Number(text, 0, INT_MAX, ignored);
        case Value::Int: return Number(text, INT_MIN, INT_MAX, ignored);
        case Value::Float: return FloatText(text);
        case Value::Hash: return text.size() == 8 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
        case Value::Blade: {
            const std::size_t slash = text.find('/');
            return slash != std::string::npos && Valid(Value::Angle, text.substr(0, slash)) &&
                   FloatText(text.substr(slash + 1));
        }
    }
    return false;
}

const char* Shape(Value kind) {
    switch (kind) {
        case Value::Angle: return "0..359";
        case Value::Count: return "a count";
        case Value::Int: return "a whole number";
        case Value::Float: return "a number";
        case Value::Hash: return "8 hex digits";
        case Value::Blade: return "TURN/LIFT";
    }
    return "";
}

// The check's words after "check", against what the scene's check holds in this format; the
// stored text is those words as the game writes them.
bool CheckWords(const std::vector<std::string>& words, int format, std::string& check, bool& ranking, std::string& why) {
    std::vector<Field> fields(std::begin(kStreamFields), std::end(kStreamFields));
    const std::string& scene = words[2];
    ranking = scene == "ranking";
    if (scene == "game") fields.insert(fields.end(), std::begin(kGameFields), std::end(kGameFields));
    if (ranking) fields.insert(fields.end(), std::begin(kRankingFields), std::end(kRankingFields));
    if (scene != "title" && scene != "game" && !ranking) return why = "no scene " + Quoted(scene), false;
    if (format >= 2) fields.push_back(kRunField);
    check = scene;
    std::size_t i = 3;
    for (const Field& field : fields) {
        const std::string expected = std::string(field.name) + "=" + Shape(field.value);
        if (i == words.size()) return why = "the check ends before its " + expected, false;
        const std::string& word = words[i++];
        const std::size_t length = std::strlen(field.name);
        if (word.compare(0, length, field.name) != 0 || word.size() <= length || word[length] != '=' ||
            !Valid(field.value, word.substr(length + 1)))
            return why = "expected " + expected + " in the check, not " + Quoted(word), false;
        check += " " + word;
    }
    if (i < words.size()) return why = "more in the check than a " + scene + " check holds: " + Quoted(words[i]), false;
    return true;
}

const char* KindName(DemoLineKind kind) {
    switch (kind) {
        case DemoLineKind::Keys: return "keys";
        case DemoLineKind::Check: return "check";
        case DemoLineKind::Table: return "table";
        case DemoLineKind::End: return "end";
    }
    return "";
}

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

std::string Quoted(const std::string& word) {
    constexpr std::size_t kShown = 40;
    std::string out = "'";
    for (std::size_t i = 0; i < word.size() && i < kShown; ++i) {
        const unsigned char c = static_cast<unsigned char>(word[i]);
        if (c < 0x20 || c >= 0x7f || c == '\\' || c == '\'') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    if (word.size() > kShown) out += "...";
    return out + "'";
}

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

void ApplyKeyChanges(KeySet& keys, const Demo& demo, const DemoLine& line) {
    for (std::size_t i = line.at; i < line.at + line.count && i < demo.keys.size(); ++i) {
        const KeyChange& change = demo.keys[i];
        unsigned char& byte = change.slot >= kArrowSlot ? keys.arrows[(change.slot - kArrowSlot) % 4] : keys.keys[change.slot % 256];
        byte = change.down ? 1 : 0;
    }
}

std::string JoinNumbers(const int* values, std::size_t count, char separator) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0) text += separator;
        text += std::to_string(values[i]);
    }
    return text;
}

bool ParseDemo(const std::string& text, Demo& demo, std::string& why) {
    demo = Demo{};
    bool seeded = false, tabled = false, started = false;
    long previous = 0;
    DemoLineKind previousKind = DemoLineKind::Keys;
    std::size_t rankingChecks = 0;
    long number = 0;
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
            if (version < kOldestDemoFormat || version > kDemoFormat)
                return why = "a demo of format " + words[1] + "; this game plays formats " + std::to_string(kOldestDemoFormat) +
                             " to " + std::to_string(kDemoFormat), false;
            demo.format = static_cast<int>(version);
            continue;
        }
        if (words.empty() || words[0][0] == '#') continue;
        if (demo.ended) return why = where + "more after the end", false;
        if (words[0] == "seed" || words[0] == "table") {
            const bool seed = words[0] == "seed";
            bool& given = seed ? seeded : tabled;
            if (started) return why = where + "the " + words[0] + " belongs before the first tick", false;
            if (given) return why = where + "a second " + words[0], false;
            given = true;
            long long value = 0;
            if (seed && (words.size() != 2 || !Number(words[1], 0, UINT_MAX, value)))
                return why = where + "the seed is not a number from 0 to 4294967295", false;
            if (!seed && !TableWords(words, 1, demo.table)) return why = where + "the table needs eight whole numbers", false;
            if (seed) demo.seed = static_cast<unsigned>(value);
            continue;
        }
        long long tick = 0;
        if (!Number(words[0], 0, kMaxTick, tick)) return why = where + "expected a tick number from 0 to 1000000000, not " + Quoted(words[0]), false;
        if (!seeded || !tabled) return why = where + "play before the seed and the table", false;
        if (words.size() < 2) return why = where + "a tick with nothing in it", false;
        if (tick < previous) return why = where + "tick " + words[0] + " comes after tick " + std::to_string(previous), false;
        if (tick - (started ? previous : 0) > kDemoCheckEvery)
            return why = where + "no check between tick " + std::to_string(previous) + " and tick " + words[0], false;

        DemoLine entry;
        entry.tick = static_cast<std::int32_t>(tick);
        const std::string& kind = words[1];
        if (kind == "check") {
            entry.kind = DemoLineKind::Check;
            std::string check, problem;
            bool ranking = false;
            if (words.size() < 3) return why = where + "an empty check", false;
            if (!CheckWords(words, demo.format, check, ranking, problem)) return why = where + problem, false;
            rankingChecks += ranking ? 1 : 0;
            entry.at = static_cast<std::uint32_t>(demo.checks.size());
            demo.checks.push_back(std::move(check));
        } else if (kind == "table") {
            entry.kind = DemoLineKind::Table;
            RankingRow row{};
            if (!TableWords(words, 2, row)) return why = where + "the table needs eight whole numbers", false;
            entry.at = static_cast<std::uint32_t>(demo.tables.size());
            demo.tables.push_back(row);
        } else if (kind == "end") {
            entry.kind = DemoLineKind::End;
            std::vector<int> last;
            if (words.size() != 4 || !NumberList(words[2], "scores", demo.scores) ||
                !NumberList(words[3], "table", last) || !Row(last, demo.endTable))
                return why = where + "the end needs scores=... and a table of eight", false;
            // Each game's score is taken as its ranking starts, and that is always checked.
            if (demo.scores.size() > rankingChecks) return why = where + "the end names more games than were played", false;
            demo.ended = true;
        } else {
            std::bitset<kSlots> named;
            entry.at = static_cast<std::uint32_t>(demo.keys.size());
            for (std::size_t i = 1; i < words.size(); ++i) {
                const std::string& word = words[i];
                const int slot = word.size() > 1 && (word[0] == '+' || word[0] == '-') ? SlotNamed(word.substr(1)) : -1;
                if (slot < 0) return why = where + "unknown key change " + Quoted(word), false;
                if (named[slot]) return why = where + "the key " + Quoted(word.substr(1)) + " changes twice in one tick", false;
                named[slot] = true;
                demo.keys.push_back({static_cast<std::uint16_t>(slot), word[0] == '+'});
            }
            entry.count = static_cast<std::uint16_t>(words.size() - 1);
        }
        // One tick's lines are read in this order by playback: keys before the scenes step,
        // the rest after. Anything else would be passed over.
        if (started && tick == previous && entry.kind <= previousKind)
            return why = where + "a " + KindName(entry.kind) + " line after the " + KindName(previousKind) +
                         " line of tick " + words[0] + " (a tick's lines come as keys, check, table, end, each once)", false;
        started = true;
        previous = static_cast<long>(tick);
        previousKind = entry.kind;
        demo.lines.push_back(entry);
    }
    if (number == 0) return why = "not a Torvinel demo", false;
    if (!started) return why = "holds no play", false;
    demo.lastTick = previous;
    return true;
}

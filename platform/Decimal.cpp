#include "platform/Decimal.h"

DecimalRead ReadDecimal(std::string_view text, Signs signs, long long low, long long high, long long& value) {
    const bool negative = !text.empty() && text[0] == '-' && signs != Signs::None;
    const std::size_t first = negative || (!text.empty() && text[0] == '+' && signs == Signs::Either) ? 1 : 0;
    if (first == text.size()) return DecimalRead::NotANumber;
    long long magnitude = 0;
    bool tooLong = false;
    for (std::size_t at = first; at < text.size(); ++at) {
        if (text[at] < '0' || text[at] > '9') return DecimalRead::NotANumber;
        // Far past any range the game asks for; the remaining digits are still looked at.
        if (magnitude > 100000000000000LL) tooLong = true;
        else magnitude = magnitude * 10 + (text[at] - '0');
    }
    const long long read = negative ? -magnitude : magnitude;
    if (tooLong || read < low || read > high) return DecimalRead::OutOfRange;
    value = read;
    return DecimalRead::Read;
}

bool ReadInt(std::string_view text, Signs signs, int low, int high, int& value) {
    long long wide = 0;
    if (ReadDecimal(text, signs, low, high, wide) != DecimalRead::Read) return false;
    value = static_cast<int>(wide);
    return true;
}

#pragma once
// The one reader of decimal numbers in what the game is given: the ranking, its journals' names,
// demos, settings and the command line. Stricter than strtol: no spaces, no base prefix, only
// the signs the caller allows, and a number too long for any range is refused, never overflowed.
#include <string_view>

// Which signs may come before the digits: none, a '-' only, or either '+' or '-'.
enum class Signs { None, Minus, Either };
enum class DecimalRead { Read, NotANumber, OutOfRange };

// Reads all of text as digits after at most one sign of those allowed, into value when it lies
// within [low, high]. NotANumber for anything else (empty text, a lone sign, spaces, other
// characters); OutOfRange for a number outside [low, high], value then untouched.
DecimalRead ReadDecimal(std::string_view text, Signs signs, long long low, long long high, long long& value);

// The same for an int: true only when read and within [low, high].
bool ReadInt(std::string_view text, Signs signs, int low, int high, int& value);

// Whatever stands where a game file should be is read or refused at once, in words that say what
// it is. Pictures, shaders, the ranking, the music and the cut sound are all read through here;
// the ranking, its journals and the settings are replaced through here; every decimal number the
// game is given is read through here.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "TestSupport.h"
#include "platform/DataFile.h"
#include "platform/Decimal.h"

using namespace testsupport;

TEST(DataFile, OnlyRegularFilesWithinTheirCapAreRead) {
    alarm(20);  // a read that waits on a FIFO or a device fails the test instead of stalling it
    const TempFolder folder;
    const std::string dir = folder.path, fifo = folder / "fifo", huge = WriteFile(folder / "huge", "");
    const std::string plain = WriteFile(folder / "plain", "12 ");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    fs::resize_file(huge, 300u << 20);  // 300 MB of nothing, sparse
    const struct { std::string path; const char* why; } cases[] = {
        {fifo, "not a regular file but a FIFO"},  {"/dev/urandom", "not a regular file but a device"},
        {dir, "not a regular file but a folder"}, {huge, "too large: 314572800 bytes"},
        {dir + "/missing", "No such file"},       {plain, ""}};
    for (const auto& c : cases) {
        std::string bytes, why;
        EXPECT_EQ(ReadDataFile(c.path.c_str(), 1u << 20, bytes, why), *c.why == '\0') << c.path;
        EXPECT_TRUE(why.find(c.why) == 0 && bytes == (*c.why ? "" : "12 ")) << why;
    }
}

// Fields of the formats the game reads, in either byte order; the high bytes are not signs.
TEST(DataFile, FieldsInEitherByteOrder) {
    const std::string bytes("\x01\x02\xfe\xff\x80", 5);
    const struct { std::size_t at; int count; ByteOrder order; std::uint32_t value; } cases[] = {
        {0, 4, ByteOrder::Little, 0xfffe0201u}, {0, 4, ByteOrder::Big, 0x0102feffu},
        {2, 2, ByteOrder::Little, 0xfffeu},     {2, 2, ByteOrder::Big, 0xfeffu},
        {4, 1, ByteOrder::Big, 0x80u},          {1, 3, ByteOrder::Little, 0xfffe02u}};
    for (const auto& c : cases) EXPECT_EQ(ReadField(bytes, c.at, c.count, c.order), c.value) << c.at << " " << c.count;
}

// Only the signs allowed, nothing around the digits, the range's own ends in, one past them out,
// and a number of any length refused without wrapping.
TEST(Decimal, SignsRangeAndLength) {
    const long long big = 9000000000000000000LL;
    const struct { const char* text; Signs signs; long long low, high; DecimalRead read; long long value; } cases[] = {
        {"0", Signs::None, 0, 9, DecimalRead::Read, 0},          {"007", Signs::None, 0, 9, DecimalRead::Read, 7},
        {"9", Signs::None, 0, 9, DecimalRead::Read, 9},          {"10", Signs::None, 0, 9, DecimalRead::OutOfRange, 1},
        {"-1", Signs::Minus, -1, 9, DecimalRead::Read, -1},      {"-2", Signs::Minus, -1, 9, DecimalRead::OutOfRange, 1},
        {"-1", Signs::None, -9, 9, DecimalRead::NotANumber, 1},  {"+1", Signs::Minus, -9, 9, DecimalRead::NotANumber, 1},
        {"+1", Signs::Either, -9, 9, DecimalRead::Read, 1},      {"-", Signs::Either, -9, 9, DecimalRead::NotANumber, 1},
        {"", Signs::None, 0, 9, DecimalRead::NotANumber, 1},     {" 1", Signs::Either, 0, 9, DecimalRead::NotANumber, 1},
        {"1 ", Signs::None, 0, 9, DecimalRead::NotANumber, 1},   {"--1", Signs::Either, -9, 9, DecimalRead::NotANumber, 1},
        {"0x1", Signs::None, 0, 9, DecimalRead::NotANumber, 1},  {"1e3", Signs::None, 0, big, DecimalRead::NotANumber, 1},
        {"-2147483648", Signs::Minus, INT_MIN, 0, DecimalRead::Read, INT_MIN},
        {"18446744073709551617", Signs::None, 0, big, DecimalRead::OutOfRange, 1},
        {"-99999999999999999999x", Signs::Minus, -big, 0, DecimalRead::NotANumber, 1},
    };
    for (const auto& c : cases) {
        long long value = 1;
        EXPECT_EQ(ReadDecimal(c.text, c.signs, c.low, c.high, value), c.read) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

// A replaced file is whole and of the game's mode, or the old one stands; never a temporary file
// beside it, whatever failed.
TEST(DataFile, ReplacedWholeOrNotAtAll) {
    const TempFolder folder;
    const std::string old = WriteFile(folder / "old", "old"), plain = WriteFile(folder / "plain", "x");
    fs::permissions(old, static_cast<fs::perms>(0600));
    fs::create_directory(folder / "taken");
    const struct { std::string path; const char* failure; std::string after; } cases[] = {
        {old, "", "new"}, {folder / "a/b/new", "", "new"}, {folder / "taken", "rename failed: Is a directory", ""},
        {plain + "/new", "create failed: Not a directory", "x"}, {plain + "/a/new", "mkdir failed: Not a directory", "x"}};
    for (const auto& c : cases) {
        std::string failure;
        EXPECT_EQ(ReplaceFile(c.path, "new", c.path + ".new", failure), *c.failure == '\0') << c.path;
        EXPECT_EQ(failure, c.failure);
        EXPECT_EQ(c.after.empty() ? "" : ReadFile(*c.failure ? plain : c.path), c.after);
        EXPECT_TRUE(*c.failure || fs::status(c.path).permissions() == static_cast<fs::perms>(0644)) << c.path;
    }
    std::size_t left = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder.path))
        left += entry.path().native().find(".new.") != std::string::npos;
    EXPECT_EQ(left, 0u);
}

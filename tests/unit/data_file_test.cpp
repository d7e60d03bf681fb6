// Whatever stands where a game file should be is read or refused at once, in words that say what
// it is. Pictures, shaders, the ranking, the music and the cut sound are all read through here.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TestSupport.h"
#include "platform/DataFile.h"

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

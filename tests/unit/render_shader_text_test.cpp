// Reading shader sources and folding compiler logs into one line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "render/ShaderText.h"

TEST(ShaderText, SourcesAreReadByteForByte) {
    const auto dir = std::filesystem::temp_directory_path() / "torvinel_shader_text_test";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "no_newline.fs").string(), empty = (dir / "empty.vs").string();
    const std::string bytes("void main(){gl_FragColor=vec4(1.0);}\0tail", 41);
    std::ofstream(path, std::ios::binary).write(bytes.data(), bytes.size());
    std::ofstream(empty, std::ios::binary).flush();
    std::string read;
    ASSERT_TRUE(ReadShaderSource(path.c_str(), read));
    EXPECT_EQ(read, bytes);  // embedded zero and no final newline kept as they are
    EXPECT_TRUE(ReadShaderSource(empty.c_str(), read));
    EXPECT_TRUE(read.empty());
    EXPECT_FALSE(ReadShaderSource((dir / "missing.vs").string().c_str(), read));
    EXPECT_FALSE(ReadShaderSource(nullptr, read));
    EXPECT_FALSE(ReadShaderSource(dir.string().c_str(), read));  // a directory is no source
}

TEST(ShaderText, LogsFoldOntoOneLine) {
    EXPECT_EQ(OneLineLog("0:1(1): error: syntax error\n0:2(3): error: x\n"),
              "0:1(1): error: syntax error; 0:2(3): error: x");
    EXPECT_EQ(OneLineLog("a\r\n\r\nb  \n"), "a; b");
    EXPECT_EQ(OneLineLog(std::string("abc\0junk", 8)), "abc");
    EXPECT_EQ(OneLineLog("\n\n"), "");
}

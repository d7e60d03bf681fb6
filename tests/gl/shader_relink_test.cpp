// The game's own shader files swapped, on a machine whose driver has already seen the right ones:
// each stage compiles for real (not taken from the shader cache as a success, which crashes the
// link), and the title's three visits build the failed pair once.
#include <gtest/gtest.h>

#include "GlTestContext.h"  // GLEW before any other GL header
#include "TestSupport.h"
#include "render/Shader.h"

namespace {

int links = 0;
PFNGLLINKPROGRAMPROC realLinkProgram = nullptr;
void CountedLinkProgram(GLuint program) { ++links, realLinkProgram(program); }

}  // namespace

TEST(ShaderRelink, SwappedFilesAreBuiltOnceAndNeverFromTheCache) {
    const testsupport::TempFolder cache;
    setenv("MESA_SHADER_CACHE_DIR", cache.path.c_str(), 1);  // a cache of its own, read when GL starts
    gltest::ClearFrame();
    const std::string vs = TORVINEL_SOURCE_DIR "/data/shader/Binarization.vs", fs = TORVINEL_SOURCE_DIR "/data/shader/Binarization.fs";
    ShaderProgram right, swapped;
    ASSERT_TRUE(LoadShaderProgram(right, vs.c_str(), fs.c_str()));  // the cache now holds both
    realLinkProgram = std::exchange(glLinkProgram, CountedLinkProgram);
    const std::string said = testsupport::Stderr([&] {
        for (int visit = 0; visit < 3; ++visit) LoadShaderProgram(swapped, fs.c_str(), vs.c_str());
    });
    glLinkProgram = realLinkProgram;
    EXPECT_EQ(links, 1);
    for (const std::string& path : {vs, fs}) EXPECT_NE(said.find(path + "\" does not compile"), said.npos) << said;
}

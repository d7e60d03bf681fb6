// The game's four shader sources compile and link on the GL at hand (through the game's own
// loader, which names the file and the compiler's log on failure), with the uniforms the drawing
// code looks up, and ask for nothing beyond GLSL 1.10, which older drivers accept.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "GlTestContext.h"
#include "render/Shader.h"

TEST(ShaderFiles, BothProgramsBuildWithTheirSamplers) {
    gltest::EnsureContext();
    const std::string dir = std::string(TORVINEL_SOURCE_DIR) + "/data/shader/";
    const struct { const char* name; const char* samplers[2]; } programs[] = {
        {"Binarization", {"sampler", "sampler"}}, {"multitexture", {"baseTexture", "detailTexture"}}};
    for (const auto& p : programs) {
        SCOPED_TRACE(p.name);
        for (const char* stage : {".vs", ".fs"}) {
            std::ostringstream source;
            source << std::ifstream(dir + p.name + stage, std::ios::binary).rdbuf();
            const std::size_t at = source.str().find("#version");
            ASSERT_FALSE(source.str().empty()) << stage;
            EXPECT_TRUE(at == std::string::npos || source.str().compare(at, 12, "#version 110") == 0) << stage;
        }
        ShaderProgram program;
        ASSERT_TRUE(LoadShaderProgram(program, (dir + p.name + ".vs").c_str(), (dir + p.name + ".fs").c_str()));
        EXPECT_TRUE(program.vertexShader != -1 && program.fragmentShader != -1);
        glUseProgram(program.program);
        for (const char* sampler : p.samplers) {
            const GLint location = glGetUniformLocation(program.program, sampler);
            EXPECT_GE(location, 0) << sampler;
            glUniform1i(location, 0);  // the drawing code binds them to texture units
        }
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        glUseProgram(0);
        glDeleteProgram(program.program);
    }
}

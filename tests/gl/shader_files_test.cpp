// The game's four shader sources compile and link on the GL at hand, with the uniforms the
// drawing code looks up.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "GlTestContext.h"

namespace {

const std::string kShaderDir = std::string(TORVINEL_SOURCE_DIR) + "/data/shader/";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Compiles one stage; on failure returns 0 and puts the compiler's log into `log`.
GLuint Compile(GLenum type, const std::string& path, std::string& log) {
    std::string source = ReadFile(path);
    if (source.empty()) {
        log = "cannot read " + path;
        return 0;
    }
    GLuint shader = glCreateShader(type);
    const GLchar* text = source.data();
    GLint length = GLint(source.size());
    glShaderSource(shader, 1, &text, &length);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char buffer[4096] = {};
        glGetShaderInfoLog(shader, sizeof buffer, nullptr, buffer);
        log = path + ": " + buffer;
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

GLuint Build(const std::string& name, std::string& log) {
    GLuint vertex = Compile(GL_VERTEX_SHADER, kShaderDir + name + ".vs", log);
    if (!vertex) return 0;
    GLuint fragment = Compile(GL_FRAGMENT_SHADER, kShaderDir + name + ".fs", log);
    if (!fragment) {
        glDeleteShader(vertex);
        return 0;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    glLinkProgram(program);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char buffer[4096] = {};
        glGetProgramInfoLog(program, sizeof buffer, nullptr, buffer);
        log = name + " does not link: " + buffer;
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

}  // namespace

TEST(ShaderFiles, BinarizationBuildsWithItsSampler) {
    gltest::EnsureContext();
    std::string log;
    GLuint program = Build("Binarization", log);
    ASSERT_NE(program, 0u) << log;
    // The surface and model drawing set "sampler" to texture unit 0.
    GLint sampler = glGetUniformLocation(program, "sampler");
    EXPECT_GE(sampler, 0);
    glUseProgram(program);
    glUniform1i(sampler, 0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    glUseProgram(0);
    glDeleteProgram(program);
}

TEST(ShaderFiles, MultitextureBuildsWithBothUnits) {
    gltest::EnsureContext();
    std::string log;
    GLuint program = Build("multitexture", log);
    ASSERT_NE(program, 0u) << log;
    EXPECT_GE(glGetUniformLocation(program, "baseTexture"), 0);
    EXPECT_GE(glGetUniformLocation(program, "detailTexture"), 0);
    glDeleteProgram(program);
}

TEST(ShaderFiles, SourcesAskForNothingBeyondGlsl110) {
    // Older drivers accept only what GLSL 1.10 offers; a later version line would shut them out.
    for (const char* file : {"Binarization.vs", "Binarization.fs", "multitexture.vs", "multitexture.fs"}) {
        std::string source = ReadFile(kShaderDir + file);
        ASSERT_FALSE(source.empty()) << file;
        std::size_t at = source.find("#version");
        if (at != std::string::npos) {
            EXPECT_EQ(source.compare(at, 12, "#version 110"), 0) << file;
        }
    }
}

// Shader programs built from files: stages, link result, messages and rebuilds.
#include <gtest/gtest.h>

#include <fstream>

#include "RenderGlHelpers.h"
#include "render/Shader.h"

namespace {

const char* kVertex = "void main() { gl_Position = ftransform(); }";  // no final newline
const char* kFragment = "void main() { gl_FragColor = vec4(1.0, 0.5, 0.0, 1.0); }\n";

std::string WriteSource(const std::string& name, const std::string& text) {
    const std::string path = (rendertest::TempDir() / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

GLint AttachedStages(GLuint program) {
    GLint count = -1;
    glGetProgramiv(program, GL_ATTACHED_SHADERS, &count);
    return count;
}

}  // namespace

TEST(ShaderGl, BuildsFromTwoFilesAndRebuildsWithoutLeaking) {
    gltest::EnsureContext();
    const std::string vs = WriteSource("ok.vs", kVertex);
    const std::string fs = WriteSource("ok.fs", kFragment);
    ShaderProgram program;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(LoadShaderProgram(program, vs.c_str(), fs.c_str()));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(program.program, 0u);
    EXPECT_NE(program.vertexShader, -1);
    EXPECT_NE(program.fragmentShader, -1);
    EXPECT_EQ(AttachedStages(program.program), 2);

    const GLuint first = program.program;
    EXPECT_TRUE(LoadShaderProgram(program, vs.c_str(), fs.c_str()));
    EXPECT_NE(program.program, 0u);
    if (program.program != first) {
        EXPECT_FALSE(glIsProgram(first));  // the earlier build was deleted, not left behind
    }
    EXPECT_EQ(AttachedStages(program.program), 2);

    ShaderProgram* owned = new ShaderProgram(program);
    ReleaseResource(owned);
    EXPECT_FALSE(glIsProgram(program.program));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(ShaderGl, MissingOrBrokenStagesAreLeftOutAndReportedOnce) {
    gltest::EnsureContext();
    const std::string vs = WriteSource("ok2.vs", kVertex);
    const std::string missing = (rendertest::TempDir() / "missing.fs").string();

    ShaderProgram program;
    testing::internal::CaptureStderr();
    LoadShaderProgram(program, vs.c_str(), missing.c_str());
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(program.fragmentShader, -1);
    EXPECT_NE(program.vertexShader, -1);
    EXPECT_EQ(AttachedStages(program.program), 1);
    EXPECT_NE(err.find(missing), std::string::npos) << err;

    // A compile error names the file and carries the compiler's words, on one line.
    const std::string broken = WriteSource("broken.fs", "void main() {\n  gl_FragColor = oops;\n}\n");
    ShaderProgram bad;
    testing::internal::CaptureStderr();
    LoadShaderProgram(bad, vs.c_str(), broken.c_str());
    err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(bad.fragmentShader, -1);
    EXPECT_EQ(AttachedStages(bad.program), 1);
    EXPECT_NE(err.find(broken), std::string::npos) << err;
    EXPECT_NE(err.find("oops"), std::string::npos) << err;
    ASSERT_FALSE(err.empty());
    EXPECT_EQ(err.find('\n'), err.size() - 1) << err;

    // A link failure (two stages that disagree on a varying's type) is reported with its log.
    const std::string vsVarying = WriteSource("vary.vs", "varying vec3 v; void main() { v = vec3(1.0); gl_Position = ftransform(); }");
    const std::string fsVarying = WriteSource("vary.fs", "varying vec4 v; void main() { gl_FragColor = v; }");
    ShaderProgram unlinked;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(LoadShaderProgram(unlinked, vsVarying.c_str(), fsVarying.c_str()));
    err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("link"), std::string::npos) << err;
    EXPECT_NE(err.find(vsVarying), std::string::npos) << err;

    // No fragment path at all.
    ShaderProgram vertexOnly;
    testing::internal::CaptureStderr();
    LoadShaderProgram(vertexOnly, vs.c_str(), nullptr);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(vertexOnly.fragmentShader, -1);

    for (ShaderProgram* p : {&program, &bad, &unlinked, &vertexOnly}) glDeleteProgram(p->program);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

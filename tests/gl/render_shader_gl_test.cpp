// Shader programs built from files: stages, link result, messages and rebuilds.
#include <gtest/gtest.h>

#include "RenderGlHelpers.h"
#include "render/Shader.h"

namespace {

GLint AttachedStages(const ShaderProgram& program) {
    GLint count = -1;
    glGetProgramiv(program.program, GL_ATTACHED_SHADERS, &count);
    return count;
}

}  // namespace

TEST(ShaderGl, BuildsFromFilesLeavesOutBadStagesAndSaysWhy) {
    gltest::EnsureContext();
    using rendertest::WriteFile;
    // The vertex source has no final newline: sources are passed with their length.
    const std::string vs = WriteFile("ok.vs", "void main() { gl_Position = ftransform(); }"),
                      fs = WriteFile("ok.fs", "void main() { gl_FragColor = vec4(1.0); }\n"),
                      missing = (rendertest::TempDir() / "missing.fs").string(),
                      broken = WriteFile("broken.fs", "void main() {\n gl_FragColor = oops; }"),
                      // Stages that disagree on a varying's type compile but do not link.
                      vary = WriteFile("vary.vs", "varying vec3 v; void main() { v = vec3(1.0); "
                                                  "gl_Position = ftransform(); }"),
                      fsVary = WriteFile("vary.fs", "varying vec4 v; "
                                                    "void main() { gl_FragColor = v; }");
    ShaderProgram program;
    EXPECT_EQ(rendertest::Stderr([&] {
        EXPECT_TRUE(LoadShaderProgram(program, vs.c_str(), fs.c_str()));
    }), "");
    EXPECT_TRUE(program.program != 0 && program.vertexShader != -1 && program.fragmentShader != -1);
    EXPECT_EQ(AttachedStages(program), 2);
    // A rebuild deletes the earlier program (unless its name was handed out again).
    const GLuint first = program.program;
    EXPECT_TRUE(LoadShaderProgram(program, vs.c_str(), fs.c_str()));
    EXPECT_TRUE(program.program == first || !glIsProgram(first));
    EXPECT_EQ(AttachedStages(program), 2);
    ReleaseResource(new ShaderProgram(program));
    EXPECT_FALSE(glIsProgram(program.program));

    // A missing or broken fragment stage is left out; one line names the file and, for a compile
    // error, carries the compiler's words.
    for (const std::string& path : {missing, broken}) {
        ShaderProgram bad;
        const std::string err =
            rendertest::Stderr([&] { LoadShaderProgram(bad, vs.c_str(), path.c_str()); });
        EXPECT_TRUE(bad.fragmentShader == -1 && bad.vertexShader != -1) << path;
        EXPECT_EQ(AttachedStages(bad), 1) << path;
        EXPECT_NE(err.find(path), std::string::npos) << err;
        EXPECT_TRUE(path != broken || err.find("oops") != std::string::npos) << err;
        EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
        // Rebuilt on the next visit to the title: nothing more is said.
        EXPECT_EQ(rendertest::Stderr([&] { LoadShaderProgram(bad, vs.c_str(), path.c_str()); }), "");
        glDeleteProgram(bad.program);
    }
    // A link failure is reported with its log; no fragment path at all leaves that stage out.
    ShaderProgram unlinked, vertexOnly;
    const std::string err = rendertest::Stderr([&] {
        EXPECT_FALSE(LoadShaderProgram(unlinked, vary.c_str(), fsVary.c_str()));
    });
    EXPECT_NE(err.find("link"), std::string::npos) << err;
    EXPECT_NE(err.find(vary), std::string::npos) << err;
    rendertest::Stderr([&] { LoadShaderProgram(vertexOnly, vs.c_str(), nullptr); });
    EXPECT_EQ(vertexOnly.fragmentShader, -1);
    for (ShaderProgram* p : {&unlinked, &vertexOnly}) glDeleteProgram(p->program);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

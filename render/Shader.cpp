#include <GL/glew.h>

#include "render/Shader.h"

#include <cstring>
#include <set>
#include <string>

#include "platform/DataFile.h"
#include "platform/GlContext.h"
#include "platform/LibraryNoise.h"
#include "render/ReportOnce.h"

namespace {

// Far beyond any real shader; a bigger file is refused rather than handed to the compiler.
constexpr std::size_t kMaxShaderBytes = 1u << 20;

// The compiler's or linker's words, folded onto one line; shaders and programs keep them alike.
std::string InfoLog(GLuint object, void (*getLength)(GLuint, GLenum, GLint*),
                    void (*getLog)(GLuint, GLsizei, GLsizei*, GLchar*)) {
    GLint length = 0;
    getLength(object, GL_INFO_LOG_LENGTH, &length);
    if (length <= 0) return std::string();
    std::string log(static_cast<std::size_t>(length), '\0');
    getLog(object, length, nullptr, &log[0]);
    return OneLineLog(log);
}

std::string ShaderLog(GLuint shader) { return InfoLog(shader, glGetShaderiv, glGetShaderInfoLog); }

std::string ProgramLog(GLuint program) { return InfoLog(program, glGetProgramiv, glGetProgramInfoLog); }

// Reads one stage's source as raw bytes (no final zero needed); a file that cannot be used is
// told once and its stage left out.
bool ReadStage(const char* path, std::string& source) {
    std::string why;
    if (ReadDataFile(path, kMaxShaderBytes, source, why)) return true;
    ReportOnce("cannot load shader \"" + std::string(path ? path : "") + "\": " + why);
    return false;
}

bool CompileSource(GLuint shader, const char* path, const std::string& source) {
    // The file's bytes as they are (it needs no final zero), then a comment naming the stage.
    // Mesa's shader cache knows a source only by its text: once a file has compiled as one
    // stage, compiling the same text as the other stage is skipped as a success, and the link
    // that follows crashes. That happens when the vertex and fragment files are swapped on a
    // machine that has run the game before; with the stage in the text, each stage has its own key.
    GLint type = 0;
    glGetShaderiv(shader, GL_SHADER_TYPE, &type);
    const char* stage = type == GL_VERTEX_SHADER ? "\n// vertex stage\n" : "\n// fragment stage\n";
    const GLchar* texts[2] = {source.data(), stage};
    const GLint lengths[2] = {static_cast<GLint>(source.size()), static_cast<GLint>(std::strlen(stage))};
    glShaderSource(shader, 2, texts, lengths);
    glCompileShader(shader);
    GLint compiled = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled == 0) {
        ReportOnce("shader \"" + std::string(path) + "\" does not compile: " + ShaderLog(shader));
        return false;
    }
    return true;
}

// Source pairs whose build failed in this run: a stage given but not read or not compiled, or
// no link. The title builds its programs on every visit; such a pair would fail the same way
// again, and some drivers crash when asked to link it a second time, so it is not built again
// until its files change.
std::set<std::string>& FailedBuilds() {
    static std::set<std::string> failed;
    return failed;
}

bool Linked(GLuint program) {
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    return linked != 0;
}

}  // namespace

bool LoadShaderProgram(ShaderProgram& program, const char* vertexPath, const char* fragmentPath) {
    std::string vertexSource, fragmentSource;
    const bool haveVertex = ReadStage(vertexPath, vertexSource);
    const bool haveFragment = fragmentPath != nullptr && ReadStage(fragmentPath, fragmentSource);
    const std::string sources = std::to_string(haveVertex ? vertexSource.size() : 0) + ":" +
                                std::to_string(haveFragment ? fragmentSource.size() : 0) + ":" +
                                vertexSource + fragmentSource;
    // The object keeps what the failed build left, as it would after building it again.
    if (FailedBuilds().count(sources) != 0) return program.program != 0 && Linked(program.program);

    if (program.program != 0) {
        // Each visit to the title builds again; the stages went with the old program (they
        // were flagged for deletion when it was built).
        glDeleteProgram(program.program);
        program.program = 0;
    }
    const GLuint vertex = glCreateShader(GL_VERTEX_SHADER);
    const GLuint fragment = glCreateShader(GL_FRAGMENT_SHADER);
    program.vertexShader = static_cast<std::int32_t>(vertex);
    program.fragmentShader = static_cast<std::int32_t>(fragment);
    if (vertex == 0 || !haveVertex || !CompileSource(vertex, vertexPath, vertexSource))
        program.vertexShader = -1;
    if (fragment == 0 || !haveFragment || !CompileSource(fragment, fragmentPath, fragmentSource))
        program.fragmentShader = -1;

    program.program = glCreateProgram();
    if (program.vertexShader != -1) glAttachShader(program.program, vertex);
    if (program.fragmentShader != -1) glAttachShader(program.program, fragment);
    // Freed with the program (or at once when they were left out).
    if (vertex != 0) glDeleteShader(vertex);
    if (fragment != 0) glDeleteShader(fragment);

    glLinkProgram(program.program);
    const bool linked = Linked(program.program);
    if (!linked) {
        ReportOnce("shader program \"" + std::string(vertexPath ? vertexPath : "") + "\" + \"" +
                   std::string(fragmentPath ? fragmentPath : "") + "\" does not link: " +
                   ProgramLog(program.program));
    }
    const bool stageLeftOut = program.vertexShader == -1 || (fragmentPath != nullptr && program.fragmentShader == -1);
    if (!linked || stageLeftOut) FailedBuilds().insert(sources);
    return linked;
}

void ReleaseResource(ShaderProgram* program) {
    if (program == nullptr) return;
    if (program->program != 0 && GlContextCurrent()) glDeleteProgram(program->program);
    delete program;
}

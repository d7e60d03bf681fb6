#include <GL/glew.h>

#include "render/Shader.h"

#include <cstdio>
#include <string>

#include "platform/GlContext.h"
#include "render/ReportOnce.h"
#include "render/ShaderText.h"

namespace {

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

}  // namespace

bool CompileShaderFile(std::uint32_t shader, const char* path) {
    std::string source;
    if (!ReadShaderSource(path, source)) {
        ReportOnce("torvinel: cannot read shader \"" + std::string(path ? path : "") + "\"");
        return false;
    }
    const GLchar* text = source.data();
    const GLint length = static_cast<GLint>(source.size());  // the file needs no final zero
    glShaderSource(shader, 1, &text, &length);
    glCompileShader(shader);
    GLint compiled = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled == 0) {
        ReportOnce("torvinel: shader \"" + std::string(path) + "\" does not compile: " + ShaderLog(shader));
        return false;
    }
    return true;
}

bool LoadShaderProgram(ShaderProgram& program, const char* vertexPath, const char* fragmentPath) {
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
    if (vertex == 0 || !CompileShaderFile(vertex, vertexPath)) program.vertexShader = -1;
    if (fragment == 0 || fragmentPath == nullptr || !CompileShaderFile(fragment, fragmentPath))
        program.fragmentShader = -1;

    program.program = glCreateProgram();
    if (program.vertexShader != -1) glAttachShader(program.program, vertex);
    if (program.fragmentShader != -1) glAttachShader(program.program, fragment);
    // Freed with the program (or at once when they were left out).
    if (vertex != 0) glDeleteShader(vertex);
    if (fragment != 0) glDeleteShader(fragment);

    glLinkProgram(program.program);
    GLint linked = 0;
    glGetProgramiv(program.program, GL_LINK_STATUS, &linked);
    if (linked == 0) {
        ReportOnce("torvinel: shader program \"" + std::string(vertexPath ? vertexPath : "") + "\" + \"" +
                   std::string(fragmentPath ? fragmentPath : "") + "\" does not link: " +
                   ProgramLog(program.program));
        return false;
    }
    return true;
}

void ReleaseResource(ShaderProgram* program) {
    if (program == nullptr) return;
    if (program->program != 0 && GlContextCurrent()) glDeleteProgram(program->program);
    delete program;
}

#pragma once
// GLSL programs built from a vertex and a fragment source file.
#include <cstdint>

struct ShaderProgram {
    std::uint32_t program = 0;
    std::int32_t vertexShader = -1;
    std::int32_t fragmentShader = -1;
};

// Builds the program from the two files; true when it linked.
bool LoadShaderProgram(ShaderProgram& program, const char* vertexPath, const char* fragmentPath);

void ReleaseResource(ShaderProgram* program);

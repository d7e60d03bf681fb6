#pragma once
// File and message handling of shader loading, apart from GL.
#include <string>

// Reads the whole file as raw bytes (no terminating zero needed). False if it cannot be read.
bool ReadShaderSource(const char* path, std::string& bytes);

// A compiler or linker log folded onto one line: line breaks become "; ", ends trimmed.
std::string OneLineLog(const std::string& log);

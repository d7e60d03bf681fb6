#pragma once
// File and message handling of shader loading, apart from GL.
#include <string>

#include "platform/LibraryNoise.h"  // OneLineLog, for compiler and linker logs

// Far beyond any real shader; a bigger file is refused rather than handed to the compiler.
inline constexpr std::size_t kMaxShaderBytes = 1u << 20;

// Reads the whole file as raw bytes (no terminating zero needed). False if it is not a readable
// regular file of at most kMaxShaderBytes; `why`, when given, then says what is wrong.
bool ReadShaderSource(const char* path, std::string& bytes, std::string* why = nullptr);

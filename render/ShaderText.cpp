#include "render/ShaderText.h"

#include "platform/DataFile.h"

bool ReadShaderSource(const char* path, std::string& bytes, std::string* why) {
    std::string reason;
    const bool ok = ReadDataFile(path, kMaxShaderBytes, bytes, reason);
    if (why != nullptr) *why = reason;
    return ok;
}

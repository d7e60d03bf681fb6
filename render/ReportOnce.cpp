#include "render/ReportOnce.h"

#include <cstdio>
#include <set>

void ReportOnce(const std::string& message) {
    static std::set<std::string> said;
    if (!said.insert(message).second) return;
    std::fprintf(stderr, "%s\n", message.c_str());
}

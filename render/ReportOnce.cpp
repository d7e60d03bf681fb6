#include "render/ReportOnce.h"

#include <set>

#include "platform/Say.h"

void ReportOnce(const std::string& message) {
    static std::set<std::string> said;
    if (!said.insert(message).second) return;
    Say("%s\n", message.c_str());
}

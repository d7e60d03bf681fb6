#include "scenes/RankingJournal.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "platform/DataFile.h"
#include "platform/Decimal.h"
#include "scenes/Replays.h"

namespace {

// The process's start, in clock ticks since boot: field 22 of /proc/<pid>/stat, counted after the
// command name's closing parenthesis (the name itself may hold spaces and parentheses). Empty
// when it cannot be read.
std::string StartOf(const std::string& pid) {
    std::string stat, why;
    if (!ReadDataFile(("/proc/" + pid + "/stat").c_str(), 4096, stat, why)) return "";
    std::size_t at = stat.rfind(')');
    for (int field = 2; field < 22 && at != std::string::npos; ++field) at = stat.find(' ', at + 1);
    if (at == std::string::npos) return "";
    return stat.substr(at + 1, stat.find(' ', at + 1) - at - 1);
}

bool AllDigits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string OwnWriterTag() {
    // Read again in a forked child, which is a writer of its own.
    thread_local pid_t pid = 0;
    thread_local std::string tag;
    if (pid != ::getpid()) {
        pid = ::getpid();
        const std::string start = StartOf(std::to_string(pid));
        tag = std::to_string(pid) + "-" + (start.empty() ? "0" : start);
    }
    return tag;
}

bool WriterGone(const std::string& tag) {
    const std::string pid = tag.substr(0, tag.find('-'));
    long long id = 0;
    ReadDecimal(pid, Signs::None, 0, INT_MAX, id);
    if (::kill(static_cast<pid_t>(id), 0) != 0 && errno == ESRCH) return true;
    const std::string start = StartOf(pid);
    // A process id handed on to another program: same number, another start.
    return !start.empty() && start != tag.substr(tag.find('-') + 1);
}

std::string WriterOf(const std::string& name, const std::string& prefix) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return "";
    const std::string rest = name.substr(prefix.size());
    const std::size_t dash = rest.find('-'), dot = rest.find('.');
    if (dash == std::string::npos || dot == std::string::npos || dash > dot || rest.size() - dot != 7) return "";
    const std::string pid = rest.substr(0, dash), start = rest.substr(dash + 1, dot - dash - 1);
    return AllDigits(pid) && pid.size() < 10 && AllDigits(start) && EndsInUniqueSuffix(rest) ? rest.substr(0, dot) : "";
}

bool EndsInUniqueSuffix(const std::string& text) {
    return text.size() >= 6 && std::all_of(text.end() - 6, text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
           });
}

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

std::vector<std::string> WaitingJournals(const std::string& path) {
    std::vector<std::string> journals;
    const std::string folder = FolderOf(path), prefix = JournalPrefix(path);
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) return journals;
    while (const dirent* entry = ::readdir(listing)) {
        if (!WriterOf(entry->d_name, prefix).empty()) journals.push_back(folder + "/" + entry->d_name);
    }
    ::closedir(listing);
    std::sort(journals.begin(), journals.end());
    return journals;
}

std::string JournalText(const std::vector<int>& scores, const std::vector<std::string>& runs) {
    std::string text = RankingText(scores.data(), scores.size());
    for (std::size_t i = 0; i < runs.size() && i < scores.size(); ++i)
        if (!runs[i].empty()) text += "\nrun " + std::to_string(i + 1) + " " + std::to_string(runs[i].size()) + "\n" + runs[i];
    return text;
}

std::string ReadJournal(const std::string& path, std::vector<int>& scores, std::vector<std::string>& runs) {
    // Room for the scores and a whole run for each place of the table.
    constexpr std::size_t kMaxJournalBytes = kMaxRankingBytes + kRankingSlots * (kMaxRunBytes + 64);
    std::string text, why;
    if (!ReadDataFile(path.c_str(), kMaxJournalBytes, text, why)) return why;
    std::size_t at = std::min(text.find('\n'), text.size());
    std::vector<int> read;
    const std::string wrong = ReadNumbers(text.substr(0, at), at, read);
    std::vector<std::string> kept(read.size());
    std::string problem = wrong.empty() ? "" : "item " + std::to_string(read.size() + 1) + " is " + wrong;
    // Each run: "\nrun <item> <bytes>\n" and its bytes.
    for (int block = 1; wrong.empty() && at < text.size(); ++block) {
        const std::size_t head = at + 1, end = text.find('\n', head);
        const std::size_t space = text.find(' ', head + 4);
        long long item = 0, bytes = 0;
        if (end == std::string::npos || text.compare(at, 5, "\nrun ") != 0 || space >= end ||
            ReadDecimal(std::string_view(text).substr(head + 4, space - head - 4), Signs::None, 1,
                        static_cast<long long>(read.size()), item) != DecimalRead::Read ||
            ReadDecimal(std::string_view(text).substr(space + 1, end - space - 1), Signs::None, 1,
                        static_cast<long long>(kMaxRunBytes), bytes) != DecimalRead::Read ||
            text.size() - end - 1 < static_cast<std::size_t>(bytes)) {
            problem = "run " + std::to_string(block) + " is damaged";
            break;
        }
        kept[static_cast<std::size_t>(item - 1)] = text.substr(end + 1, static_cast<std::size_t>(bytes));
        at = end + 1 + static_cast<std::size_t>(bytes);
    }
    scores.insert(scores.end(), read.begin(), read.end());
    runs.insert(runs.end(), kept.begin(), kept.end());
    return problem;
}

std::string MergeNoteText(const int* table, const std::vector<std::string>& journals) {
    std::string text = RankingText(table);
    for (const std::string& journal : journals) text += "\n" + BaseName(journal);
    return text + "\n";
}

bool ReadMergeNote(const std::string& path, int* table, std::vector<std::string>& journals) {
    std::string text, why;
    if (!ReadDataFile(MergeNotePath(path).c_str(), kMaxRankingBytes, text, why)) return false;
    std::vector<int> items;
    std::size_t line = text.find('\n');
    if (line == std::string::npos || !ReadNumbers(text.substr(0, line), kRankingSlots, items).empty() ||
        items.size() != kRankingSlots)
        return false;
    std::copy(items.begin(), items.end(), table);
    // Only journals of this ranking, in its folder, whatever else the note may say.
    for (std::size_t next; (next = text.find('\n', line + 1)) != std::string::npos; line = next) {
        const std::string name = text.substr(line + 1, next - line - 1);
        if (!WriterOf(name, JournalPrefix(path)).empty())
            journals.push_back(FolderOf(path) + "/" + name);
    }
    return true;
}

#pragma once
// What stands beside the ranking besides the ranking itself, and whose it is.
//
// Every file a copy of the game writes there carries its writer in its name: "<pid>-<start>", the
// process id and the moment the process started (from /proc), so that a process id the system
// has handed on to another program is not taken for the writer. A save's temporary file is
// "<ranking>.new.<writer>.XXXXXX". Scores a copy could not save before it ended wait in a journal,
// "<ranking>.waiting.<writer>.XXXXXX", until a save under the lock merges them: the scores as "%d "
// items (any number of them), then, on the lines after, the run of each score that has one (see
// Replays.h), so that a game left before its save still keeps its run:
//
//   42 17
//   run 1 6694
//   <the 6694 bytes of the first score's run>
//
// A journal without runs is the scores alone, as older versions wrote it. A save that merges journals first leaves a note, "<ranking>.merging": the
// table it is about to write and the journals it takes, so that should it be killed between its
// rename and the journals' removal, the next save sees that they are in already.
#include <string>
#include <vector>

#include "scenes/RankingFile.h"

// This process as a writer: "<pid>-<start>".
std::string OwnWriterTag();

// Whether the process a writer tag names has ended. A process that exists but whose start cannot
// be read (another user's, with /proc hidden) counts as running.
bool WriterGone(const std::string& tag);

// When name is prefix followed by "<pid>-<start>.XXXXXX", the writer tag in it; else empty.
std::string WriterOf(const std::string& name, const std::string& prefix);

// Whether text ends in six letters or digits, as mkostemp fills "XXXXXX".
bool EndsInUniqueSuffix(const std::string& text);

// The ranking file's own name within its folder, and the name forms beside it.
std::string BaseName(const std::string& path);
inline std::string TemporaryPrefix(const std::string& path) { return BaseName(path) + ".new."; }
// The stem of this copy's temporary files beside the ranking, "<path>.new.<writer>".
inline std::string TemporaryStem(const std::string& path) { return path + ".new." + OwnWriterTag(); }
inline std::string JournalPrefix(const std::string& path) { return BaseName(path) + ".waiting."; }
inline std::string MergeNotePath(const std::string& path) { return path + ".merging"; }

// The journals beside the ranking at path, as paths, in name order.
std::vector<std::string> WaitingJournals(const std::string& path);

// A journal's text: the scores, and beside each the run it came with (empty for none).
std::string JournalText(const std::vector<int>& scores, const std::vector<std::string>& runs);

// Adds a journal's scores to `scores` and their runs, one for each, to `runs`; what is wrong with
// it, if anything, in a few words (what was read before the fault is added all the same; a score
// whose run is damaged comes without one).
std::string ReadJournal(const std::string& path, std::vector<int>& scores, std::vector<std::string>& runs);

// The note beside the ranking at path: the table on its first line, then one journal's name a
// line. Reading it gives back only names of that ranking's journals, as paths.
std::string MergeNoteText(const int* table, const std::vector<std::string>& journals);
bool ReadMergeNote(const std::string& path, int* table, std::vector<std::string>& journals);

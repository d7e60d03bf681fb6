#pragma once
// Reading the game's files without trusting what stands in their place. Only a regular file is
// read, and only up to a size that makes sense for its kind, so that a FIFO, a device or a huge
// file where a picture, a shader, a sound or the ranking should be can neither freeze the game
// nor fill its memory.
#include <cstddef>
#include <cstdint>
#include <string>

// Reads the whole of path into bytes when it is a regular file of at most maxBytes. Otherwise
// returns false with `why` in a few words, "not a regular file but a FIFO" (a folder, a device, a
// socket), "too large: N bytes" or the system's reason, and errno set: the system's code, EINVAL
// for a file that is not regular, EFBIG for one too large. Never waits on a FIFO or a device.
bool ReadDataFile(const char* path, std::size_t maxBytes, std::string& bytes, std::string& why);

// The unsigned field of `count` bytes (1 to 4) at `at`, which bytes must hold, in either order:
// the formats the game reads (WAVE, PNG, JPEG, MPEG audio) each keep one.
enum class ByteOrder { Little, Big };
std::uint32_t ReadField(const std::string& bytes, std::size_t at, int count, ByteOrder order);

// Writes all of data to fd, going on after interruptions; false on the first real failure, with
// errno set.
bool WriteWhole(int fd, const char* data, std::size_t size);

// Crash-safe replacement of a whole file. The bytes go to a new file beside it, "<stem>.XXXXXX",
// made afresh (mode 0644: never written through a link or into another writer's file), written
// whole and synced, then renamed over path: the old file or the new one stands under the name,
// never half of either, whatever happens and wherever the game is killed. Folders missing above
// path are made, private to the player. A failure gives `failure` in a few words ("write failed:
// No space left on device"), leaves the old file whole and the temporary file removed.
// The stem names the temporary file so that leftovers can be told apart; pass path + ".new." and
// a tag of the writer's. Replaces and syncs the folder in one call:
bool ReplaceFile(const std::string& path, const std::string& bytes, const std::string& stem, std::string& failure);

// The same in two steps, for a replacement staged under a lock and committed later (or never: a
// staged file that is not committed is the caller's to remove). The folder is not synced by
// CommitFile: SyncFolderOf(path) once after the last rename.
struct StagedFile {
    std::string path, temp;  // the final name; the synced temporary file waiting for its rename
};
bool StageFile(const std::string& path, const std::string& stem, const std::string& bytes, StagedFile& staged,
               std::string& failure);
// Renames the staged file into place; false with `failure` set, the staged file removed.
bool CommitFile(const StagedFile& staged, std::string& failure);

// Makes every missing folder above the file, private to the player as per-user data should be;
// false when one cannot be made, errno set.
bool MakeParentFolders(const std::string& path);

// A failed step in a few words, "create failed: Permission denied"; safe on any thread, unlike
// strerror.
std::string StepFailed(const char* step, int error);

// The folder holding path ("." for a bare name).
std::string FolderOf(const std::string& path);

// After a file is renamed into place, makes the folder's new entry durable too, so the file
// survives a power cut. A folder that cannot be synced (some file systems refuse) costs nothing.
void SyncFolderOf(const std::string& path);

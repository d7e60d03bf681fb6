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

// The folder holding path ("." for a bare name).
std::string FolderOf(const std::string& path);

// After a file is renamed into place, makes the folder's new entry durable too, so the file
// survives a power cut. A folder that cannot be synced (some file systems refuse) costs nothing.
void SyncFolderOf(const std::string& path);

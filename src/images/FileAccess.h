#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace korvalen {

// Reads a whole file, refusing files larger than maxBytes. False with a message on failure.
bool ReadWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& data,
                   std::string& error, uint64_t maxBytes = uint64_t{8} << 30);

// Writes a file through a temporary name beside it that is renamed into place, so that a
// failure (full disk, unwritable folder) leaves any old file intact. The writer gets an
// open stream; it returns false (with a message) to abandon the write.
using StreamWriter = std::function<bool(std::FILE* out, std::string& error)>;
bool WriteFileAtomically(const std::filesystem::path& path, const StreamWriter& writer,
                         std::string& error);
bool WriteFileAtomically(const std::filesystem::path& path, const std::string& content,
                         std::string& error);

// Told as a long write goes on how many rows are done of how many; returning false
// abandons the write, which then leaves any old file as it was.
using WriteProgress = std::function<bool(int rowsDone, int rowsTotal)>;

// Text after the first full stop of the file name part (never of a folder), without the stop.
std::string ExtensionAtFirstStop(const std::filesystem::path& path);
// The file name part up to its first full stop.
std::string BaseAtFirstStop(const std::filesystem::path& path);
// Lower case of ASCII letters; other bytes stay.
std::string AsciiLower(std::string text);
// The path written for messages (UTF-8).
std::string DisplayPath(const std::filesystem::path& path);

}  // namespace korvalen

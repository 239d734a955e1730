#pragma once

#include <filesystem>
#include <string>

#include "images/Bitmap.h"

namespace korvalen {

// Reads a single map (Windows bitmap, JPEG or PNG, told apart by the file's first bytes) into
// bitmap. With toEightBit the map is reduced to the standard 256-colour palette after
// reading. On failure bitmap is left empty and error names the file and the fault.
bool LoadMapFile(const std::filesystem::path& path, Bitmap& bitmap, bool toEightBit,
                 std::string& error);

// The name SaveJpeg writes to: when the extension (lower case) does not contain "jpg",
// the file name is cut after its first full stop (one is appended when it has none)
// and "jpg" appended.
std::filesystem::path JpegFileName(const std::filesystem::path& path);

// Writes bitmap as a colour JPEG with the quality (1..100). eightBit tells that the map
// holds at most 256 colours; the file is a colour JPEG either way. Gives the name
// written (see JpegFileName) or false and a message; an old file stays intact on failure.
bool SaveJpeg(const std::filesystem::path& path, const Bitmap& bitmap, bool eightBit, int quality,
              std::filesystem::path& written, std::string& error);

}  // namespace korvalen

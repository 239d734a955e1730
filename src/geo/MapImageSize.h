#pragma once

#include <filesystem>

namespace korvalen {

// The width and height a JPEG or Windows bitmap file declares, read from its headers only,
// so that an image too large to show is refused before it is decoded. False when the file
// cannot be read or its headers give no size; the decoder then decides.
bool ReadDeclaredImageSize(const std::filesystem::path& path, int& width, int& height);

}  // namespace korvalen

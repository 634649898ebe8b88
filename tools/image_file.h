// Image files of tarn-cli: exactly 512 bytes, replaced atomically.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>

#include "model/parameter_image.h"

namespace tarn {

// The image in `path`; std::nullopt with *error set when the file cannot be
// read or is not exactly 512 bytes long.
std::optional<ParameterImage> LoadImageFile(const std::string& path, std::string* error);

// Writes `bytes` to a temporary file next to `path`, flushes it to the disk
// and renames it over `path`: a reader sees the old file or the whole new one,
// never a part. False with *error set on failure; `path` is then untouched.
bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                         std::string* error);

// Platform part: pushes the file's data to the disk before it is renamed.
bool SyncFile(std::FILE* file);

}  // namespace tarn

// Image files, as tarn-cli and the desktop program keep them: exactly 512
// bytes, replaced atomically. A file named through a symbolic link is the
// link's target; a replaced file keeps its permission bits.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/parameter_image.h"

namespace tarn {

// The image in `path`; std::nullopt with *error set when the file cannot be
// read or is not exactly 512 bytes long.
std::optional<ParameterImage> LoadImageFile(const std::string& path, std::string* error);

// The first `limit` + 1 bytes of the file at `path` (so that a caller can tell
// a longer file from one of exactly `limit` bytes); std::nullopt with *error
// set when it cannot be read.
std::optional<std::vector<std::uint8_t>> ReadFileHead(const std::string& path, std::size_t limit,
                                                      std::string* error);

// Whether a file can be written at `path`: not a folder, in a folder that
// exists and takes a new file (tried by creating one). False with *error set.
bool CheckFileCreatable(const std::string& path, std::string* error);

// Writes `bytes` to a temporary file next to the file `path` names, flushes it
// to the disk and renames it over that file: a reader sees the old file or the
// whole new one, never a part. False with *error set on failure; the file is
// then untouched.
bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                         std::string* error);

// Platform parts: pushes the file's data to the disk before it is renamed;
// the local calendar date.
bool SyncFile(std::FILE* file);
std::chrono::year_month_day LocalToday();

}  // namespace tarn

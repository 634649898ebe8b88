#include "model/image_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

namespace tarn {
namespace {

namespace fs = std::filesystem;

constexpr char kTemporaryInfix[] = ".tmp-";
constexpr int kSuffixDigits = 8;
constexpr int kMaxLinkHops = 40;  // as the kernel's own limit for a chain of links
constexpr char kIsFolder[] = ": это папка, а не файл";

// The file whose bytes `path` names: a symbolic link is followed to the end of
// its chain, so that the link stays a link and its target gets the new bytes.
fs::path FileBehind(const std::string& path) {
  fs::path file = path;
  std::error_code ec;
  for (int hop = 0; hop < kMaxLinkHops && fs::is_symlink(file, ec); ++hop) {
    const fs::path target = fs::read_symlink(file, ec);
    if (ec) break;
    file = target.is_absolute() ? target : file.parent_path() / target;
  }
  return file;
}

bool IsFolder(const fs::path& file) {
  std::error_code ec;
  return fs::is_directory(file, ec);
}

std::string TemporaryNameFor(const std::string& path) {
  std::random_device random;
  char suffix[kSuffixDigits + 1];
  std::snprintf(suffix, sizeof(suffix), "%08x", static_cast<unsigned>(random()));
  return path + kTemporaryInfix + suffix;
}

bool WriteAndSync(const std::string& path, std::span<const std::uint8_t> bytes,
                  std::string* error) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
            std::fflush(file) == 0 && SyncFile(file);
  if (!ok) *error = path + ": " + std::strerror(errno);
  if (std::fclose(file) != 0 && ok) {
    *error = path + ": " + std::strerror(errno);
    ok = false;
  }
  return ok;
}

}  // namespace

std::optional<ParameterImage> LoadImageFile(const std::string& path, std::string* error) {
  if (IsFolder(path)) {
    *error = path + kIsFolder;
    return std::nullopt;
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *error = path + ": " + std::strerror(errno);
    return std::nullopt;
  }
  ParameterImage image;
  // One byte more than an image, to tell a longer file from a right one.
  std::uint8_t extra = 0;
  const std::size_t got = std::fread(image.bytes.data(), 1, kImageSize, file);
  const std::size_t more = std::fread(&extra, 1, 1, file);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    *error = path + ": read error";
    return std::nullopt;
  }
  if (got != kImageSize || more != 0) {
    *error = path + ": not an image: an image file holds exactly 512 bytes, this one " +
             (more != 0 ? std::string("has more") : "has " + std::to_string(got));
    return std::nullopt;
  }
  return image;
}

std::optional<std::vector<std::uint8_t>> ReadFileHead(const std::string& path, std::size_t limit,
                                                      std::string* error) {
  if (IsFolder(path)) {
    *error = path + kIsFolder;
    return std::nullopt;
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *error = path + ": " + std::strerror(errno);
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes(limit + 1);
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    *error = path + ": read error";
    return std::nullopt;
  }
  return bytes;
}

bool CheckFileCreatable(const std::string& path, std::string* error) {
  const fs::path file = FileBehind(path);
  if (IsFolder(file)) {
    *error = path + kIsFolder;
    return false;
  }
  const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
  if (!IsFolder(folder)) {
    *error = path + ": папка " + folder.string() + " не существует";
    return false;
  }
  // Only creating a file shows for sure that the folder takes one.
  const std::string probe = TemporaryNameFor(file.string());
  std::FILE* created = std::fopen(probe.c_str(), "wb");
  if (created == nullptr) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  std::fclose(created);
  std::error_code ec;
  fs::remove(probe, ec);
  return true;
}

bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                         std::string* error) {
  const fs::path file = FileBehind(path);
  if (IsFolder(file)) {
    *error = path + kIsFolder;
    return false;
  }
  // A replaced file keeps its permission bits (a backup kept private stays so).
  std::error_code missing;
  const fs::file_status found = fs::status(file, missing);
  const std::string temporary = TemporaryNameFor(file.string());
  std::error_code ec;
  if (!WriteAndSync(temporary, bytes, error)) {
    fs::remove(temporary, ec);
    return false;
  }
  if (fs::is_regular_file(found)) {
    fs::permissions(temporary, found.permissions(), fs::perm_options::replace, ec);
  }
  if (!ec) fs::rename(temporary, file, ec);
  if (ec) {
    *error = path + ": " + ec.message();
    fs::remove(temporary, ec);
    return false;
  }
  return true;
}

}  // namespace tarn

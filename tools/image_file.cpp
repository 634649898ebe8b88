#include "tools/image_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

namespace tarn {
namespace {

constexpr char kTemporaryInfix[] = ".tmp-";
constexpr int kSuffixDigits = 8;

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

bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                         std::string* error) {
  const std::string temporary = TemporaryNameFor(path);
  std::error_code ec;
  if (!WriteAndSync(temporary, bytes, error)) {
    std::filesystem::remove(temporary, ec);
    return false;
  }
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    *error = path + ": " + ec.message();
    std::filesystem::remove(temporary, ec);
    return false;
  }
  return true;
}

}  // namespace tarn

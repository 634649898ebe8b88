// Files carried inside the program: definition texts, the string table,
// dialog templates and pictures. Nothing is read from disk at run time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tarn::res {

struct EmbeddedFile {
  const char* name;
  const unsigned char* data;
  std::size_t size;
};

// Bytes of the embedded file with this name (no directory), or an empty span.
std::span<const std::uint8_t> Find(std::string_view name);

// Definition text by its resource id: "page_165.txt", "monitor_137.txt".
std::span<const std::uint8_t> PageText(int id);
std::span<const std::uint8_t> MonitorText(int id);

// Entry of the string table by id; empty when the id has no entry.
std::u16string String(int id);

// Title of every message box and of the main window.
inline constexpr std::u16string_view kAppTitle = u"Tarn User App";

// UTF-8 to UTF-16. Malformed sequences become U+FFFD; never throws.
std::u16string DecodeUtf8(std::span<const std::uint8_t> bytes);
std::u16string DecodeUtf8(std::string_view text);
std::string EncodeUtf8(std::u16string_view text);

}  // namespace tarn::res

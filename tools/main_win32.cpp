// tarn-cli on Windows. The arguments arrive as UTF-16 and go on as UTF-8.
// Text for a console is written as UTF-16 with the console's wide-character
// call, since the console's code page cannot show the Russian messages; text
// for a file or a pipe stays UTF-8.
#include <windows.h>

#include <iostream>
#include <streambuf>
#include <string>
#include <vector>

#include "tools/cli_app.h"

namespace {

std::string Utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string narrow(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow.data(), size, nullptr, nullptr);
  narrow.pop_back();  // the terminator
  return narrow;
}

// Collects UTF-8 and writes it to a console as UTF-16, a line at a time.
class ConsoleBuffer final : public std::streambuf {
 public:
  explicit ConsoleBuffer(HANDLE console) : console_(console) {}
  ~ConsoleBuffer() override { Flush(); }

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    pending_ += traits_type::to_char_type(c);
    if (c == '\n') Flush();
    return c;
  }
  std::streamsize xsputn(const char* text, std::streamsize count) override {
    pending_.append(text, static_cast<std::size_t>(count));
    if (pending_.find('\n') != std::string::npos) Flush();
    return count;
  }
  int sync() override {
    Flush();
    return 0;
  }

 private:
  // Writes every whole character collected; a character cut in two by the
  // writer waits for its other bytes.
  void Flush() {
    std::size_t whole = pending_.size();
    std::size_t back = 0;
    while (back < whole && back < kMaxSequence &&
           (static_cast<unsigned char>(pending_[whole - 1 - back]) & kTopBits) == kContinuation) {
      ++back;
    }
    if (back < whole && back < kMaxSequence && !Complete(pending_, whole - 1 - back)) {
      whole -= back + 1;
    }
    if (whole == 0) return;
    const int size = MultiByteToWideChar(CP_UTF8, 0, pending_.data(), static_cast<int>(whole),
                                         nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, pending_.data(), static_cast<int>(whole), wide.data(), size);
    DWORD written = 0;
    WriteConsoleW(console_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    pending_.erase(0, whole);
  }

  // Whether the sequence that starts at `lead` has all its bytes.
  static bool Complete(const std::string& text, std::size_t lead) {
    const auto first = static_cast<unsigned char>(text[lead]);
    std::size_t length = 1;
    if ((first & 0xE0) == 0xC0) length = 2;
    if ((first & 0xF0) == 0xE0) length = 3;
    if ((first & 0xF8) == 0xF0) length = 4;
    return text.size() - lead >= length;
  }

  static constexpr std::size_t kMaxSequence = 3;  // continuation bytes at most
  static constexpr unsigned char kTopBits = 0xC0;
  static constexpr unsigned char kContinuation = 0x80;

  HANDLE console_;
  std::string pending_;
};

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(Utf8(argv[i]));
  const HANDLE outHandle = GetStdHandle(STD_OUTPUT_HANDLE);
  const HANDLE errHandle = GetStdHandle(STD_ERROR_HANDLE);
  ConsoleBuffer outConsole(outHandle);
  ConsoleBuffer errConsole(errHandle);
  std::ostream out(IsConsole(outHandle) ? &outConsole : std::cout.rdbuf());
  std::ostream err(IsConsole(errHandle) ? &errConsole : std::cerr.rdbuf());
  const int status = tarn::RunCli(args, out, err);
  out.flush();
  err.flush();
  return status;
}

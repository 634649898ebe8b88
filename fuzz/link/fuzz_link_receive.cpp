// Feeds arbitrary byte streams to the link's receive algorithm through a
// stand-in port. The input is a series of reads: a control byte, then the
// bytes that read delivers. Control byte c: c == 0xFF makes the read fail;
// otherwise the read delivers the next c % 32 bytes of the input (as many as
// the link asks for at a time) and then the line goes quiet for the rest of
// that attempt.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "link/controller_link.h"

namespace {

constexpr std::uint8_t kFailingRead = 0xFF;
constexpr std::uint8_t kChunkMask = 0x1F;

class ScriptedPort final : public tarn::SerialPort {
 public:
  explicit ScriptedPort(std::span<const std::uint8_t> script) : script_(script) {}

  bool Open(const std::string&) override { return true; }
  bool IsOpen() const override { return true; }
  bool Configure(const tarn::PortSettings&, const tarn::PortTimeouts&) override { return true; }
  bool Purge() override { return true; }
  bool Write(std::span<const std::uint8_t>) override { return true; }
  bool Read(std::span<std::uint8_t> buffer, std::size_t* received) override {
    tarn::ReadWindow window;
    return ReadWithin(buffer, received, window);
  }
  bool ReadWithin(std::span<std::uint8_t> buffer, std::size_t* received,
                  tarn::ReadWindow&) override {
    *received = 0;
    if (chunkLeft_ == 0) return NextChunk();
    const std::size_t count = std::min<std::size_t>({buffer.size(), chunkLeft_, script_.size()});
    std::copy_n(script_.begin(), count, buffer.begin());
    script_ = script_.subspan(count);
    chunkLeft_ = count == 0 ? 0 : chunkLeft_ - count;
    *received = count;
    return true;
  }
  void Close() override {}
  std::string LastError() const override { return {}; }

 private:
  // The quiet end of one read; the next read starts a new chunk.
  bool NextChunk() {
    if (script_.empty()) return true;
    const std::uint8_t control = script_.front();
    script_ = script_.subspan(1);
    if (control == kFailingRead) return false;
    chunkLeft_ = control & kChunkMask;
    return true;
  }

  std::span<const std::uint8_t> script_;
  std::size_t chunkLeft_ = 0;
};

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tarn::ControllerLink link;
  link.attemptWait = std::chrono::milliseconds(0);
  link.quietTime = std::chrono::milliseconds(0);
  link.SetPort(std::make_unique<ScriptedPort>(std::span(data, size)));
  // Two exchanges in a row: the second starts from whatever the first left.
  for (int exchange = 0; exchange < 2; ++exchange) {
    tarn::Reply reply;
    if (!link.Exchange(tarn::kCommandReadBlock, {}, std::chrono::milliseconds(0), &reply)) {
      continue;
    }
    // A reply is only ever a whole frame with a correct sum, within the buffer.
    const std::size_t length = link.RxFrame[tarn::kOffsetLength];
    Check(length <= tarn::kMaxFrameData && reply.length == length);
    const std::span frame(link.RxFrame);
    Check(tarn::FrameChecksum(frame.first(length + tarn::kFrameHeaderSize)) ==
          frame[length + tarn::kFrameHeaderSize]);
    Check(reply.command == frame[tarn::kOffsetCommand]);
  }
  return 0;
}

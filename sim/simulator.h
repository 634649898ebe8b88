// A simulated controller on a pseudo-terminal, for tests, benchmarks and trying
// the tool without hardware.
//
// Use in a test:
//
//   tarn::sim::Simulator sim({.pacing = false});
//   ASSERT_TRUE(sim.Start()) << sim.LastError();
//   setenv("TARN_PORTS", sim.SlavePath().c_str(), 1);   // or open it directly
//   sim.SetFaults({.silentCommand = tarn::kCommandTransferStart, .silentCount = 1});
//   ... run the tool's code against the port ...
//   EXPECT_EQ(sim.RequestCount(tarn::kCommandWriteBlock), 40);
//   sim.Stop();                                           // also done by the destructor
//
// The controller runs on its own thread; every public member may be called
// from any thread at any time. It answers each request frame with one reply
// frame from its 512-byte image: Identify, TransferStart, ReadBlock,
// WriteBlock (changes the image), WriteEnd (saves the image back to the file
// when asked), ReadZeroPoints and LiveData1-3. Malformed requests (bad
// checksum, length above 16, a frame left unfinished for 100 ms) are dropped
// without a reply, unknown commands get none either.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace tarn::sim {

inline constexpr std::size_t kImageBytes = 512;
inline constexpr std::size_t kLiveDataBytes = 48;
inline constexpr std::size_t kZeroPointCount = 5;

using Image = std::array<std::uint8_t, kImageBytes>;
using LiveData = std::array<std::uint8_t, kLiveDataBytes>;
// Current sensor A, B; internal resistance A, B, C.
using ZeroPointReading = std::array<std::uint16_t, kZeroPointCount>;

// Misbehaviour on request. Request numbers n count from 1 at the last
// SetFaults() call (or at Start()); 0 switches a fault off.
struct Faults {
  bool silent = false;             // answers nothing at all
  std::uint8_t silentCommand = 0;  // the next silentCount requests with this
  int silentCount = 0;             //   command get no reply
  int silentOn = 0;                // request n gets no reply
  int badChecksumOn = 0;           // the reply to request n has a wrong checksum
  int splitPieceBytes = 0;         // > 0: replies go out in pieces of this size
  int splitGapMs = 0;              //   with this pause between the pieces
  int strayByteOn = 0;             // one stray byte goes out before reply n
  std::uint8_t strayByte = 0x00;
  int lateReplyMs = 0;           // replies are held back this long before
  int lateReplyOn = 0;           //   they go out; only reply n when n > 0
  int identifyByte2 = 1;         // data byte 2 of the Identify reply
  int identifyDataLength = 3;    // data bytes in the Identify reply
  int readBlockDataLength = 16;  // data bytes in ReadBlock replies
  std::string moduleName{};      // not empty: ReadBlock at address 0 shows this
                                 //   name in bytes 0-7 (another controller)
  int hangUpAfter = 0;           // answer n requests, then close the
                                 //   pseudo-terminal when the next one comes
};

struct Options {
  bool pacing = true;       // send at the line rate of 19200 baud 8N1
  std::string imageFile{};  // load the image from this 512-byte file
  bool saveBack = false;    // write the image back to imageFile on WriteEnd
  Faults faults{};
};

// When one request and its reply crossed the line, as the controller saw them.
// requestStart is when the controller read the request's first byte (never
// before it arrived), replyEnd when it began to write the reply's last byte
// (the tool cannot have it earlier), so a gap between them is never shorter
// than it was on the line.
struct LineTiming {
  std::uint8_t command = 0;
  std::chrono::steady_clock::time_point requestStart;
  // Nothing when no reply went out.
  std::optional<std::chrono::steady_clock::time_point> replyEnd;
};

// What a controller relies on in the tool's timing, checked on a record of
// the line. QuietTimeFaults: a request that came sooner than kLineQuietTime
// after the reply before it. MandatedWaitFaults: a request that came sooner
// after a TransferStart or ReadZeroPoints request than 50 ms, or after a
// WriteEnd request than 200 ms (the tool waits that long before it reads
// their reply); measured from the earliest moment the request can have
// arrived, since the controller reads it when its thread gets to it. One line of text per fault; empty when there is none.
std::vector<std::string> QuietTimeFaults(const std::vector<LineTiming>& timings);
std::vector<std::string> MandatedWaitFaults(const std::vector<LineTiming>& timings);

// Raw bytes to send instead of handling the request (an empty vector sends
// nothing; the image is not touched either way); std::nullopt handles it as
// usual. Called on the controller's thread, without the simulator's lock, with
// the whole request frame. Faults still apply to the bytes it returns.
using ReplyHook =
    std::function<std::optional<std::vector<std::uint8_t>>(std::span<const std::uint8_t>)>;

// The default image: module name "AQX48B01" (model code "QX", voltage class
// "48"), customer "DEMO", version 01 09 00 00, every shown parameter inside
// its range, hardware code "A1".
Image DefaultImage();

class Simulator {
 public:
  explicit Simulator(Options options = {});
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Opens the pseudo-terminal (and loads imageFile) and starts answering.
  // False with LastError() when that failed.
  bool Start();
  // Stops answering and closes the pseudo-terminal. Safe to call twice.
  void Stop();
  // Path of the pseudo-terminal's slave side: the "serial port" to open.
  std::string SlavePath() const;
  std::string LastError() const;
  // True once the pseudo-terminal was closed by the hang-up fault.
  bool HungUp() const;

  Image GetImage() const;
  void SetImage(const Image& image);
  void SetImageBytes(std::size_t address, std::span<const std::uint8_t> bytes);

  void SetFaults(const Faults& faults);
  void SetPacing(bool on);
  void SetReplyHook(ReplyHook hook);

  // Fixed live data instead of the moving values; std::nullopt moves again.
  void SetLiveData(std::optional<LiveData> data);
  // Fixed error word (live-data bytes 16-17) over either kind of live data.
  void SetErrorWord(std::optional<std::uint16_t> word);
  // The next ReadZeroPoints replies give these readings in turn; after them
  // the readings are noisy values around a fixed zero point again.
  void QueueZeroPoints(std::vector<ZeroPointReading> readings);

  // Valid request frames received since Start() or ResetCounters().
  int RequestCount(std::uint8_t command) const;
  int TotalRequests() const;
  int RepliesSent() const;
  // Bytes of every reply sent, stray bytes included.
  long ReplyBytesSent() const;
  std::vector<std::vector<std::uint8_t>> Requests() const;
  // One entry per request in Requests(), in the same order.
  std::vector<LineTiming> Timings() const;
  void ResetCounters();
  // Waits until at least `count` replies have gone out in total; false on
  // time-out.
  bool WaitForReplies(int count, std::chrono::milliseconds timeout) const;

  class Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace tarn::sim

// The serial port on POSIX systems: exclusive open (flock plus TIOCEXCL), raw
// 8N1 with termios, time-outs emulated with poll() on a non-blocking descriptor.
// The line settings found on open are put back on close.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "link/serial_port.h"

namespace tarn {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kNoFd = -1;

struct BaudEntry {
  std::uint32_t rate;
  speed_t code;
};

constexpr BaudEntry kBaudRates[] = {
    {1200, B1200},   {2400, B2400},   {4800, B4800},   {9600, B9600},
    {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200},
};

bool FindBaud(Baud rate, speed_t* code) {
  for (const BaudEntry& entry : kBaudRates) {
    if (entry.rate == rate.value) {
      *code = entry.code;
      return true;
    }
  }
  return false;
}

tcflag_t DataBitsFlag(std::uint32_t bits) {
  switch (bits) {
    case 5:
      return CS5;
    case 6:
      return CS6;
    case 7:
      return CS7;
    default:
      return CS8;
  }
}

// Raw mode: no echo, no line editing, no translation, no flow control.
void MakeRaw(termios& tio) {
  tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                        IXON | IXOFF | IXANY | INPCK);
  tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
}

// How long one character takes on the line: start bit, data bits, parity,
// stop bits.
std::chrono::microseconds CharacterTime(const PortSettings& settings) {
  constexpr std::int64_t kMicrosecondsPerSecond = 1'000'000;
  const std::int64_t bits = 1 + settings.dataBits + (settings.parity != Parity::None ? 1 : 0) +
                            (settings.stopBits == StopBits::Two ? 2 : 1);
  return std::chrono::microseconds(bits * kMicrosecondsPerSecond /
                                   std::max<std::int64_t>(settings.baudRate.value, 1));
}

bool ApplyLine(const PortSettings& settings, termios& tio) {
  speed_t speed = B0;
  if (!FindBaud(settings.baudRate, &speed) || settings.dataBits < 5 || settings.dataBits > 8) {
    return false;
  }
  if (settings.stopBits == StopBits::OneAndHalf) return false;
  if (settings.parity != Parity::None && settings.parity != Parity::Odd &&
      settings.parity != Parity::Even) {
    return false;
  }
  MakeRaw(tio);
  tio.c_cflag |= DataBitsFlag(settings.dataBits);
  if (settings.stopBits == StopBits::Two) tio.c_cflag |= CSTOPB;
  if (settings.parity != Parity::None) {
    tio.c_cflag |= PARENB;
    tio.c_iflag |= INPCK;  // an input flag: in c_cflag its bit is CS6
  }
  if (settings.parity == Parity::Odd) tio.c_cflag |= PARODD;
  return cfsetispeed(&tio, speed) == 0 && cfsetospeed(&tio, speed) == 0;
}

constexpr char kHeldByAnother[] = "in use by another program";
constexpr int kNoCode = 0;  // the system gave no error of its own

OpenFailure OpenFailureOf(int code) {
  switch (code) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return OpenFailure::NoSuchDevice;
    case EACCES:
    case EPERM:
      return OpenFailure::NoPermission;
    case EBUSY:
      return OpenFailure::Busy;
    case ENOTTY:
      return OpenFailure::NotSerial;
    default:
      return OpenFailure::Other;
  }
}

// Whether another program made the terminal exclusive (TIOCEXCL). Where the
// system cannot tell, only the lock and the open itself decide.
bool HeldExclusively(int fd) {
#ifdef TIOCGEXCL
  int exclusive = 0;
  return ::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
#else
  (void)fd;
  return false;
#endif
}

// Milliseconds until `until`, rounded up, never negative.
int MillisecondsUntil(Clock::time_point until) {
  auto left = until - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  return static_cast<int>(std::chrono::ceil<milliseconds>(left).count());
}

// Errors that a descriptor gives once its device has left the system: the
// driver answers every call with them until the descriptor is closed.
bool MeansDeviceGone(int code) {
  return code == EIO || code == ENXIO || code == ENODEV;
}

// Poll results that say the same without an error code.
constexpr short kGoneEvents = POLLHUP | POLLERR | POLLNVAL;

class PosixSerialPort final : public SerialPort {
 public:
  ~PosixSerialPort() override { Close(); }

  bool Open(const std::string& name) override;
  bool IsOpen() const override { return fd_ != kNoFd; }
  bool Configure(const PortSettings& settings, const PortTimeouts& timeouts) override;
  bool Purge() override;
  bool Write(std::span<const std::uint8_t> bytes) override;
  bool Read(std::span<std::uint8_t> buffer, std::size_t* received) override;
  bool ReadWithin(std::span<std::uint8_t> buffer, std::size_t* received,
                  ReadWindow& window) override;
  std::optional<std::size_t> BytesWaiting() override;
  void Close() override;
  std::string LastError() const override { return error_; }
  OpenProblem LastOpenProblem() const override { return openProblem_; }
  bool PortGone() const override { return gone_; }
  bool StillThere() override;

 private:
  bool Fail(const std::string& what) {
    const int code = errno;
    if (MeansDeviceGone(code)) gone_ = true;
    error_ = what + ": " + std::strerror(code);
    return false;
  }
  bool Fail(const std::string& what, const char* reason) {
    error_ = what + ": " + reason;
    return false;
  }
  // The terminal went away under the open descriptor: the adapter was pulled
  // out or the other side of a pseudo-terminal closed.
  bool FailGone(const std::string& what, const char* reason) {
    gone_ = true;
    return Fail(what, reason);
  }
  // A failed open: closes `fd` (when open) and keeps why.
  bool FailOpen(int fd, const std::string& name, OpenFailure kind, int code);
  // One poll and at most one read; *got is 0 when nothing came in time.
  bool ReadSome(std::span<std::uint8_t> rest, int timeoutMs, std::size_t* got);
  // Waits until the written bytes have left, but not past `deadline`; what
  // is still queued then is discarded.
  bool DrainUntil(Clock::time_point deadline);

  int fd_ = kNoFd;
  bool exclusiveSet_ = false;  // this program set TIOCEXCL on fd_
  std::optional<termios> found_;  // the line settings before ours
  std::string name_;
  PortTimeouts timeouts_;
  std::chrono::microseconds characterTime_{CharacterTime(PortSettings{})};
  std::string error_;
  OpenProblem openProblem_;
  bool gone_ = false;
};

bool PosixSerialPort::Open(const std::string& name) {
  Close();
  openProblem_ = {};
  gone_ = false;
  int fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return FailOpen(fd, name, OpenFailureOf(errno), errno);
  if (!::isatty(fd)) return FailOpen(fd, name, OpenFailure::NotSerial, kNoCode);
  // The lock keeps out a second copy of the tool (and every program that
  // locks); a terminal already made exclusive belongs to another program,
  // which root could otherwise open past the flag.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int code = errno;
    if (code == EWOULDBLOCK) return FailOpen(fd, name, OpenFailure::Busy, EBUSY);
    return FailOpen(fd, name, OpenFailure::Other, code);
  }
  if (HeldExclusively(fd)) return FailOpen(fd, name, OpenFailure::Busy, EBUSY);
  // TIOCEXCL keeps out other openers, except root.
  if (::ioctl(fd, TIOCEXCL) != 0) return FailOpen(fd, name, OpenFailure::Other, errno);
  fd_ = fd;
  name_ = name;
  exclusiveSet_ = true;
  termios found{};
  if (::tcgetattr(fd, &found) == 0) found_ = found;
  return true;
}

bool PosixSerialPort::FailOpen(int fd, const std::string& name, OpenFailure kind, int code) {
  openProblem_ = {kind, code == kNoCode ? std::string() : std::strerror(code)};
  switch (kind) {
    case OpenFailure::Busy:
      error_ = name + ": " + kHeldByAnother;
      break;
    case OpenFailure::NotSerial:
      error_ = name + ": not a terminal";
      break;
    default:
      error_ = name + ": " + openProblem_.systemText;
      break;
  }
  if (fd >= 0) ::close(fd);
  return false;
}

bool PosixSerialPort::Configure(const PortSettings& settings, const PortTimeouts& timeouts) {
  if (fd_ == kNoFd) return Fail("configure", "port is not open");
  timeouts_ = timeouts;
  characterTime_ = CharacterTime(settings);
  termios tio{};
  // A terminal that cannot report its settings is no longer there.
  if (::tcgetattr(fd_, &tio) != 0) return FailGone(name_ + ": tcgetattr", std::strerror(errno));
  if (!ApplyLine(settings, tio)) return Fail(name_, "unsupported line settings");
  if (::tcsetattr(fd_, TCSANOW, &tio) != 0) return Fail(name_ + ": tcsetattr");
  return Purge();
}

bool PosixSerialPort::Purge() {
  if (fd_ == kNoFd) return Fail("purge", "port is not open");
  if (::tcflush(fd_, TCIOFLUSH) != 0) return Fail(name_ + ": tcflush");
  return true;
}

bool PosixSerialPort::Write(std::span<const std::uint8_t> bytes) {
  if (fd_ == kNoFd) return Fail("write", "port is not open");
  const auto deadline = Clock::now() +
                        milliseconds(timeouts_.writeTotalMultiplierMs) * bytes.size() +
                        milliseconds(timeouts_.writeTotalConstantMs);
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = ::write(fd_, bytes.data() + sent, bytes.size() - sent);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return Fail(name_ + ": write");
    if (Clock::now() >= deadline) return Fail(name_ + ": write", "time-out");
    pollfd pfd{fd_, POLLOUT, 0};
    if (::poll(&pfd, 1, MillisecondsUntil(deadline)) < 0 && errno != EINTR) {
      return Fail(name_ + ": poll");
    }
    if ((pfd.revents & kGoneEvents) != 0) return FailGone(name_ + ": write", "line hung up");
  }
  // Synchronous: return once the bytes have left, as the line timing assumes.
  return DrainUntil(deadline);
}

bool PosixSerialPort::DrainUntil(Clock::time_point deadline) {
  for (;;) {
    int queued = 0;
    if (::ioctl(fd_, TIOCOUTQ, &queued) != 0) {
      // The driver cannot say what is queued: wait for it the plain way.
      while (::tcdrain(fd_) != 0) {
        if (errno != EINTR) return Fail(name_ + ": tcdrain");
      }
      return true;
    }
    if (queued <= 0) return true;
    const Clock::time_point now = Clock::now();
    if (now >= deadline) {
      ::tcflush(fd_, TCOFLUSH);
      return Fail(name_ + ": write", "time-out");
    }
    // The queue empties at the line's pace; look again when it should be.
    std::this_thread::sleep_until(std::min(deadline, now + characterTime_ * queued));
  }
}

bool PosixSerialPort::Read(std::span<std::uint8_t> buffer, std::size_t* received) {
  ReadWindow window;
  window.deadline = Clock::now() + milliseconds(timeouts_.readTotalMultiplierMs) * buffer.size() +
                    milliseconds(timeouts_.readTotalConstantMs);
  window.interval = milliseconds(timeouts_.readIntervalMs);
  return ReadWithin(buffer, received, window);
}

bool PosixSerialPort::ReadSome(std::span<std::uint8_t> rest, int timeoutMs, std::size_t* got) {
  *got = 0;
  pollfd pfd{fd_, POLLIN, 0};
  int ready = ::poll(&pfd, 1, timeoutMs);
  if (ready < 0) return errno == EINTR ? true : Fail(name_ + ": poll");
  if (ready == 0) return true;
  if ((pfd.revents & POLLIN) == 0) {
    if ((pfd.revents & kGoneEvents) != 0) return FailGone(name_, "line hung up");
    return true;
  }
  ssize_t n = ::read(fd_, rest.data(), rest.size());
  if (n > 0) {
    *got = static_cast<std::size_t>(n);
    return true;
  }
  if (n == 0) return FailGone(name_, "line hung up");
  if (errno == EINTR || errno == EAGAIN) return true;
  return Fail(name_ + ": read");
}

bool PosixSerialPort::ReadWithin(std::span<std::uint8_t> buffer, std::size_t* received,
                                 ReadWindow& window) {
  *received = 0;
  if (fd_ == kNoFd) return Fail("read", "port is not open");
  bool first = true;
  while (*received < buffer.size()) {
    Clock::time_point limit = window.deadline;
    if (window.lastByte) limit = std::min(limit, *window.lastByte + window.interval);
    if (!first && Clock::now() >= limit) break;
    first = false;
    std::size_t got = 0;
    if (!ReadSome(buffer.subspan(*received), MillisecondsUntil(limit), &got)) return false;
    if (got > 0) {
      *received += got;
      window.lastByte = Clock::now();
    }
  }
  return true;
}

std::optional<std::size_t> PosixSerialPort::BytesWaiting() {
  int count = 0;
  if (fd_ == kNoFd || ::ioctl(fd_, FIONREAD, &count) != 0 || count < 0) return std::nullopt;
  return static_cast<std::size_t>(count);
}

bool PosixSerialPort::StillThere() {
  if (fd_ == kNoFd) return false;
  termios tio{};
  if (::tcgetattr(fd_, &tio) != 0) return FailGone(name_ + ": tcgetattr", std::strerror(errno));
  // No events asked for: the hang-up and error events come regardless.
  pollfd pfd{fd_, 0, 0};
  if (::poll(&pfd, 1, 0) > 0 && (pfd.revents & kGoneEvents) != 0) {
    return FailGone(name_, "line hung up");
  }
  return true;
}

void PosixSerialPort::Close() {
  if (fd_ == kNoFd) return;
  // Clear the exclusive flag we set, so that the next open (ours after a
  // reopen, or another program's) is not refused by a flag that outlives us.
  // Put back the line settings found on open: another device on this port
  // (a modem, a console) expects its own, not ours.
  if (found_) ::tcsetattr(fd_, TCSANOW, &*found_);
  found_.reset();
  if (exclusiveSet_) ::ioctl(fd_, TIOCNXCL);
  exclusiveSet_ = false;
  ::close(fd_);
  fd_ = kNoFd;
}

}  // namespace

std::unique_ptr<SerialPort> MakeSerialPort() {
  return std::make_unique<PosixSerialPort>();
}

}  // namespace tarn

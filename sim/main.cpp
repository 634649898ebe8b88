// tarn-controller-sim: runs the simulated controller on a pseudo-terminal and
// prints the path of its slave side, the port to point the tool at.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>

#include "sim/simulator.h"
#include "tarn_version.h"

namespace {

constexpr char kUsage[] =
    "usage: tarn-controller-sim [options]\n"
    "Runs a simulated controller on a pseudo-terminal, prints the terminal's path\n"
    "and answers until interrupted (Ctrl-C) or hung up.\n"
    "\n"
    "  --image FILE            load the 512-byte image from FILE\n"
    "  --save-back             write the image back to FILE after each write\n"
    "  --no-pacing             reply at once instead of at 19200 baud\n"
    "faults (N counts requests from 1):\n"
    "  --silent                never reply\n"
    "  --silent-command C[:K]  no reply to the next K (1) requests with command C\n"
    "  --silent-on N           no reply to request N\n"
    "  --bad-checksum-on N     wrong checksum in reply N\n"
    "  --split B:MS            send replies in pieces of B bytes, MS apart\n"
    "  --stray-byte-on N[:V]   one stray byte V (0) before reply N\n"
    "  --late MS[:N]           hold replies (or only reply N) back MS ms\n"
    "  --identify-byte2 V      data byte 2 of the Identify reply (1)\n"
    "  --identify-length L     data bytes of the Identify reply (3)\n"
    "  --read-block-length L   data bytes of ReadBlock replies (16)\n"
    "  --module-name NAME      show NAME as module name when address 0 is read\n"
    "  --hang-up-after N       answer N requests, close the terminal on the next\n";

bool ParseInt(std::string_view text, int* value) {
  std::string copy(text);
  char* end = nullptr;
  long parsed = std::strtol(copy.c_str(), &end, 0);
  if (copy.empty() || *end != '\0') return false;
  *value = static_cast<int>(parsed);
  return true;
}

// "A" or "A:B" into two numbers; B keeps its value when absent.
bool ParsePair(std::string_view text, int* first, int* second) {
  std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return ParseInt(text, first);
  return ParseInt(text.substr(0, colon), first) && ParseInt(text.substr(colon + 1), second);
}

bool ApplyFault(std::string_view option, const char* value, tarn::sim::Faults& f) {
  int a = 0, b = 0;
  if (option == "--silent-command") {
    b = 1;
    if (!ParsePair(value, &a, &b)) return false;
    f.silentCommand = static_cast<std::uint8_t>(a);
    f.silentCount = b;
    return true;
  }
  if (option == "--split") {
    return ParsePair(value, &f.splitPieceBytes, &f.splitGapMs);
  }
  if (option == "--stray-byte-on") {
    if (!ParsePair(value, &f.strayByteOn, &b)) return false;
    f.strayByte = static_cast<std::uint8_t>(b);
    return true;
  }
  if (option == "--late") return ParsePair(value, &f.lateReplyMs, &f.lateReplyOn);
  if (option == "--module-name") {
    f.moduleName = value;
    return true;
  }
  struct IntOption {
    std::string_view name;
    int* target;
  };
  const IntOption ints[] = {{"--silent-on", &f.silentOn},
                            {"--bad-checksum-on", &f.badChecksumOn},
                            {"--identify-byte2", &f.identifyByte2},
                            {"--identify-length", &f.identifyDataLength},
                            {"--read-block-length", &f.readBlockDataLength},
                            {"--hang-up-after", &f.hangUpAfter}};
  for (const IntOption& entry : ints) {
    if (option == entry.name) return ParseInt(value, entry.target);
  }
  return false;
}

// 0: parsed; 1: bad usage; 2: help shown; 3: version shown.
int ParseOptions(int argc, char** argv, tarn::sim::Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    if (option == "--help" || option == "-h") return 2;
    if (option == "--version") return 3;
    if (option == "--save-back") {
      options.saveBack = true;
    } else if (option == "--no-pacing") {
      options.pacing = false;
    } else if (option == "--silent") {
      options.faults.silent = true;
    } else if (i + 1 < argc && option == "--image") {
      options.imageFile = argv[++i];
    } else if (i + 1 >= argc || !ApplyFault(option, argv[i + 1], options.faults)) {
      std::fprintf(stderr, "tarn-controller-sim: unknown option or bad value: %s\n", argv[i]);
      return 1;
    } else {
      ++i;
    }
  }
  if (options.saveBack && options.imageFile.empty()) {
    std::fprintf(stderr, "tarn-controller-sim: --save-back needs --image FILE\n");
    return 1;
  }
  return 0;
}

constexpr int kPollSeconds = 0;
constexpr long kPollNanoseconds = 200'000'000;

}  // namespace

int main(int argc, char** argv) {
  tarn::sim::Options options;
  const int parsed = ParseOptions(argc, argv, options);
  if (parsed == 3) {
    std::puts("tarn-controller-sim " TARN_VERSION);
    return 0;
  }
  if (parsed != 0) {
    std::fputs(kUsage, parsed == 2 ? stdout : stderr);
    return parsed == 2 ? 0 : 2;
  }
  // Block the stop signals before the controller's thread starts, so they
  // are taken here by sigtimedwait.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  tarn::sim::Simulator sim(options);
  if (!sim.Start()) {
    std::fprintf(stderr, "tarn-controller-sim: %s\n", sim.LastError().c_str());
    return 1;
  }
  std::printf("%s\n", sim.SlavePath().c_str());
  std::fflush(stdout);
  const timespec poll{kPollSeconds, kPollNanoseconds};
  while (!sim.HungUp() && sigtimedwait(&stopSignals, nullptr, &poll) < 0) {
  }
  sim.Stop();
  return 0;
}

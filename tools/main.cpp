// tarn-cli: the command-line companion of the tool, for backups and scripts.
#include <cstring>
#include <iostream>
#include <string_view>

#include "tools/cli_link.h"
#include "tools/cli_model.h"
#include "tools/cli_monitor.h"

namespace {

constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "usage: tarn-cli COMMAND [ARGUMENTS]\n"
    "\n"
    "  ports                      list the serial ports in the order they are tried\n"
    "  identity                   print the controller's module name, customer,\n"
    "                             serial number and software version\n"
    "  read FILE                  read the controller's 512-byte image into FILE\n"
    "  write [--no-verify] FILE   write FILE to the controller after checking its\n"
    "                             module name, then read it back and compare\n"
    "  show [FILE]                print the parameters of FILE (or the controller)\n"
    "  set FILE NAME=VALUE...     change values in FILE, range-checked\n"
    "  monitor [--csv FILE] [--seconds N]\n"
    "                             poll the live data as the monitor page does and\n"
    "                             print a line per poll, or record them into FILE;\n"
    "                             runs N seconds or until Ctrl+C\n"
    "\n"
    "The controller is found as the tool finds it: every serial port is tried in\n"
    "turn until one answers. TARN_PORTS=PORT[:PORT...] names the ports to try.\n"
    "Exit status: 0 done, 1 failed (the last line on stderr says why), 2 usage.\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << kUsage;
    return kExitUsage;
  }
  const std::string_view command = argv[1];
  const int rest = argc - 2;
  char** restArgs = argv + 2;
  if (command == "--help" || command == "-h" || command == "help") {
    std::cout << kUsage;
    return 0;
  }
  if (command == "ports") return tarn::RunPorts(rest, restArgs, std::cout, std::cerr);
  if (command == "identity") return tarn::RunIdentity(rest, restArgs, std::cout, std::cerr);
  if (command == "read") return tarn::RunRead(rest, restArgs, std::cout, std::cerr);
  if (command == "write") return tarn::RunWrite(rest, restArgs, std::cout, std::cerr);
  if (command == "show") return tarn::RunShow(rest, restArgs);
  if (command == "set") return tarn::RunSet(rest, restArgs);
  if (command == "monitor") return tarn::RunMonitorCommand(rest, restArgs, std::cout, std::cerr);
  std::cerr << "tarn-cli: unknown command: " << command << "\n" << kUsage;
  return kExitUsage;
}

#include "app/program_info.h"

#include "tarn_version.h"

namespace tarn {
namespace {

constexpr char kHelp[] =
    "Usage: tarn-user-app [--help | --version]\n"
    "Configures and services the AC traction controller of an electric vehicle\n"
    "over RS-232. It warns that nothing may be configured while the motor runs,\n"
    "finds the serial port on which a controller answers, reads the controller's\n"
    "parameters and shows them on four pages, writes changed values back, and\n"
    "shows live data on its monitor page.\n"
    "\n"
    "Options:\n"
    "  --help     print this help and exit\n"
    "  --version  print the program's version and exit\n"
    "\n"
    "Environment:\n"
    "  TARN_PORTS  the serial ports to try and their order, separated by ':'\n"
    "              (';' on Windows), e.g. /dev/ttyUSB1:/dev/ttyS0\n"
    "\n"
    "The command-line companion is tarn-cli(1).\n";

}  // namespace

std::optional<std::string> ProgramInfo(std::string_view argument) {
  if (argument == "--version" || argument == "-V") {
    return std::string("tarn-user-app ") + TARN_VERSION + "\n";
  }
  if (argument == "--help" || argument == "-h") return std::string(kHelp);
  return std::nullopt;
}

}  // namespace tarn

#include "tools/cli_app.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string_view>

#include "link/serial_port.h"
#include "tools/cli_files.h"
#include "tools/cli_link.h"
#include "tools/cli_model.h"
#include "tools/cli_monitor.h"

namespace tarn {
namespace {

constexpr int kExitDone = 0;
constexpr int kExitUsage = 2;
constexpr std::size_t kSynopsisColumn = 27;

// What runs a command once its arguments are parsed.
using CommandRun = std::function<int(std::ostream& out, std::ostream& err)>;

struct Command {
  const char* name;
  const char* synopsis;  // in the overview
  const char* usage;     // in the line a usage error prints
  const char* summary;   // its lines in the overview, '\n' between them
  // Declares the command's options and arguments on `app`; the returned run
  // reads what the parse stored.
  CommandRun (*declare)(CLI::App& app);
};

CommandRun DeclarePorts(CLI::App&) {
  return [](std::ostream& out, std::ostream& err) { return RunPorts(out, err); };
}

CommandRun DeclareIdentity(CLI::App&) {
  return [](std::ostream& out, std::ostream& err) { return RunIdentity(out, err); };
}

CommandRun DeclareRead(CLI::App& app) {
  auto path = std::make_shared<std::string>();
  app.add_option("FILE", *path, "the image file to write (512 bytes); a link writes its target")
      ->required();
  return [path](std::ostream& out, std::ostream& err) { return RunRead(*path, out, err); };
}

CommandRun DeclareWrite(CLI::App& app) {
  struct Args {
    std::string path;
    bool noVerify = false;
  };
  auto args = std::make_shared<Args>();
  app.add_flag("--no-verify", args->noVerify, "do not read the image back to compare it");
  app.add_option("FILE", args->path, "the image file to send (512 bytes)")->required();
  return [args](std::ostream& out, std::ostream& err) {
    return RunWrite(args->path, !args->noVerify, out, err);
  };
}

CommandRun DeclareShow(CLI::App& app) {
  auto path = std::make_shared<std::string>();
  CLI::Option* file =
      app.add_option("FILE", *path, "an image file; without it the controller's image is read");
  return [path, file](std::ostream& out, std::ostream& err) {
    return RunShow(file->count() > 0 ? std::optional(*path) : std::nullopt, out, err);
  };
}

CommandRun DeclareSet(CLI::App& app) {
  struct Args {
    std::string path;
    std::vector<std::string> assignments;
  };
  auto args = std::make_shared<Args>();
  app.add_option("FILE", args->path, "the image file to change")->required();
  app.add_option("LABEL-OR-ADDRESS=VALUE", args->assignments,
                 "a value by its label or address (ADDRESS.BIT and on/off for a flag); if any "
                 "is refused, none is stored")
      ->required();
  return [args](std::ostream& out, std::ostream& err) {
    return RunSet(args->path, args->assignments, out, err);
  };
}

CommandRun DeclareDiff(CLI::App& app) {
  struct Args {
    std::string first;
    std::string second;
  };
  auto args = std::make_shared<Args>();
  app.add_option("A", args->first, "an image file; alone, it is compared with the controller")
      ->required();
  CLI::Option* second = app.add_option("B", args->second, "a second image file");
  return [args, second](std::ostream& out, std::ostream& err) {
    return RunDiff(args->first, second->count() > 0 ? std::optional(args->second) : std::nullopt,
                   out, err);
  };
}

CommandRun DeclareExport(CLI::App& app) {
  struct Args {
    std::string file;
    std::string csv;
  };
  auto args = std::make_shared<Args>();
  app.add_option("FILE", args->file, "the image file (512 bytes)")->required();
  CLI::Option* csv =
      app.add_option("OUT.csv", args->csv, "the CSV file to write; without it, standard output");
  return [args, csv](std::ostream& out, std::ostream& err) {
    return RunExport(args->file, csv->count() > 0 ? std::optional(args->csv) : std::nullopt, out,
                     err);
  };
}

CommandRun DeclareMonitor(CLI::App& app) {
  auto options = std::make_shared<MonitorOptions>();
  app.add_option("--csv", options->csvPath, "record the polls into this CSV file")
      ->type_name("FILE")
      ->check([](const std::string& path) {
        return path.empty() ? std::string("--csv needs a file name") : std::string();
      });
  app.add_option("--seconds", options->seconds, "poll for N seconds (five polls a second)")
      ->type_name("N")
      ->check(CLI::Range(1, kMonitorMaxSeconds));
  return [options](std::ostream& out, std::ostream& err) {
    return RunMonitorUntilInterrupted(*options, out, err);
  };
}

// Every command of tarn-cli. A new command is one more entry here, with the
// function that declares its arguments.
const Command kCommands[] = {
    {"ports", "ports", "ports", "list the serial ports in the order they are tried",
     DeclarePorts},
    {"identity", "identity", "identity",
     "print the controller's module name, customer,\nserial number and software version",
     DeclareIdentity},
    {"read", "read FILE", "read FILE", "read the controller's 512-byte image into FILE",
     DeclareRead},
    {"write", "write [--no-verify] FILE", "write [--no-verify] FILE",
     "write FILE to the controller after checking its\nmodule name, then read it back and compare",
     DeclareWrite},
    {"show", "show [FILE]", "show [FILE]", "print the parameters of FILE (or the controller)",
     DeclareShow},
    {"set", "set FILE NAME=VALUE...", "set FILE LABEL-OR-ADDRESS=VALUE...",
     "change values in FILE, range-checked", DeclareSet},
    {"diff", "diff A.bin [B.bin]", "diff A.bin [B.bin]",
     "print the values that differ between two image\nfiles, or between the controller and A;\n"
     "exit 0 same, 1 different, 2 trouble",
     DeclareDiff},
    {"export", "export FILE [OUT.csv]", "export FILE [OUT.csv]",
     "the parameters of FILE as a CSV table for\nspreadsheets (UTF-8), to OUT.csv or stdout",
     DeclareExport},
    {"monitor", "monitor [--csv FILE] [--seconds N]", "monitor [--csv FILE] [--seconds N]",
     "poll the live data as the monitor page does and\nprint a line per poll, or record them "
     "into FILE;\nruns N seconds or until Ctrl+C",
     DeclareMonitor},
};

const Command* FindCommand(std::string_view name) {
  for (const Command& command : kCommands) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

// The summary's lines joined into one, for the command's own help.
std::string OneLine(std::string_view summary) {
  std::string line(summary);
  std::replace(line.begin(), line.end(), '\n', ' ');
  return line;
}

int Usage(const Command& command, std::ostream& err) {
  err << "usage: tarn-cli " << command.usage << "\n";
  return kExitUsage;
}

}  // namespace

std::string CliOverview() {
  std::string text = "usage: tarn-cli COMMAND [ARGUMENTS]\n\n";
  const std::string indent(kSynopsisColumn + 2, ' ');
  for (const Command& command : kCommands) {
    std::string lead = std::string("  ") + command.synopsis;
    // A synopsis too long for its column gets a line of its own.
    if (lead.size() >= indent.size()) {
      text += lead + "\n";
      lead = indent;
    }
    lead.resize(indent.size(), ' ');
    std::string_view summary = command.summary;
    for (;;) {
      const std::size_t end = summary.find('\n');
      text += lead;
      text += summary.substr(0, end);
      text += '\n';
      if (end == std::string_view::npos) break;
      summary.remove_prefix(end + 1);
      lead = indent;
    }
  }
  const char separator = PortListSeparator();
  text += std::string() +
          "\n"
          "The controller is found as the tool finds it: every serial port is tried in\n"
          "turn until one answers. TARN_PORTS=PORT[" + separator +
          "PORT...] names the ports to try.\n"
          "Exit status: 0 done, 1 failed (the last line on stderr says why), 2 usage.\n"
          "tarn-cli COMMAND --help explains one command.\n";
  return text;
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << CliOverview();
    return kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    out << CliOverview();
    return kExitDone;
  }
  const Command* chosen = FindCommand(args[0]);
  if (chosen == nullptr) {
    err << "tarn-cli: unknown command: " << args[0] << "\n" << CliOverview();
    return kExitUsage;
  }
  CLI::App app("", "tarn-cli");
  app.allow_windows_style_options(false);  // "/path" is a file everywhere
  app.require_subcommand(1);
  CommandRun run;
  // Every command is declared, and its run kept, while the parser lives: the
  // parser holds on to where each command's arguments go.
  std::vector<CommandRun> runs;
  for (const Command& entry : kCommands) {
    CLI::App* sub = app.add_subcommand(entry.name, OneLine(entry.summary));
    runs.push_back(entry.declare(*sub));
    if (&entry == chosen) run = runs.back();
  }
  // CLI11 takes the arguments last first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    out << app.help();  // the chosen command's, under the program's name
    return kExitDone;
  } catch (const CLI::ParseError&) {
    return Usage(*chosen, err);
  }
  return run(out, err);
}

}  // namespace tarn

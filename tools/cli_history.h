// tarn-cli history: the service journal on a command line, and what read,
// write and set enter into it.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "journal/service_journal.h"
#include "model/definitions.h"
#include "model/parameter_image.h"

namespace tarn {

//   history [--json] [SERIAL]   the entries newest first, of one controller
//                               when SERIAL (its serial number) is given
//   history show ID             an entry and the values it changed
//   history export [--before] ID FILE
//                               the entry's image (or the one it replaced)
//                               into FILE, replaced atomically
// Exit status: 0 done, 1 failed (the last line on `err` says why).
int RunHistory(const std::optional<std::string>& serial, bool json, std::ostream& out,
               std::ostream& err);
int RunHistoryShow(std::int64_t id, std::ostream& out, std::ostream& err);
int RunHistoryExport(std::int64_t id, const std::string& path, bool before, std::ostream& out,
                     std::ostream& err);

// The journal for one tarn-cli command: a journal that is off says so on
// `err` once ("tarn-cli: " and the tool's line) and the command goes on.
class CliJournal {
 public:
  explicit CliJournal(std::ostream& err);

  void Read(const ParameterImage& image);
  // Before the first block goes out: the image the controller held, as the
  // journal last saw it, and the one about to be written. The id for Finish.
  std::int64_t BeginWrite(const ParameterImage& written);
  void Finish(std::int64_t id, bool success, std::optional<bool> verified,
              const std::string& note);
  // An image file changed by `set`.
  void Set(const ParameterImage& before, const ParameterImage& after, const DefinitionSet& defs,
           const std::string& file);

 private:
  journal::ServiceJournal journal_;
};

}  // namespace tarn

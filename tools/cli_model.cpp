#include "tools/cli_model.h"

#include <charconv>
#include <iomanip>
#include <ostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "model/definition_loader.h"
#include "model/page_layout.h"
#include "model/value_codec.h"
#include "resources/embedded.h"
#include "tools/cli_files.h"
#include "tools/cli_history.h"
#include "tools/cli_session.h"
#include "model/image_file.h"

namespace tarn {

namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr std::size_t kAddressColumn = 7;
constexpr std::size_t kAddressDigits = 3;
constexpr std::size_t kLabelColumn = 34;
constexpr std::size_t kValueColumn = 14;
constexpr std::size_t kRangeColumn = 14;
constexpr char16_t kLowSurrogateFirst = 0xDC00;
constexpr char16_t kLowSurrogateLast = 0xDFFF;
constexpr std::size_t kVersionBytes = 2;
constexpr int kVersionDigits = 4;

// ---------------------------------------------------------------------------
// Pages: the rows as the model lists them, grouped by page.

struct Page {
  PageRows id;
  std::vector<ShownRow> rows;
};

std::vector<Page> BuildPages(const DefinitionSet& defs) {
  std::vector<Page> pages;
  for (const PageRows id : kParameterPages) {
    pages.push_back({id, ShownRowsOfPage(defs, id)});
  }
  return pages;
}

bool OnCheckBox(const ShownRow& row) {
  return row.place == Place::CheckBox;
}

// ---------------------------------------------------------------------------
// Texts.

std::string Utf8(std::u16string_view text) {
  return res::EncodeUtf8(text);
}

// Pads to `width` characters (code points, not bytes).
std::string Padded(std::u16string_view text, std::size_t width) {
  std::size_t shown = 0;
  for (char16_t c : text) {
    shown += (c >= kLowSurrogateFirst && c <= kLowSurrogateLast) ? 0 : 1;  // pairs count once
  }
  std::string out = Utf8(text);
  out.append(shown < width ? width - shown : 1, ' ');
  return out;
}

std::string Padded(const std::string& ascii, std::size_t width) {
  return Padded(res::DecodeUtf8(ascii), width);
}

std::string AddressText(const ShownRow& row) {
  std::string text = std::to_string(row.def->address);
  text.insert(0, text.size() < kAddressDigits ? kAddressDigits - text.size() : 0, '0');
  if (OnCheckBox(row)) {
    text += "." + std::to_string(row.def->pos);
  }
  return text;
}

std::u16string PrintedValue(const ShownRow& row, const ParameterImage& image) {
  return EscapeControls(ShownValue(row, image));
}


// ---------------------------------------------------------------------------
// Image files and the controller.

std::optional<ParameterImage> ReadImageFile(const std::string& path, std::ostream& err) {
  std::string error;
  std::optional<ParameterImage> image = LoadImageFile(path, &error);
  if (!image) {
    err << "tarn-cli: " << error << "\n";
  }
  return image;
}

// The file holds either the old image or the whole new one, never a part.
bool WriteImageFile(const std::string& path, const ParameterImage& image, std::ostream& err) {
  std::string error;
  if (!WriteFileAtomically(path, image.bytes, &error)) {
    err << "tarn-cli: " << error << "\n";
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// show

void PrintRow(const ShownRow& row, const ParameterImage& image, std::ostream& out) {
  const ParamDef& def = *row.def;
  out << "  " << Padded(AddressText(row), kAddressColumn) << Padded(def.name, kLabelColumn)
      << Padded(PrintedValue(row, image), kValueColumn) << Padded(RangeText(def), kRangeColumn)
      << (row.editable ? "editable" : "read-only");
  if (row.shows == Shows::Nothing) {
    out << "  (not filled or stored by the page)";
  }
  out << "\n";
}

void PrintPage(const Page& page, const ParameterImage& image, bool offered, std::ostream& out) {
  out << "\n" << Utf8(PageName(page.id));
  if (!offered) {
    out << " (its page button is hidden: hardware code 7W)";
  }
  out << "\n";
  if (page.rows.empty()) {
    out << "  (no parameters shown)\n";
  }
  // A blank line between the vehicle page's check boxes and its slots.
  bool previousOnBox = !page.rows.empty() && OnCheckBox(page.rows.front());
  for (const ShownRow& row : page.rows) {
    if (OnCheckBox(row) != previousOnBox) {
      out << "\n";
      previousOnBox = OnCheckBox(row);
    }
    PrintRow(row, image, out);
  }
}

void PrintImage(const ParameterImage& image, const DefinitionSet& defs, std::ostream& out) {
  const std::uint32_t version = image.ReadBigEndian(kAddrVersion, kVersionBytes);
  std::ostringstream versionText;
  versionText << std::hex << std::setw(kVersionDigits) << std::setfill('0') << version;
  out << "Definitions: page text " << defs.pageTextId << " for software version "
      << versionText.str() << "\n";
  out << "  " << Padded(std::string("addr"), kAddressColumn)
      << Padded(std::string("label"), kLabelColumn) << Padded(std::string("value"), kValueColumn)
      << Padded(std::string("range"), kRangeColumn) << "entry\n";
  for (const Page& page : BuildPages(defs)) {
    const bool com = page.id == PageRows::Com;
    PrintPage(page, image, !com || ComPageOffered(image), out);
  }
}

// ---------------------------------------------------------------------------
// set

struct Assignment {
  std::string target;
  std::string value;
};

// The whole text as a decimal number of digits only, or nothing.
std::optional<int> Number(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  const bool digitsOnly =
      !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
  if (!digitsOnly || error != std::errc{} || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

// A target is ADDRESS.BIT for a flag, ADDRESS for a value, or else a label.
bool Matches(const ShownRow& row, std::string_view target) {
  const ParamDef& def = *row.def;
  const std::size_t dot = target.find('.');
  if (dot != std::string_view::npos) {
    const auto address = Number(target.substr(0, dot));
    const auto bit = Number(target.substr(dot + 1));
    if (address && bit) {
      return OnCheckBox(row) && *address == def.address && *bit == def.pos;
    }
  }
  if (const auto address = Number(target)) {
    return !OnCheckBox(row) && *address == def.address;
  }
  return def.name == res::DecodeUtf8(target);
}

std::vector<ShownRow> FindRows(const std::vector<Page>& pages, std::string_view target) {
  std::vector<ShownRow> found;
  for (const Page& page : pages) {
    for (const ShownRow& row : page.rows) {
      if (Matches(row, target)) {
        found.push_back(row);
      }
    }
  }
  return found;
}

std::optional<bool> FlagValue(std::string_view value) {
  if (value == "on" || value == "1") {
    return true;
  }
  if (value == "off" || value == "0") {
    return false;
  }
  return std::nullopt;
}

// Stores one assignment into `image` and reports the value now shown to
// `done`; false with a message to `err` when refused.
bool Apply(const Assignment& assignment, const std::vector<Page>& pages, ParameterImage& image,
           std::ostream& done, std::ostream& err) {
  const std::vector<ShownRow> found = FindRows(pages, assignment.target);
  if (found.size() != 1) {
    err << "tarn-cli: " << assignment.target
        << (found.empty() ? ": no parameter shown on a page has this label or address\n"
                          : ": several parameters match; give the address\n");
    return false;
  }
  const ShownRow& row = found.front();
  const ParamDef& def = *row.def;
  if (!row.editable) {
    err << "tarn-cli: " << Utf8(def.name) << " cannot be edited on its page\n";
    return false;
  }
  if (row.shows == Shows::Flag) {
    const std::optional<bool> flag = FlagValue(assignment.value);
    if (!flag) {
      err << "tarn-cli: " << Utf8(def.name) << " takes on or off\n";
      return false;
    }
    SetFlag(def, image, *flag);
  } else if (StoreText(def, res::DecodeUtf8(assignment.value), image) == StoreResult::OutOfRange) {
    err << Utf8(RangeMessage(def)) << "\n";
    return false;
  }
  done << AddressText(row) << "  " << Utf8(def.name) << " = " << Utf8(PrintedValue(row, image))
       << "\n";
  return true;
}

std::optional<std::vector<Assignment>> ParseAssignments(const std::vector<std::string>& args,
                                                        std::ostream& err) {
  std::vector<Assignment> assignments;
  for (const std::string_view arg : args) {
    const std::size_t equals = arg.find('=');
    if (equals == std::string_view::npos || equals == 0) {
      err << "tarn-cli set: expected LABEL-OR-ADDRESS=VALUE, got " << arg << "\n";
      return std::nullopt;
    }
    assignments.push_back(
        {std::string(arg.substr(0, equals)), std::string(arg.substr(equals + 1))});
  }
  return assignments;
}

}  // namespace

std::optional<ParameterImage> ReadImageFromController(std::ostream& out, std::ostream& err,
                                                      std::stop_token stop) {
  CliSession session(out, err, stop);
  if (!ConnectController(session, err)) {
    return std::nullopt;
  }
  ParameterImage image;
  ReadCommand(session.link, image, session.flags, session.prompter, session.status);
  if (session.Interrupted()) {
    return std::nullopt;
  }
  if (!session.flags.imageRead) {
    err << "tarn-cli: reading the image from " << session.connection.connectedPort << " failed\n";
    return std::nullopt;
  }
  out << "Image read from the controller on " << session.connection.connectedPort << "\n";
  return image;
}

bool LoadFor(const ParameterImage& image, DefinitionSet& defs, std::ostream& err) {
  const LoadResult result = LoadDefinitionSet(image, defs);
  if (result != LoadResult::Loaded) {
    err << Utf8(res::String(RefusalMessageId(result))) << "\n";
    return false;
  }
  return true;
}

int RunShow(const std::optional<std::string>& file, std::ostream& out, std::ostream& err,
            std::stop_token stop) {
  const std::optional<ParameterImage> image =
      file ? ReadImageFile(*file, err) : ReadImageFromController(out, err, stop);
  if (stop.stop_requested()) {
    return Interrupted(err);
  }
  if (!image) {
    return kExitFailed;
  }
  auto defs = std::make_unique<DefinitionSet>();
  if (!LoadFor(*image, *defs, err)) {
    return kExitFailed;
  }
  PrintImage(*image, *defs, out);
  return kExitDone;
}

int RunSet(const std::string& file, const std::vector<std::string>& assignmentArgs, bool force,
           std::ostream& out, std::ostream& err, std::stop_token stop) {
  const auto assignments = ParseAssignments(assignmentArgs, err);
  if (!assignments) {
    return kExitUsage;
  }
  if (!CheckReplaceable(file, force, err)) {
    return kExitFailed;
  }
  std::optional<ParameterImage> image = ReadImageFile(file, err);
  auto defs = std::make_unique<DefinitionSet>();
  if (!image || !LoadFor(*image, *defs, err)) {
    return kExitFailed;
  }
  const std::vector<Page> pages = BuildPages(*defs);
  const ParameterImage original = *image;
  // Every assignment is tried so that all refusals are reported at once.
  std::ostringstream done;
  bool allStored = true;
  for (const Assignment& assignment : *assignments) {
    allStored = Apply(assignment, pages, *image, done, err) && allStored;
  }
  if (!allStored) {
    err << "tarn-cli set: nothing written; " << file << " is unchanged\n";
    return kExitFailed;
  }
  if (stop.stop_requested()) {
    return Interrupted(err, file + " is unchanged");
  }
  if (!WriteImageFile(file, *image, err)) {
    return kExitFailed;
  }
  CliJournal(err).Set(original, *image, *defs, file);
  out << done.str() << "written: " << file << "\n";
  return kExitDone;
}

}  // namespace tarn

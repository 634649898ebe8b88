#include "tools/cli_history.h"

#include <cstdio>
#include <memory>
#include <ostream>
#include <string_view>
#include <vector>

#include "model/definition_loader.h"
#include "model/image_file.h"

namespace tarn {
namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;

int Fail(std::ostream& err, std::string_view reason) {
  err << "tarn-cli: " << reason << "\n";
  return kExitFailed;
}

std::unique_ptr<journal::Journal> Open(std::ostream& err) {
  std::string error;
  std::unique_ptr<journal::Journal> opened =
      journal::OpenJournal(journal::JournalLocation(), &error);
  if (opened == nullptr) Fail(err, "the service journal cannot be opened: " + error);
  return opened;
}

std::string Outcome(const journal::EntrySummary& entry) {
  if (!entry.success) return "failed";
  if (!entry.verified) return "ok";
  return *entry.verified ? "verified" : "verify failed";
}

std::string JsonText(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof(escaped), "\\u%04x", static_cast<unsigned char>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string JsonBool(std::optional<bool> value) {
  if (!value) return "null";
  return *value ? "true" : "false";
}

void PrintJson(const std::vector<journal::EntrySummary>& entries, std::ostream& out) {
  out << "[";
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const journal::EntrySummary& e = entries[i];
    out << (i == 0 ? "\n" : ",\n") << "  {\"id\": " << e.id
        << ", \"time\": " << JsonText(e.time) << ", \"kind\": " << JsonText(KindName(e.kind))
        << ", \"module_name\": " << JsonText(e.controller.moduleName)
        << ", \"customer\": " << JsonText(e.controller.customer)
        << ", \"serial_number\": " << JsonText(e.controller.serialNumber)
        << ", \"software_version\": " << JsonText(e.controller.version)
        << ", \"user\": " << JsonText(e.user) << ", \"host\": " << JsonText(e.host)
        << ", \"success\": " << JsonBool(e.success) << ", \"verified\": " << JsonBool(e.verified)
        << ", \"changes\": " << e.changeCount << ", \"note\": " << JsonText(e.note) << "}";
  }
  out << (entries.empty() ? "]\n" : "\n]\n");
}

// Pads `text` to `width` characters (UTF-8 sequences count once).
std::string Padded(const std::string& text, std::size_t width) {
  std::size_t characters = 0;
  for (const char c : text) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return text + std::string(characters < width ? width - characters : 1, ' ');
}

// A read changes nothing; a write or a set names how many values it changed.
std::string ChangeCount(const journal::EntrySummary& entry) {
  return entry.kind == journal::EntryKind::Read ? "-" : std::to_string(entry.changeCount);
}

void PrintTable(const std::vector<journal::EntrySummary>& entries, std::ostream& out) {
  struct Column {
    const char* title;
    std::size_t width;
  };
  constexpr Column kColumns[] = {{"ID", 6},     {"TIME", 22},   {"KIND", 7},
                                 {"SERIAL", 10}, {"MODULE", 10}, {"USER", 12},
                                 {"CHANGES", 9}, {"RESULT", 0}};
  for (const Column& column : kColumns) {
    out << (column.width > 0 ? Padded(column.title, column.width) : column.title);
  }
  out << "\n";
  for (const journal::EntrySummary& e : entries) {
    const std::string cells[] = {std::to_string(e.id),      e.time,
                                 KindName(e.kind),          e.controller.serialNumber,
                                 e.controller.moduleName,   e.user,
                                 ChangeCount(e), Outcome(e)};
    for (std::size_t i = 0; i < std::size(cells); ++i) {
      out << (i + 1 < std::size(cells) ? Padded(cells[i], kColumns[i].width) : cells[i]);
    }
    out << "\n";
  }
}

}  // namespace

int RunHistory(const std::optional<std::string>& serial, bool json, std::ostream& out,
               std::ostream& err) {
  const std::unique_ptr<journal::Journal> opened = Open(err);
  if (opened == nullptr) return kExitFailed;
  std::string error;
  const auto entries = opened->List(serial, &error);
  if (!entries) return Fail(err, "reading the service journal failed: " + error);
  if (json) {
    PrintJson(*entries, out);
  } else {
    PrintTable(*entries, out);
  }
  return kExitDone;
}

int RunHistoryShow(std::int64_t id, std::ostream& out, std::ostream& err) {
  const std::unique_ptr<journal::Journal> opened = Open(err);
  if (opened == nullptr) return kExitFailed;
  std::string error;
  const std::optional<journal::Entry> entry = opened->Load(id, &error);
  if (!entry) return Fail(err, error);
  const journal::EntrySummary& e = entry->summary;
  out << "Entry:            " << e.id << " (" << KindName(e.kind) << ", " << Outcome(e) << ")\n"
      << "Time:             " << e.time << "\n"
      << "Controller:       " << e.controller.moduleName << ", customer " << e.controller.customer
      << ", serial number " << e.controller.serialNumber << ", version " << e.controller.version
      << "\n"
      << "By:               " << e.user << " on " << e.host << ", tarn " << entry->toolVersion
      << "\n";
  if (!e.note.empty()) out << "Note:             " << e.note << "\n";
  if (e.kind != journal::EntryKind::Read) {
    out << "Image before:     " << (entry->before ? "kept" : "unknown") << "\n"
        << "Changed values:   " << entry->changes.size() << "\n";
  }
  for (const journal::ChangedValue& change : entry->changes) {
    out << change.page << "\t" << change.label << "\t" << change.before << "\t" << change.after
        << "\n";
  }
  return kExitDone;
}

int RunHistoryExport(std::int64_t id, const std::string& path, bool before, std::ostream& out,
                     std::ostream& err) {
  const std::unique_ptr<journal::Journal> opened = Open(err);
  if (opened == nullptr) return kExitFailed;
  std::string error;
  const std::optional<journal::Entry> entry = opened->Load(id, &error);
  if (!entry) return Fail(err, error);
  const std::optional<ParameterImage>& image = before ? entry->before : entry->image;
  if (!image) {
    return Fail(err, "entry " + std::to_string(id) + " keeps no image before it; " + path +
                         " untouched");
  }
  if (!WriteFileAtomically(path, image->bytes, &error)) return Fail(err, error);
  out << "written: " << path << "\n";
  return kExitDone;
}

CliJournal::CliJournal(std::ostream& err)
    : journal_([&err](const std::string& text) { err << "tarn-cli: " << text << "\n"; }) {}

void CliJournal::Read(const ParameterImage& image) {
  journal_.RecordRead(image);
}

std::int64_t CliJournal::BeginWrite(const ParameterImage& written) {
  const std::optional<ParameterImage> before = journal_.LastImage(written);
  // The changes are worked out with the definitions the written image selects.
  auto defs = std::make_unique<DefinitionSet>();
  const bool loaded = LoadDefinitionSet(written, *defs) == LoadResult::Loaded;
  return journal_.BeginWrite(journal::EntryKind::Write, before, written,
                             loaded ? defs.get() : nullptr);
}

void CliJournal::Finish(std::int64_t id, bool success, std::optional<bool> verified,
                        const std::string& note) {
  journal_.FinishWrite(id, success, verified, note);
}

void CliJournal::Set(const ParameterImage& before, const ParameterImage& after,
                     const DefinitionSet& defs, const std::string& file) {
  const std::int64_t id = journal_.BeginWrite(journal::EntryKind::Set, before, after, &defs);
  journal_.FinishWrite(id, true, std::nullopt, "file " + file);
}

}  // namespace tarn

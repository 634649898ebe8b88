// The journal as the desktop program and tarn-cli use it: opened on first
// use at the place TARN_JOURNAL names (a file, or a postgresql:// server) or
// in the user's data folder, fed with every Read and Write, and never in the
// way of service work: a journal that cannot be opened or written turns
// itself off, says so once through the notice, and every later call does
// nothing.
//
// Threading: one thread at a time (the UI thread, or tarn-cli's).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "journal/journal.h"
#include "model/definitions.h"
#include "model/parameter_image.h"

namespace tarn::journal {

// Where the journal lives: TARN_JOURNAL when set and not empty, otherwise
// journal.sqlite in the user's data folder.
std::string JournalLocation();
bool IsServerLocation(const std::string& location);  // postgresql://, postgres://

// Platform parts: the user's data folder for the journal, the operating
// system's user name and the computer's name.
std::string DefaultJournalPath();
std::string UserName();
std::string HostName();
std::string UtcTimestamp();  // 2026-12-10T08:52:44Z

// The tool's version and the current time in UTC, as entries carry them.
Origin CurrentOrigin();

// The values that differ between two images as the pages show them, for an
// entry's list of changes.
std::vector<ChangedValue> ChangedValues(const DefinitionSet& defs, const ParameterImage& before,
                                        const ParameterImage& after);

// The Russian line that says the journal is off, and why.
std::string JournalOffText(const std::string& reason);

class ServiceJournal {
 public:
  // `notice` gets JournalOffText once, the first time the journal fails.
  using Notice = std::function<void(const std::string& text)>;
  explicit ServiceJournal(Notice notice, std::string location = JournalLocation());
  ~ServiceJournal();

  // A successful read, kept back until Flush (the desktop program posts the
  // flush, so that opening the journal is never on the way to the first
  // page) or until the next record.
  void NoteRead(const ParameterImage& image);
  void Flush();
  void RecordRead(const ParameterImage& image);

  // A write is entered before the first block goes out, as not finished, with
  // the image it replaces: a write that never finishes (a crash, a pulled
  // plug) stays in the journal as failed. FinishWrite gives its outcome.
  // BeginWrite's id is 0 when the journal is off.
  std::int64_t BeginWrite(EntryKind kind, const std::optional<ParameterImage>& before,
                          const ParameterImage& written, const DefinitionSet* defs);
  void FinishWrite(std::int64_t id, bool success, std::optional<bool> verified,
                   const std::string& note);

  // The last image the controller is known to hold (its last read or whole
  // write), for a write whose caller has not read it in this run.
  std::optional<ParameterImage> LastImage(const ParameterImage& sameController);

  // The opened journal, or nullptr when it is off (opens it on first use).
  Journal* Get();
  bool IsOff() const { return off_; }
  const std::string& location() const { return location_; }

 private:
  void TurnOff(const std::string& reason);

  Notice notice_;
  std::string location_;
  std::unique_ptr<Journal> journal_;
  std::optional<ParameterImage> pendingRead_;
  bool off_ = false;
};

// The journal at `location` (the same rules as ServiceJournal's), opened and
// migrated; nothing with *error set.
std::unique_ptr<Journal> OpenJournal(const std::string& location, std::string* error);

}  // namespace tarn::journal

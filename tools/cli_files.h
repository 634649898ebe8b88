// tarn-cli diff and export: what differs between two images as the pages
// show it, and an image's parameters as a CSV table.
#pragma once

#include <iosfwd>
#include <optional>
#include <stop_token>
#include <string>

namespace tarn {

//   diff A.bin [B.bin]  one line per differing value: page, label, value in
//                       A, value in B. With one file, A is the controller's
//                       image. B must select the same definitions as A.
//                       Exit status as diff(1): 0 same, 1 differ, 2 error.
//   export FILE [OUT.csv]
//                       the CSV table of FILE, to OUT.csv (replaced
//                       atomically) or to standard output. Exit 0 or 1.
int RunDiff(const std::string& first, const std::optional<std::string>& second, std::ostream& out,
            std::ostream& err, std::stop_token stop = {});
int RunExport(const std::string& file, const std::optional<std::string>& csvPath, char separator,
              std::ostream& out, std::ostream& err, std::stop_token stop = {});

// Whether replacing the file at `path` (a link's target) would overwrite a
// file made read-only (no write bit for anyone, a Windows read-only file), as
// an editor would refuse to. False for a file that does not exist.
bool IsReadOnlyFile(const std::string& path);

// Refuses a read-only file with "PATH is read-only" on `err`, unless `force`.
bool CheckReplaceable(const std::string& path, bool force, std::ostream& err);

}  // namespace tarn

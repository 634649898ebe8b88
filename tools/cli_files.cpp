#include "tools/cli_files.h"

#include <filesystem>
#include <memory>
#include <ostream>
#include <system_error>
#include <vector>

#include "model/image_compare.h"
#include "model/image_file.h"
#include "model/parameter_export.h"
#include "model/service_file.h"
#include "resources/embedded.h"
#include "tools/cli_model.h"
#include "tools/cli_session.h"

namespace tarn {
namespace {

constexpr int kExitSame = 0;
constexpr int kExitDiffer = 1;
constexpr int kExitTrouble = 2;
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;

std::string Utf8(std::u16string_view text) {
  return res::EncodeUtf8(text);
}

// Why a second image cannot be compared with the first one.
const char* MismatchText(FileFit fit) {
  switch (fit) {
    case FileFit::WrongSize:
      return "not an image: an image file holds exactly 512 bytes";
    case FileFit::UnsupportedModel:
      return "its model code is not one the tool supports";
    case FileFit::OldVersion:
      return "its software version is older than any definitions";
    case FileFit::OtherGeneration:
      return "it belongs to another software generation: its values lie at other addresses";
    case FileFit::Fits:
      break;
  }
  return "";
}

std::string ValueText(const std::u16string& value) {
  return value.empty() ? std::string("(empty)") : Utf8(value);
}

}  // namespace

bool IsReadOnlyFile(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status status = fs::status(PathFromUtf8(path), ec);
  if (ec || !fs::is_regular_file(status)) return false;
  constexpr fs::perms kWriteBits =
      fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  // The bits, not a try at writing: root may write anything, and the
  // bits say what the owner meant.
  return (status.permissions() & kWriteBits) == fs::perms::none;
}

bool CheckReplaceable(const std::string& path, bool force, std::ostream& err) {
  if (force || !IsReadOnlyFile(path)) return true;
  err << "tarn-cli: " << path << " is read-only; --force replaces it all the same\n";
  return false;
}

int RunDiff(const std::string& first, const std::optional<std::string>& second, std::ostream& out,
            std::ostream& err, std::stop_token stop) {
  std::string error;
  // The controller's line goes to stderr: stdout carries the differences.
  const std::optional<ParameterImage> a =
      second ? LoadImageFile(first, &error) : ReadImageFromController(err, err, stop);
  if (stop.stop_requested()) return Interrupted(err);
  if (!a) {
    if (!error.empty()) err << "tarn-cli: " << error << "\n";
    return kExitTrouble;
  }
  auto defs = std::make_unique<DefinitionSet>();
  if (!LoadFor(*a, *defs, err)) {
    return kExitTrouble;
  }
  const std::string& otherPath = second ? *second : first;
  const auto bytes = ReadFileHead(otherPath, kImageSize, &error);
  if (!bytes) {
    err << "tarn-cli: " << error << "\n";
    return kExitTrouble;
  }
  ParameterImage b;
  if (const FileFit fit = CheckImageFile(*bytes, *defs, &b); fit != FileFit::Fits) {
    err << "tarn-cli: " << otherPath << ": " << MismatchText(fit) << "\n";
    return kExitTrouble;
  }
  const std::vector<Difference> differences = CompareImages(*defs, *a, b);
  for (const Difference& difference : differences) {
    out << Utf8(PageName(difference.row.page)) << "\t" << Utf8(difference.row.def->name) << "\t"
        << ValueText(difference.controllerValue) << "\t" << ValueText(difference.otherValue)
        << "\n";
  }
  return differences.empty() ? kExitSame : kExitDiffer;
}

int RunExport(const std::string& file, const std::optional<std::string>& csvPath, char separator,
              std::ostream& out, std::ostream& err, std::stop_token stop) {
  std::string error;
  const std::optional<ParameterImage> image = LoadImageFile(file, &error);
  if (!image) {
    err << "tarn-cli: " << error << "\n";
    return kExitFailed;
  }
  auto defs = std::make_unique<DefinitionSet>();
  if (!LoadFor(*image, *defs, err)) {
    return kExitFailed;
  }
  const std::string csv = ExportParameters(*defs, *image, LocalToday(), separator);
  if (stop.stop_requested()) return Interrupted(err, csvPath ? *csvPath + " untouched" : "");
  if (!csvPath) {
    out << csv;
    return kExitDone;
  }
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(csv.data()),
                                            csv.size());
  if (!WriteFileAtomically(*csvPath, bytes, &error)) {
    err << "tarn-cli: " << error << "\n";
    return kExitFailed;
  }
  out << "written: " << *csvPath << "\n";
  return kExitDone;
}

}  // namespace tarn

// Reads every dialog template and menu bar and writes the header of the ids
// the code names, from the templates' name= words:
//
//   tarn-template-ids <output.h> <template.txt>...
//
// A file that does not parse, a template_<N>.txt or menu_<N>.txt whose id is
// not N, or one name given two values stops the build with the file and line
// (as file:line: so editors jump there). The header is rewritten only when its
// text changes, so the code is not compiled again for a moved control.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ui/menu.h"
#include "ui/template_parser.h"

namespace {

using tarn::ui::kNoId;

struct NamedId {
  int value = 0;
  std::string file;
};

struct Ids {
  std::map<std::string, NamedId> names;
  std::vector<int> templates;
};

bool Fail(const std::string& file, const std::string& message) {
  std::fprintf(stderr, "%s:%s\n", file.c_str(), message.c_str());
  return false;
}

// The parser reports "line N: fault"; the build wants "file:N: fault".
bool ParseFailure(const std::string& file, const std::string& error) {
  constexpr std::string_view kLine = "line ";
  if (error.starts_with(kLine)) {
    return Fail(file, error.substr(kLine.size()));
  }
  return Fail(file, " " + error);
}

// N of "<prefix>N.txt", or kNoId when the file is named otherwise.
int IdInName(const std::string& name, std::string_view prefix) {
  constexpr std::string_view kSuffix = ".txt";
  if (!name.starts_with(prefix) || !name.ends_with(kSuffix)) {
    return kNoId;
  }
  const char* first = name.data() + prefix.size();
  const char* last = name.data() + name.size() - kSuffix.size();
  int id = kNoId;
  const auto [end, ec] = std::from_chars(first, last, id);
  return ec == std::errc{} && end == last && first != last ? id : kNoId;
}

bool AddName(Ids& ids, const std::string& file, const std::string& name, int value) {
  if (name.empty()) {
    return true;
  }
  const auto [it, added] = ids.names.emplace(name, NamedId{value, file});
  if (!added && it->second.value != value) {
    return Fail(file, " " + name + " is " + std::to_string(value) + " here but " +
                          std::to_string(it->second.value) + " in " + it->second.file);
  }
  return true;
}

bool ReadFile(const std::string& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return false;
  }
  std::ostringstream bytes;
  bytes << in.rdbuf();
  *text = bytes.str();
  return true;
}

bool AddFile(Ids& ids, const std::string& path) {
  std::string text;
  if (!ReadFile(path, &text)) {
    return Fail(path, " cannot be read");
  }
  const std::string name = std::filesystem::path(path).filename().string();
  std::string error;
  if (name.starts_with("menu_")) {
    tarn::ui::MenuBar bar;
    if (!tarn::ui::ParseMenuBar(text, &bar, &error)) {
      return ParseFailure(path, error);
    }
    const int expected = IdInName(name, "menu_");
    if (expected != kNoId && bar.id != expected) {
      return Fail(path, " menubar id " + std::to_string(bar.id) + " does not match the name");
    }
    for (const tarn::ui::Menu& menu : bar.menus) {
      for (const tarn::ui::MenuItem& item : menu.items) {
        if (!AddName(ids, path, item.name, item.id)) {
          return false;
        }
      }
    }
    return true;
  }
  tarn::ui::DialogTemplate dialog;
  if (!tarn::ui::ParseTemplate(text, &dialog, &error)) {
    return ParseFailure(path, error);
  }
  const int expected = IdInName(name, "template_");
  if (expected != kNoId && dialog.id != expected) {
    return Fail(path, " dialog id " + std::to_string(dialog.id) + " does not match the name");
  }
  ids.templates.push_back(dialog.id);
  if (!AddName(ids, path, dialog.name, dialog.id)) {
    return false;
  }
  return std::all_of(dialog.controls.begin(), dialog.controls.end(), [&](const auto& control) {
    return AddName(ids, path, control.name, control.id);
  });
}

std::string Header(Ids ids) {
  std::vector<std::pair<int, std::string>> byValue;
  for (const auto& [name, id] : ids.names) {
    byValue.emplace_back(id.value, name);
  }
  std::sort(byValue.begin(), byValue.end());
  std::sort(ids.templates.begin(), ids.templates.end());
  std::string out =
      "// The ids of controls, menu commands and dialog templates by the names the\n"
      "// templates give them. Written by the build from resources/templates/*.txt;\n"
      "// change the templates, not this file.\n"
      "#pragma once\n\n#include <array>\n\nnamespace tarn {\n\n";
  for (const auto& [value, name] : byValue) {
    out += "inline constexpr int " + name + " = " + std::to_string(value) + ";\n";
  }
  out += "\n}  // namespace tarn\n\nnamespace tarn::ui {\n\n";
  out += "// Every dialog template the program carries, in ascending order.\n";
  out += "inline constexpr std::array<int, " + std::to_string(ids.templates.size()) +
         "> kBuiltInTemplateIds = {";
  for (std::size_t i = 0; i < ids.templates.size(); ++i) {
    out += (i == 0 ? "" : ", ") + std::to_string(ids.templates[i]);
  }
  out += "};\n\n}  // namespace tarn::ui\n";
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <output.h> <template.txt>...\n", argv[0]);
    return 2;
  }
  Ids ids;
  for (int i = 2; i < argc; ++i) {
    if (!AddFile(ids, argv[i])) {
      return 1;
    }
  }
  const std::set<int> distinct(ids.templates.begin(), ids.templates.end());
  if (distinct.size() != ids.templates.size()) {
    std::fprintf(stderr, "%s: two templates with one dialog id\n", argv[0]);
    return 1;
  }
  const std::string output = argv[1];
  const std::string header = Header(std::move(ids));
  std::string old;
  if (ReadFile(output, &old) && old == header) {
    return 0;
  }
  if (const auto folder = std::filesystem::path(output).parent_path(); !folder.empty()) {
    std::filesystem::create_directories(folder);
  }
  const std::string temporary = output + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << header;
    if (!out.flush()) {
      Fail(output, " cannot be written");
      return 1;
    }
  }
  std::filesystem::rename(temporary, output);
  return 0;
}

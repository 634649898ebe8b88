#include "ui/template_parser.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "resources/embedded.h"
#include "ui/menu.h"

namespace tarn::ui {

namespace {

// One word of a statement: `key=value`, or a bare `flag` with an empty value.
struct Word {
  std::string key;
  std::string value;
  bool hasValue = false;
};

using Words = std::vector<Word>;

// Splits a line into words; quotes keep blanks, \" and \\ escape.
std::optional<std::vector<std::string>> SplitLine(std::string_view line) {
  std::vector<std::string> parts;
  std::string current;
  bool inQuotes = false;
  bool inWord = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (inQuotes && c == '\\' && i + 1 < line.size()) {
      current += line[++i];
    } else if (c == '"') {
      inQuotes = !inQuotes;
      inWord = true;
    } else if (!inQuotes && (c == ' ' || c == '\t' || c == '\r')) {
      if (inWord) {
        parts.push_back(std::move(current));
        current.clear();
        inWord = false;
      }
    } else {
      current += c;
      inWord = true;
    }
  }
  if (inQuotes) {
    return std::nullopt;
  }
  if (inWord) {
    parts.push_back(std::move(current));
  }
  return parts;
}

Words ToWords(const std::vector<std::string>& parts) {
  Words words;
  for (std::size_t i = 1; i < parts.size(); ++i) {
    Word word;
    const auto eq = parts[i].find('=');
    if (eq == std::string::npos) {
      word.key = parts[i];
    } else {
      word.key = parts[i].substr(0, eq);
      word.value = parts[i].substr(eq + 1);
      word.hasValue = true;
    }
    words.push_back(std::move(word));
  }
  return words;
}

std::optional<int> ToInt(std::string_view text) {
  int value = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc{} || ptr != text.data() + text.size() || text.empty()) {
    return std::nullopt;
  }
  return value;
}

// "1,126,258" -> {1, 126, 258}.
std::optional<std::vector<int>> ToIntList(std::string_view text) {
  std::vector<int> values;
  std::size_t start = 0;
  while (true) {
    const auto comma = text.find(',', start);
    const auto piece =
        text.substr(start, comma == std::string_view::npos ? text.npos : comma - start);
    const auto value = ToInt(piece);
    if (!value) {
      return std::nullopt;
    }
    values.push_back(*value);
    if (comma == std::string_view::npos) {
      return values;
    }
    start = comma + 1;
  }
}

std::optional<std::pair<int, int>> ToPair(std::string_view text) {
  const auto values = ToIntList(text);
  if (!values || values->size() != 2) {
    return std::nullopt;
  }
  return std::pair{(*values)[0], (*values)[1]};
}

// The name of the constant the code knows an id by: `k` and then letters,
// digits and underscores, as in kIdRead.
bool IsConstantName(std::string_view text) {
  const auto isWordChar = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  };
  return text.size() > 1 && text.front() == 'k' &&
         std::all_of(text.begin(), text.end(), isWordChar);
}

std::optional<ControlKind> ToKind(std::string_view text) {
  static const std::map<std::string_view, ControlKind> kKinds = {
      {"button", ControlKind::PushButton}, {"defbutton", ControlKind::DefPushButton},
      {"checkbox", ControlKind::CheckBox}, {"static", ControlKind::StaticText},
      {"edit", ControlKind::Edit},         {"group", ControlKind::GroupBox},
      {"picture", ControlKind::Picture},   {"etched", ControlKind::EtchedLine},
      {"list", ControlKind::List},         {"chart", ControlKind::Chart},
  };
  const auto found = kKinds.find(text);
  return found == kKinds.end() ? std::nullopt : std::optional(found->second);
}

// A bare style word; false when the word is not one.
bool ApplyStyle(std::string_view key, ControlTemplate& control) {
  static const std::map<std::string_view, bool ControlTemplate::*> kFlags = {
      {"disabled", &ControlTemplate::disabled},     {"border", &ControlTemplate::border},
      {"staticedge", &ControlTemplate::staticEdge}, {"vcenter", &ControlTemplate::centerVertically},
      {"autoscroll", &ControlTemplate::autoScroll}, {"tabstop", &ControlTemplate::tabStop},
      {"checkboxes", &ControlTemplate::checkBoxes},
  };
  if (key == "hidden") {
    control.visible = false;
  } else if (key == "center") {
    control.align = TextAlign::Center;
  } else if (key == "right") {
    control.align = TextAlign::Right;
  } else if (const auto found = kFlags.find(key); found != kFlags.end()) {
    control.*(found->second) = true;
  } else {
    return false;
  }
  return true;
}

// Applies the words that `control` and `grid` share; the rest go to `others`.
bool ApplyControlWords(const Words& words, ControlTemplate& control, Words* others,
                       std::string* error) {
  bool hasKind = false;
  for (const Word& word : words) {
    bool ok = true;
    if (!word.hasValue) {
      ok = ApplyStyle(word.key, control);
    } else if (word.key == "kind") {
      const auto kind = ToKind(word.value);
      ok = kind.has_value();
      hasKind = ok;
      control.kind = kind.value_or(ControlKind::StaticText);
    } else if (word.key == "size") {
      const auto size = ToPair(word.value);
      ok = size.has_value();
      std::tie(control.cx, control.cy) = size.value_or(std::pair{0, 0});
    } else if (word.key == "text") {
      control.caption = res::DecodeUtf8(word.value);
    } else if (word.key == "picture") {
      control.picture = word.value;
    } else if (word.key == "name") {
      ok = IsConstantName(word.value);
      control.name = word.value;
    } else {
      others->push_back(word);
    }
    if (!ok) {
      *error = "bad word '" + word.key + "'";
      return false;
    }
  }
  if (!hasKind) {
    *error = "control without kind";
    return false;
  }
  return true;
}

bool ParseControl(const Words& words, DialogTemplate& dialog, std::string* error) {
  ControlTemplate control;
  Words others;
  if (!ApplyControlWords(words, control, &others, error)) {
    return false;
  }
  for (const Word& word : others) {
    if (word.key == "id") {
      const auto id = ToInt(word.value);
      if (!id) {
        *error = "bad id";
        return false;
      }
      control.id = *id;
    } else if (word.key == "at") {
      const auto at = ToPair(word.value);
      if (!at) {
        *error = "bad position";
        return false;
      }
      std::tie(control.x, control.y) = *at;
    } else {
      *error = "unknown word '" + word.key + "'";
      return false;
    }
  }
  if (!control.name.empty() && control.id == kNoId) {
    *error = "a named control needs an id";
    return false;
  }
  dialog.controls.push_back(std::move(control));
  return true;
}

struct GridRule {
  int first = 0, step = 1, count = 0, rows = 0, y = 0, dy = 0;
  std::vector<int> columns;
};

bool ReadGridRule(const Words& words, GridRule& rule, std::string* error) {
  const std::map<std::string_view, int GridRule::*> kNumbers = {
      {"first", &GridRule::first}, {"step", &GridRule::step}, {"count", &GridRule::count},
      {"rows", &GridRule::rows},   {"y", &GridRule::y},       {"dy", &GridRule::dy},
  };
  for (const Word& word : words) {
    if (word.key == "columns") {
      const auto columns = ToIntList(word.value);
      if (!columns) {
        *error = "bad columns";
        return false;
      }
      rule.columns = *columns;
    } else if (const auto found = kNumbers.find(word.key); found != kNumbers.end()) {
      const auto value = ToInt(word.value);
      if (!value) {
        *error = "bad number for '" + word.key + "'";
        return false;
      }
      rule.*(found->second) = *value;
    } else {
      *error = "unknown word '" + word.key + "'";
      return false;
    }
  }
  const bool fits = rule.count > 0 && rule.rows > 0 &&
                    static_cast<int>(rule.columns.size()) * rule.rows >= rule.count;
  if (!fits) {
    *error = "grid needs count > 0, rows > 0 and a column for every slot";
  }
  return fits;
}

// Expands the grid rule: one control per slot, laid out column by column.
bool ParseGrid(const Words& words, DialogTemplate& dialog, std::string* error) {
  ControlTemplate pattern;
  Words others;
  GridRule rule;
  if (!ApplyControlWords(words, pattern, &others, error) || !ReadGridRule(others, rule, error)) {
    return false;
  }
  for (int k = 0; k < rule.count; ++k) {
    ControlTemplate control = pattern;
    control.id = rule.first + rule.step * k;
    if (k > 0) {
      control.name.clear();  // a grid's name is the id of its first slot
    }
    control.x = rule.columns[k / rule.rows];
    control.y = rule.y + rule.dy * (k % rule.rows);
    dialog.controls.push_back(std::move(control));
  }
  return true;
}

bool ParseAdjust(const Words& words, DialogTemplate& dialog, std::string* error) {
  // Plain values rather than optionals: GCC 12 at -O2 misreads an optional
  // pair here as maybe uninitialised.
  int id = kNoId;
  bool sizeGiven = false;
  std::pair<int, int> size{0, 0};
  for (const Word& word : words) {
    if (word.key == "id") {
      id = ToInt(word.value).value_or(kNoId);
    } else if (word.key == "size") {
      const auto pair = ToPair(word.value);
      sizeGiven = pair.has_value();
      size = pair.value_or(size);
    }
  }
  ControlTemplate* control = nullptr;
  for (ControlTemplate& candidate : dialog.controls) {
    if (id != kNoId && candidate.id == id) {
      control = &candidate;
    }
  }
  if (control == nullptr || !sizeGiven || words.size() != 2) {
    *error = "adjust needs the id of an earlier control and a size";
    return false;
  }
  std::tie(control->cx, control->cy) = size;
  return true;
}

bool ApplyDialogWord(const Word& word, DialogTemplate& dialog) {
  if (!word.hasValue) {
    if (word.key == "child" || word.key == "popup") {
      dialog.child = word.key == "child";
      return true;
    }
    if (word.key == "border") {
      dialog.border = true;
      return true;
    }
    return false;
  }
  if (word.key == "id") {
    const auto id = ToInt(word.value);
    dialog.id = id.value_or(0);
    return id.has_value();
  }
  if (word.key == "size") {
    const auto size = ToPair(word.value);
    std::tie(dialog.cx, dialog.cy) = size.value_or(std::pair{0, 0});
    return size.has_value();
  }
  if (word.key == "name") {
    dialog.name = word.value;
    return IsConstantName(word.value);
  }
  if (word.key == "title") {
    dialog.title = res::DecodeUtf8(word.value);
    return true;
  }
  if (word.key == "font") {
    // The name may hold commas of its own; the points follow the last one.
    const auto comma = word.value.rfind(',');
    const auto points = comma == std::string::npos
                            ? std::nullopt
                            : ToInt(std::string_view(word.value).substr(comma + 1));
    dialog.fontName = res::DecodeUtf8(word.value.substr(0, comma));
    dialog.fontPoints = points.value_or(0);
    return points.has_value();
  }
  return false;
}

bool ParseDialog(const Words& words, DialogTemplate& dialog, std::string* error) {
  for (const Word& word : words) {
    if (!ApplyDialogWord(word, dialog)) {
      *error = "bad dialog word '" + word.key + "'";
      return false;
    }
  }
  return true;
}

bool ParseStatement(const std::vector<std::string>& parts, DialogTemplate& dialog, bool* seenDialog,
                    std::string* error) {
  const Words words = ToWords(parts);
  const std::string& verb = parts.front();
  if (verb == "dialog") {
    if (*seenDialog) {
      *error = "second dialog statement";
      return false;
    }
    *seenDialog = true;
    return ParseDialog(words, dialog, error);
  }
  if (!*seenDialog) {
    *error = "the dialog statement must come first";
    return false;
  }
  if (verb == "control") {
    return ParseControl(words, dialog, error);
  }
  if (verb == "grid") {
    return ParseGrid(words, dialog, error);
  }
  if (verb == "adjust") {
    return ParseAdjust(words, dialog, error);
  }
  *error = "unknown statement '" + verb + "'";
  return false;
}

bool IdsAreUnique(const DialogTemplate& dialog, std::string* error) {
  std::set<int> seen;
  std::set<std::string_view> names;
  for (const ControlTemplate& control : dialog.controls) {
    if (control.id != kNoId && !seen.insert(control.id).second) {
      *error = "control id " + std::to_string(control.id) + " used twice";
      return false;
    }
    if (!control.name.empty() && !names.insert(control.name).second) {
      *error = "control name " + control.name + " used twice";
      return false;
    }
  }
  return true;
}

// Calls `statement` for each line that holds one; stops at the first it
// refuses and puts the line number in front of its error.
template <typename Statement>
bool ForEachStatement(std::string_view text, std::string* error, Statement statement) {
  int lineNumber = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string_view::npos) {
      end = text.size();
    }
    ++lineNumber;
    const auto parts = SplitLine(text.substr(start, end - start));
    start = end + 1;
    if (!parts) {
      *error = "line " + std::to_string(lineNumber) + ": unclosed quote";
      return false;
    }
    if (parts->empty() || parts->front().starts_with('#')) {
      continue;
    }
    if (!statement(*parts)) {
      *error = "line " + std::to_string(lineNumber) + ": " + *error;
      return false;
    }
  }
  return true;
}

// `menubar id=N`, `menu title=T`, `item id=N text=T [key=K]`, `separator`.
bool ParseMenuStatement(const std::vector<std::string>& parts, MenuBar& bar, bool* seenBar,
                        std::string* error) {
  const Words words = ToWords(parts);
  const std::string& verb = parts.front();
  if (verb == "menubar") {
    const auto id = words.size() == 1 && words[0].key == "id" ? ToInt(words[0].value)
                                                              : std::nullopt;
    if (*seenBar || !id) {
      *error = "menubar needs to come first, once, with an id";
      return false;
    }
    *seenBar = true;
    bar.id = *id;
    return true;
  }
  if (!*seenBar || (verb != "menu" && bar.menus.empty())) {
    *error = "'" + verb + "' outside a menu";
    return false;
  }
  if (verb == "menu") {
    if (words.size() != 1 || words[0].key != "title") {
      *error = "menu needs a title";
      return false;
    }
    bar.menus.push_back({res::DecodeUtf8(words[0].value), {}});
    return true;
  }
  MenuItem item;
  if (verb == "separator" && words.empty()) {
    item.separator = true;
  } else if (verb == "item") {
    for (const Word& word : words) {
      if (word.key == "id") {
        item.id = ToInt(word.value).value_or(kNoId);
      } else if (word.key == "text") {
        item.text = res::DecodeUtf8(word.value);
      } else if (word.key == "key") {
        item.shortcut = res::DecodeUtf8(word.value);
      } else if (word.key == "name" && IsConstantName(word.value)) {
        item.name = word.value;
      } else {
        *error = "unknown word '" + word.key + "'";
        return false;
      }
    }
    if (item.id == kNoId || item.text.empty()) {
      *error = "item needs an id and a text";
      return false;
    }
  } else {
    *error = "unknown statement '" + verb + "'";
    return false;
  }
  bar.menus.back().items.push_back(std::move(item));
  return true;
}

bool CommandIdsAreUnique(const MenuBar& bar, std::string* error) {
  std::set<int> seen;
  for (const Menu& menu : bar.menus) {
    for (const MenuItem& item : menu.items) {
      if (!item.separator && !seen.insert(item.id).second) {
        *error = "command id " + std::to_string(item.id) + " used twice";
        return false;
      }
    }
  }
  return true;
}

}  // namespace

bool ParseTemplate(std::string_view text, DialogTemplate* out, std::string* error) {
  DialogTemplate dialog;
  bool seenDialog = false;
  const bool parsed = ForEachStatement(text, error, [&](const std::vector<std::string>& parts) {
    return ParseStatement(parts, dialog, &seenDialog, error);
  });
  if (!parsed) {
    return false;
  }
  if (!seenDialog) {
    *error = "no dialog statement";
    return false;
  }
  if (!IdsAreUnique(dialog, error)) {
    return false;
  }
  *out = std::move(dialog);
  return true;
}

bool ParseMenuBar(std::string_view text, MenuBar* out, std::string* error) {
  MenuBar bar;
  bool seenBar = false;
  const bool parsed = ForEachStatement(text, error, [&](const std::vector<std::string>& parts) {
    return ParseMenuStatement(parts, bar, &seenBar, error);
  });
  if (!parsed) {
    return false;
  }
  if (!seenBar) {
    *error = "no menubar statement";
    return false;
  }
  if (!CommandIdsAreUnique(bar, error)) {
    return false;
  }
  *out = std::move(bar);
  return true;
}

}  // namespace tarn::ui

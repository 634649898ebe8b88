#include "ui/dialog_template.h"

#include <cstdio>
#include <map>
#include <string>
#include <string_view>

#include "resources/embedded.h"
#include "ui/control_ids.h"
#include "ui/template_parser.h"

namespace tarn::ui {

namespace {

std::map<int, DialogTemplate> LoadAll() {
  std::map<int, DialogTemplate> templates;
  for (const int id : BuiltInTemplateIds()) {
    const auto bytes = res::Find("template_" + std::to_string(id) + ".txt");
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    DialogTemplate parsed;
    std::string error;
    // A template that does not parse is left out. The build has read every
    // one already, so a debug build that meets one says so.
    if (ParseTemplate(text, &parsed, &error) && parsed.id == id) {
      templates.emplace(id, std::move(parsed));
    } else {
#ifndef NDEBUG
      std::fprintf(stderr, "template_%d.txt left out: %s\n", id, error.c_str());
#endif
    }
  }
  return templates;
}

}  // namespace

const ControlTemplate* DialogTemplate::Find(int controlId) const {
  if (controlId == kNoId) {
    return nullptr;
  }
  for (const ControlTemplate& control : controls) {
    if (control.id == controlId) {
      return &control;
    }
  }
  return nullptr;
}

std::span<const int> BuiltInTemplateIds() {
  // Every template the program carries, as templates/template_<id>.txt.
  return kBuiltInTemplateIds;
}

const DialogTemplate* FindTemplate(int templateId) {
  // Read once, on first use; a function-local static is initialised safely
  // even if two threads ask at once.
  static const std::map<int, DialogTemplate> kTemplates = LoadAll();
  const auto found = kTemplates.find(templateId);
  return found == kTemplates.end() ? nullptr : &found->second;
}

}  // namespace tarn::ui

// Gathers every area's dialog templates (src/res/<area>_templates.inc).
#include <map>
#include <mutex>
#include <vector>

#include "framework/Resources.h"
#include "framework/WinDefs.h"
#include "res/AllIds.h"

namespace {

// One list per area; an area without its file has an empty list.
const std::vector<DialogTemplate>& commonTemplates() {
  static const std::vector<DialogTemplate> t = {
#if __has_include("res/common_templates.inc")
#include "res/common_templates.inc"
#endif
  };
  return t;
}

const std::vector<DialogTemplate>& frameworkTemplates() {
  static const std::vector<DialogTemplate> t = {
#if __has_include("res/framework_templates.inc")
#include "res/framework_templates.inc"
#endif
  };
  return t;
}

const std::vector<DialogTemplate>& appTemplates() {
  static const std::vector<DialogTemplate> t = {
#if __has_include("res/app_templates.inc")
#include "res/app_templates.inc"
#endif
  };
  return t;
}

const std::vector<DialogTemplate>& uiTemplates() {
  static const std::vector<DialogTemplate> t = {
#if __has_include("res/ui_templates.inc")
#include "res/ui_templates.inc"
#endif
  };
  return t;
}

const std::vector<DialogTemplate>& firmwareTemplates() {
  static const std::vector<DialogTemplate> t = {
#if __has_include("res/firmware_templates.inc")
#include "res/firmware_templates.inc"
#endif
  };
  return t;
}

const std::vector<DialogTemplate>& loggerTemplates() {
  static const std::vector<DialogTemplate> t = {
#if __has_include("res/logger_templates.inc")
#include "res/logger_templates.inc"
#endif
  };
  return t;
}

const std::vector<DialogTemplate>& formatsTemplates() {
  static const std::vector<DialogTemplate> t = {
#if __has_include("res/formats_templates.inc")
#include "res/formats_templates.inc"
#endif
  };
  return t;
}

const std::vector<DialogTemplate>& photoTemplates() {
  static const std::vector<DialogTemplate> t = {
#if __has_include("res/photo_templates.inc")
#include "res/photo_templates.inc"
#endif
  };
  return t;
}

const std::vector<DialogTemplate>& linkTemplates() {
  static const std::vector<DialogTemplate> t = {
#if __has_include("res/link_templates.inc")
#include "res/link_templates.inc"
#endif
  };
  return t;
}

std::mutex g_runtimeMutex;
std::map<UINT, DialogTemplate>& RuntimeTemplates() {
  static std::map<UINT, DialogTemplate> t;
  return t;
}

}  // namespace

std::vector<TemplateArea> TemplateAreas() {
  return {{"common", commonTemplates()},     {"framework", frameworkTemplates()},
          {"app", appTemplates()},           {"ui", uiTemplates()},
          {"firmware", firmwareTemplates()}, {"logger", loggerTemplates()},
          {"formats", formatsTemplates()},   {"photo", photoTemplates()},
          {"link", linkTemplates()}};
}

const DialogTemplate* FindDialogTemplate(UINT id) {
  {
    std::lock_guard lock(g_runtimeMutex);
    auto& rt = RuntimeTemplates();
    if (auto it = rt.find(id); it != rt.end()) return &it->second;
  }
  for (const TemplateArea& area : TemplateAreas()) {
    for (const DialogTemplate& t : area.templates)
      if (static_cast<UINT>(t.id) == id) return &t;
  }
  return nullptr;
}

void RegisterDialogTemplate(DialogTemplate tmpl) {
  std::lock_guard lock(g_runtimeMutex);
  RuntimeTemplates()[static_cast<UINT>(tmpl.id)] = std::move(tmpl);
}

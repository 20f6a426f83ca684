// Gathers every area's string table (src/res/<area>_strings.inc).
#include <unordered_map>
#include <vector>

#include "framework/Resources.h"
#include "framework/WinDefs.h"
#include "res/AllIds.h"

namespace {

// One list per area; an area without its file has an empty list.
const std::vector<StringEntry>& commonStrings() {
  static const std::vector<StringEntry> t = {
#if __has_include("res/common_strings.inc")
#include "res/common_strings.inc"
#endif
  };
  return t;
}

const std::vector<StringEntry>& frameworkStrings() {
  static const std::vector<StringEntry> t = {
#if __has_include("res/framework_strings.inc")
#include "res/framework_strings.inc"
#endif
  };
  return t;
}

const std::vector<StringEntry>& appStrings() {
  static const std::vector<StringEntry> t = {
#if __has_include("res/app_strings.inc")
#include "res/app_strings.inc"
#endif
  };
  return t;
}

const std::vector<StringEntry>& uiStrings() {
  static const std::vector<StringEntry> t = {
#if __has_include("res/ui_strings.inc")
#include "res/ui_strings.inc"
#endif
  };
  return t;
}

const std::vector<StringEntry>& firmwareStrings() {
  static const std::vector<StringEntry> t = {
#if __has_include("res/firmware_strings.inc")
#include "res/firmware_strings.inc"
#endif
  };
  return t;
}

const std::vector<StringEntry>& loggerStrings() {
  static const std::vector<StringEntry> t = {
#if __has_include("res/logger_strings.inc")
#include "res/logger_strings.inc"
#endif
  };
  return t;
}

const std::vector<StringEntry>& formatsStrings() {
  static const std::vector<StringEntry> t = {
#if __has_include("res/formats_strings.inc")
#include "res/formats_strings.inc"
#endif
  };
  return t;
}

const std::vector<StringEntry>& photoStrings() {
  static const std::vector<StringEntry> t = {
#if __has_include("res/photo_strings.inc")
#include "res/photo_strings.inc"
#endif
  };
  return t;
}

const std::vector<StringEntry>& linkStrings() {
  static const std::vector<StringEntry> t = {
#if __has_include("res/link_strings.inc")
#include "res/link_strings.inc"
#endif
  };
  return t;
}

}  // namespace

std::vector<StringTableArea> StringTableAreas() {
  return {
      {"common", commonStrings()},   {"framework", frameworkStrings()}, {"app", appStrings()},
      {"ui", uiStrings()},           {"firmware", firmwareStrings()},   {"logger", loggerStrings()},
      {"formats", formatsStrings()}, {"photo", photoStrings()},         {"link", linkStrings()}};
}

const StringEntry* FindStringEntry(UINT id) {
  // Built once; the tables are constant.
  static const std::unordered_map<UINT, const StringEntry*> index = [] {
    std::unordered_map<UINT, const StringEntry*> m;
    for (const StringTableArea& area : StringTableAreas())
      for (const StringEntry& e : area.entries) m.emplace(e.id, &e);
    return m;
  }();
  auto it = index.find(id);
  return it == index.end() ? nullptr : it->second;
}

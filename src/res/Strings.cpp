// Gathers every area's string table (src/res/<area>_strings.inc).
#include <unordered_map>
#include <vector>

#include "framework/Resources.h"
#include "framework/WinDefs.h"
#include "res/AllIds.h"

namespace {

#if __has_include("res/common_strings.inc")
const std::vector<StringEntry>& commonStrings() {
  static const std::vector<StringEntry> t = {
#include "res/common_strings.inc"
  };
  return t;
}
#else
const std::vector<StringEntry>& commonStrings() {
  static const std::vector<StringEntry> t;
  return t;
}
#endif

#if __has_include("res/framework_strings.inc")
const std::vector<StringEntry>& frameworkStrings() {
  static const std::vector<StringEntry> t = {
#include "res/framework_strings.inc"
  };
  return t;
}
#else
const std::vector<StringEntry>& frameworkStrings() {
  static const std::vector<StringEntry> t;
  return t;
}
#endif

#if __has_include("res/app_strings.inc")
const std::vector<StringEntry>& appStrings() {
  static const std::vector<StringEntry> t = {
#include "res/app_strings.inc"
  };
  return t;
}
#else
const std::vector<StringEntry>& appStrings() {
  static const std::vector<StringEntry> t;
  return t;
}
#endif

#if __has_include("res/ui_strings.inc")
const std::vector<StringEntry>& uiStrings() {
  static const std::vector<StringEntry> t = {
#include "res/ui_strings.inc"
  };
  return t;
}
#else
const std::vector<StringEntry>& uiStrings() {
  static const std::vector<StringEntry> t;
  return t;
}
#endif

#if __has_include("res/firmware_strings.inc")
const std::vector<StringEntry>& firmwareStrings() {
  static const std::vector<StringEntry> t = {
#include "res/firmware_strings.inc"
  };
  return t;
}
#else
const std::vector<StringEntry>& firmwareStrings() {
  static const std::vector<StringEntry> t;
  return t;
}
#endif

#if __has_include("res/logger_strings.inc")
const std::vector<StringEntry>& loggerStrings() {
  static const std::vector<StringEntry> t = {
#include "res/logger_strings.inc"
  };
  return t;
}
#else
const std::vector<StringEntry>& loggerStrings() {
  static const std::vector<StringEntry> t;
  return t;
}
#endif

#if __has_include("res/formats_strings.inc")
const std::vector<StringEntry>& formatsStrings() {
  static const std::vector<StringEntry> t = {
#include "res/formats_strings.inc"
  };
  return t;
}
#else
const std::vector<StringEntry>& formatsStrings() {
  static const std::vector<StringEntry> t;
  return t;
}
#endif

#if __has_include("res/photo_strings.inc")
const std::vector<StringEntry>& photoStrings() {
  static const std::vector<StringEntry> t = {
#include "res/photo_strings.inc"
  };
  return t;
}
#else
const std::vector<StringEntry>& photoStrings() {
  static const std::vector<StringEntry> t;
  return t;
}
#endif

#if __has_include("res/link_strings.inc")
const std::vector<StringEntry>& linkStrings() {
  static const std::vector<StringEntry> t = {
#include "res/link_strings.inc"
  };
  return t;
}
#else
const std::vector<StringEntry>& linkStrings() {
  static const std::vector<StringEntry> t;
  return t;
}
#endif

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

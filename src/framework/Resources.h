// Lookup of the dialog templates and string tables of src/res (each area's
// <area>_templates.inc / <area>_strings.inc).
#pragma once

#include <span>
#include <string>
#include <vector>

#include "framework/DialogTemplate.h"

// The template of dialog `id`, or nullptr.
const DialogTemplate* FindDialogTemplate(UINT id);
// Adds a template at run time (tests, tools); replaces one of the same id.
void RegisterDialogTemplate(DialogTemplate tmpl);

struct StringTableArea {
  const char* area;
  std::span<const StringEntry> entries;
};
std::vector<StringTableArea> StringTableAreas();

struct TemplateArea {
  const char* area;
  std::span<const DialogTemplate> templates;
};
std::vector<TemplateArea> TemplateAreas();

// The entry of string `id`, or nullptr.
const StringEntry* FindStringEntry(UINT id);

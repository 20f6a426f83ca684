// Helpers of the format tests: files, track data, and the xmllint checks.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "logger/TrackRecord.h"

namespace formatstest {

inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteAll(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

inline std::string RecordBytes(const std::vector<TrackRecord>& records) {
  std::string out;
  for (const TrackRecord& r : records)
    out.append(reinterpret_cast<const char*>(r.bytes), sizeof r.bytes);
  return out;
}

inline std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t p; (p = text.find("\r\n", start)) != std::string::npos; start = p + 2)
    lines.push_back(text.substr(start, p - start));
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// True when every line feed of the text is preceded by a carriage return.
inline bool OnlyCrLf(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  return true;
}

inline bool HaveXmllint() { return std::system("xmllint --version >/dev/null 2>&1") == 0; }

// The public schemas beside the repository (../shared/schemas), found from
// this file's own place; empty when absent.
inline std::string SchemaPath(const char* name) {
  const std::filesystem::path here = std::filesystem::path(__FILE__).parent_path();
  for (const std::filesystem::path& root :
       {here / "../../../shared/schemas", std::filesystem::path("/work/shared/schemas")}) {
    if (std::filesystem::exists(root / name)) return (root / name).lexically_normal().string();
  }
  return {};
}

// xmllint's verdict on a file; with a schema, validates against it.
inline int Xmllint(const std::filesystem::path& file, const std::string& schema = {}) {
  std::string command = "xmllint --noout ";
  if (!schema.empty()) command += "--schema '" + schema + "' ";
  command += "'" + file.string() + "' >/dev/null 2>&1";
  return std::system(command.c_str());
}

}  // namespace formatstest

#define SKIP_WITHOUT_XMLLINT() \
  if (!formatstest::HaveXmllint()) GTEST_SKIP() << "xmllint is not installed"

// Lists the entries of one folder that match a wildcard pattern ('*' any
// run, '?' one character), case-insensitively as the program's file names
// are treated everywhere: "*.jpg" finds "A.JPG". "*.*" matches every name.
#pragma once

#include <string>
#include <vector>

#include "platform/WinTypes.h"

class CFileFind {
 public:
  CFileFind() = default;
  virtual ~CFileFind() = default;

  // Starts a search for "folder/pattern" (no folder: the current one; no
  // pattern: "*.*"). FALSE when nothing matches or the folder cannot be read.
  virtual BOOL FindFile(const std::string& pattern = {});
  // Moves to the next entry; returns FALSE when that entry is the last one
  // (its members stay readable until the next call).
  virtual BOOL FindNextFile();
  void Close();

  std::string GetFileName() const;
  std::string GetFilePath() const;
  std::string GetFileTitle() const;  // name without extension
  std::string GetRoot() const { return m_root; }
  BOOL IsDirectory() const;
  BOOL IsDots() const;
  unsigned long long GetLength() const;

  // Case-insensitive wildcard match of one name.
  static bool MatchPattern(const std::string& pattern, const std::string& name);

 private:
  struct Entry {
    std::string name;
    bool directory = false;
    unsigned long long length = 0;
  };
  const Entry* Current() const;

  std::string m_root;
  std::vector<Entry> m_entries;
  size_t m_next = 0;  // entries handed out so far
};

#include "framework/FileFind.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace {
char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

std::string LowerText(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), Lower);
  return text;
}
}  // namespace

bool CFileFind::MatchPattern(const std::string& pattern, const std::string& name) {
  const std::string p = pattern == "*.*" ? std::string("*") : pattern;
  // Iterative match with one backtrack point for the last '*'.
  size_t pi = 0, ni = 0, star = std::string::npos, mark = 0;
  while (ni < name.size()) {
    if (pi < p.size() && (p[pi] == '?' || Lower(p[pi]) == Lower(name[ni]))) {
      ++pi;
      ++ni;
    } else if (pi < p.size() && p[pi] == '*') {
      star = pi++;
      mark = ni;
    } else if (star != std::string::npos) {
      pi = star + 1;
      ni = ++mark;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

BOOL CFileFind::FindFile(const std::string& pattern) {
  Close();
  std::string folder = ".";
  std::string mask = pattern.empty() ? std::string("*.*") : pattern;
  const size_t slash = mask.find_last_of('/');
  if (slash != std::string::npos) {
    folder = slash == 0 ? std::string("/") : mask.substr(0, slash);
    mask = mask.substr(slash + 1);
    m_root = folder;
  }
  if (mask.empty()) mask = "*.*";
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return FALSE;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (!MatchPattern(mask, name)) continue;
    Entry e;
    e.name = name;
    struct stat st {};
    const std::string path = folder + "/" + name;
    if (::stat(path.c_str(), &st) == 0) {
      e.directory = S_ISDIR(st.st_mode);
      e.length = static_cast<unsigned long long>(st.st_size);
    }
    m_entries.push_back(std::move(e));
  }
  const int err = errno;
  ::closedir(dir);
  // A stable order, as the folder listing of the original file system gives.
  std::sort(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) {
    const std::string la = LowerText(a.name), lb = LowerText(b.name);
    return la != lb ? la < lb : a.name < b.name;
  });
  if (m_entries.empty()) {
    errno = ENOENT;
    return FALSE;
  }
  errno = err;
  return TRUE;
}

BOOL CFileFind::FindNextFile() {
  if (m_next >= m_entries.size()) return FALSE;
  ++m_next;
  return m_next < m_entries.size() ? TRUE : FALSE;
}

void CFileFind::Close() {
  m_root.clear();
  m_entries.clear();
  m_next = 0;
}

const CFileFind::Entry* CFileFind::Current() const {
  return m_next == 0 || m_next > m_entries.size() ? nullptr : &m_entries[m_next - 1];
}

std::string CFileFind::GetFileName() const {
  const Entry* e = Current();
  return e != nullptr ? e->name : std::string();
}

std::string CFileFind::GetFilePath() const {
  const Entry* e = Current();
  if (e == nullptr) return {};
  if (m_root.empty()) return e->name;
  return m_root == "/" ? "/" + e->name : m_root + "/" + e->name;
}

std::string CFileFind::GetFileTitle() const {
  const std::string name = GetFileName();
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

BOOL CFileFind::IsDirectory() const {
  const Entry* e = Current();
  return e != nullptr && e->directory ? TRUE : FALSE;
}

BOOL CFileFind::IsDots() const {
  const std::string name = GetFileName();
  return IsDirectory() && (name == "." || name == "..") ? TRUE : FALSE;
}

unsigned long long CFileFind::GetLength() const {
  const Entry* e = Current();
  return e != nullptr ? e->length : 0;
}

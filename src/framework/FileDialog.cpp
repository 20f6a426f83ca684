// File choosers and the folder picker through replaceable hooks.
#include "framework/FileDialog.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "framework/Hook.h"

namespace {

fw::Hook<FileDialogHook> g_fileHook;
fw::Hook<FolderDialogHook> g_folderHook;

std::string Str(LPCTSTR s) { return s ? s : ""; }

}  // namespace

FileDialogHook SetFileDialogHook(FileDialogHook hook) {
  return g_fileHook.Exchange(std::move(hook));
}

FolderDialogHook SetFolderDialogHook(FolderDialogHook hook) {
  return g_folderHook.Exchange(std::move(hook));
}

std::string BrowseForFolder(TextArg title, CWnd*, TextArg initialDir) {
  FolderDialogHook hook = g_folderHook.Get();
  if (!hook) {
    std::fprintf(stderr, "No folder chooser: %s\n", title.str().c_str());
    return {};
  }
  auto chosen = hook(FolderRequest{title.str(), initialDir.str()});
  return chosen ? *chosen : std::string();
}

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName,
                         DWORD dwFlags, LPCTSTR lpszFilter, CWnd* pParentWnd)
    : m_bOpen(bOpenFileDialog != FALSE),
      m_defExt(Str(lpszDefExt)),
      m_fileName(Str(lpszFileName)),
      m_filter(Str(lpszFilter)),
      m_pParent(pParentWnd) {
  m_ofn.Flags = dwFlags;
}

std::string FilterExtension(const std::string& filter, DWORD index) {
  // Fields alternate name and patterns; an empty name ends the list.
  std::size_t at = 0;
  for (DWORD type = 1; at < filter.size(); ++type) {
    const std::size_t nameEnd = filter.find('|', at);
    if (nameEnd == std::string::npos || nameEnd == at) return {};
    const std::size_t patternsEnd = std::min(filter.find('|', nameEnd + 1), filter.size());
    if (type == index) {
      const std::string patterns = filter.substr(nameEnd + 1, patternsEnd - nameEnd - 1);
      const std::string first = patterns.substr(0, patterns.find(';'));
      if (first.size() < 3 || first.compare(0, 2, "*.") != 0) return {};
      const std::string ext = first.substr(2);
      return ext.find_first_of("*?") == std::string::npos ? ext : std::string();
    }
    at = patternsEnd + 1;
  }
  return {};
}

std::string SaveExtension(const FileDialogRequest& request, DWORD filterIndex) {
  if (request.defaultExt.empty()) return {};
  const std::string chosen = FilterExtension(request.filter, filterIndex);
  return chosen.empty() ? request.defaultExt : chosen;
}

INT_PTR CFileDialog::DoModal() {
  FileDialogHook hook = g_fileHook.Get();
  if (!hook) return IDCANCEL;
  FileDialogRequest req{m_bOpen,
                        m_ofn.lpstrDefExt ? Str(m_ofn.lpstrDefExt) : m_defExt,
                        m_fileName,
                        m_filter,
                        Str(m_ofn.lpstrInitialDir),
                        Str(m_ofn.lpstrTitle),
                        m_ofn.Flags,
                        m_ofn.nFilterIndex};
  auto chosen = hook(req);
  if (!chosen || chosen->path.empty()) return IDCANCEL;
  m_path = chosen->path;
  if (chosen->filterIndex != 0) m_ofn.nFilterIndex = chosen->filterIndex;
  // A save chooser gives a name without extension the chosen type's.
  const std::string ext = m_bOpen ? std::string() : SaveExtension(req, m_ofn.nFilterIndex);
  if (!ext.empty() && std::filesystem::path(m_path).extension().empty()) m_path += "." + ext;
  return IDOK;
}

std::string CFileDialog::GetFileName() const {
  return std::filesystem::path(m_path).filename().string();
}

std::string CFileDialog::GetFileExt() const {
  std::string ext = std::filesystem::path(m_path).extension().string();
  return ext.empty() ? ext : ext.substr(1);
}

std::string CFileDialog::GetFileTitle() const {
  return std::filesystem::path(m_path).stem().string();
}

std::string CFileDialog::GetFolderPath() const {
  return std::filesystem::path(m_path).parent_path().string();
}

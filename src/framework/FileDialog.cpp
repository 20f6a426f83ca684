// File choosers and the folder picker through replaceable hooks.
#include "framework/FileDialog.h"

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

INT_PTR CFileDialog::DoModal() {
  FileDialogHook hook = g_fileHook.Get();
  if (!hook) return IDCANCEL;
  FileDialogRequest req{m_bOpen,
                        m_ofn.lpstrDefExt ? Str(m_ofn.lpstrDefExt) : m_defExt,
                        m_fileName,
                        m_filter,
                        Str(m_ofn.lpstrInitialDir),
                        Str(m_ofn.lpstrTitle),
                        m_ofn.Flags};
  auto chosen = hook(req);
  if (!chosen || chosen->empty()) return IDCANCEL;
  m_path = *chosen;
  // A save chooser adds the default extension to a name without one.
  if (!m_bOpen && !req.defaultExt.empty() && std::filesystem::path(m_path).extension().empty())
    m_path += "." + req.defaultExt;
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

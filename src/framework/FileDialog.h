// File open/save choosers and the folder picker, through replaceable hooks
// like the message boxes (Qt dialogs in the program, scripted in tests).
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "framework/WinDefs.h"

class CWnd;

enum : DWORD {
  OFN_READONLY = 0x00000001,
  OFN_OVERWRITEPROMPT = 0x00000002,
  OFN_HIDEREADONLY = 0x00000004,
  OFN_NOCHANGEDIR = 0x00000008,
  OFN_ALLOWMULTISELECT = 0x00000200,
  OFN_PATHMUSTEXIST = 0x00000800,
  OFN_FILEMUSTEXIST = 0x00001000,
  OFN_EXPLORER = 0x00080000,
};

// What a chooser is asked: the filter in the usual form
// "Firmware (*.bin)|*.bin|All Files (*.*)|*.*||".
struct FileDialogRequest {
  bool open;               // open (TRUE) or save chooser
  std::string defaultExt;  // without the dot
  std::string fileName;    // initial name
  std::string filter;
  std::string initialDir;
  std::string title;
  DWORD flags;
  DWORD filterIndex = 1;  // the file type shown first, from 1
};
// What the user chose: the full path and the file type (from 1; 0 when the
// chooser does not say, which keeps the type asked for).
struct FileDialogChoice {
  std::string path;
  DWORD filterIndex = 0;
};
// The choice, or nullopt when the user cancelled.
using FileDialogHook = std::function<std::optional<FileDialogChoice>(const FileDialogRequest&)>;
FileDialogHook SetFileDialogHook(FileDialogHook hook);

// The extension (without the dot) of the first pattern of file type `index`
// (from 1) of a filter: "kml" for "*.kml"; "" for "*.*", "*" or no such type.
std::string FilterExtension(const std::string& filter, DWORD index);
// The extension a save chooser gives a name typed without one: the chosen
// type's, else the default extension; none when there is no default.
std::string SaveExtension(const FileDialogRequest& request, DWORD filterIndex);

struct FolderRequest {
  std::string title;
  std::string initialDir;
};
using FolderDialogHook = std::function<std::optional<std::string>(const FolderRequest&)>;
FolderDialogHook SetFolderDialogHook(FolderDialogHook hook);

// The folder picker: the chosen folder, or "" when cancelled.
std::string BrowseForFolder(TextArg title, CWnd* owner = nullptr, TextArg initialDir = {});

// The part of OPENFILENAME that callers set before DoModal.
struct OPENFILENAME {
  DWORD Flags = 0;
  LPCTSTR lpstrInitialDir = nullptr;
  LPCTSTR lpstrTitle = nullptr;
  LPCTSTR lpstrDefExt = nullptr;
  DWORD nFilterIndex = 1;
};

class CFileDialog {
 public:
  explicit CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr,
                       LPCTSTR lpszFileName = nullptr,
                       DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       LPCTSTR lpszFilter = nullptr, CWnd* pParentWnd = nullptr);
  virtual ~CFileDialog() = default;
  // IDOK with the chosen path, or IDCANCEL.
  virtual INT_PTR DoModal();
  std::string GetPathName() const { return m_path; }  // full path
  std::string GetFileName() const;                    // name with extension
  std::string GetFileExt() const;                     // extension without dot
  std::string GetFileTitle() const;                   // name without extension
  std::string GetFolderPath() const;                  // folder of the path
  OPENFILENAME m_ofn;

 private:
  bool m_bOpen;
  std::string m_defExt;
  std::string m_fileName;
  std::string m_filter;
  std::string m_path;
  CWnd* m_pParent;
};

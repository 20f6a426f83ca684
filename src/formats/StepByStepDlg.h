// The export options dialog shown before a chipset log download: the folder
// for the track-log files, the total-track choice and an optional folder of
// JPEG photos to link into the KML files. The download reads its choices
// from the object after DoModal returns IDOK.
#pragma once

#include <cstdio>
#include <string>

#include "formats/UnicodeTextFile.h"
#include "framework/Dialog.h"
#include "res/formats_ids.h"

class CStepByStepDlg : public CDialog {
 public:
  enum { IDD = IDD_STEP_BY_STEP };
  explicit CStepByStepDlg(CWnd* pParent = nullptr) : CDialog(IDD, pParent) {}

  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override { EndDialog(IDCANCEL); }

  void OnSelectLogFolder();
  void OnSelectPhotoFolder();
  void OnSelectTextFile();
  void OnSelectKmlFile();
  void OnCombineJpg();
  void OnTextCheck();
  void OnKmlCheck();
  void OnWriteTotal();

  // The track-log folder as the picker returned it; 1 once one was chosen
  // (always 1 after IDOK).
  std::string m_strLogFolder;
  int m_bLogFolderChosen = 0;
  // 1: the download also writes the combined total track file.
  int m_bWriteTotal = 0;
  // The JPEG folder; 1 when it was chosen with "Combine JPG file" ticked.
  std::string m_strPhotoFolder;
  int m_bPhotoFolderChosen = 0;

  // The dialog's own text and KML outputs (their check boxes are hidden):
  // the paths chosen, and the files OK created there. A descriptor of -1
  // and a null stream mean no file; the caller closes what OK created.
  std::string m_strTextPath;
  std::string m_strKmlPath;
  int m_hTextFile = -1;
  int m_hKmlFile = -1;
  std::FILE* m_pTextFile = nullptr;
  std::FILE* m_pKmlFile = nullptr;

  // The Unicode file that carries the photo KML of a download.
  CUnicodeTextFile m_photoKmlFile;

  std::string m_strMessage;

 protected:
  DECLARE_MESSAGE_MAP()

 private:
  // Picks a folder into path and shows it in control id; chosen is 1 when
  // the picker gave a path.
  void PickFolder(UINT titleId, std::string& path, int& chosen, int id);
  void PickOutputFile(int checkId, const char* ext, UINT filterId, std::string& path, int id,
                      int& fd, std::FILE*& stream);
};

// Creates path for writing (owner read and write) and opens it as a
// descriptor and a "wb" stream on the same file. FALSE (fd -1, stream null)
// when it cannot be created.
BOOL CreateOutputFile(const std::string& path, int& fd, std::FILE*& stream);

// The export options dialog shown before a chipset log download: the folder
// for the track-log files, the total-track choice and an optional folder of
// JPEG photos to link into the KML files. The download reads its choices
// from the object after DoModal returns IDOK.
#pragma once

#include <cstdio>
#include <string>

#include "formats/UnicodeTextFile.h"
#include "framework/Dialog.h"
#include "platform/OutputFile.h"
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
  // the paths chosen, and the temporary files OK created for them, renamed
  // to the chosen paths only once the download has written them. A
  // descriptor of -1 and a null stream mean no file; both belong to the
  // output objects below.
  std::string m_strTextPath;
  std::string m_strKmlPath;
  int m_hTextFile = -1;
  int m_hKmlFile = -1;
  std::FILE* m_pTextFile = nullptr;
  std::FILE* m_pKmlFile = nullptr;

  enum Output { kTextOutput, kKmlOutput };
  // Creates the temporary of an output at its chosen path into its
  // descriptor and stream: 0, or the errno of the failing step (slots -1
  // and null; EINVAL when no path was chosen).
  int CreateOutput(Output which);
  // Renames the written output over its chosen path: 0, or the errno of
  // the failing step (the temporary is then removed).
  int CommitOutput(Output which);
  // Removes the temporaries not committed; the chosen paths stay as they were.
  void DiscardOutputs();

  // The Unicode file that carries the photo KML of a download.
  CUnicodeTextFile m_photoKmlFile;

  std::string m_strMessage;

 protected:
  DECLARE_MESSAGE_MAP()

 private:
  // Picks a folder into path and shows it in control id; chosen is 1 when
  // the picker gave a path.
  void PickFolder(UINT titleId, std::string& path, int& chosen, int id);
  void DiscardOutput(Output which);
  void PickOutputFile(int checkId, const char* ext, UINT filterId, Output which, int id);
  OutputFile& File(Output which) { return which == kTextOutput ? m_textOutput : m_kmlOutput; }
  std::string& PathOf(Output which) { return which == kTextOutput ? m_strTextPath : m_strKmlPath; }
  int& DescriptorOf(Output which) { return which == kTextOutput ? m_hTextFile : m_hKmlFile; }
  std::FILE*& StreamOf(Output which) { return which == kTextOutput ? m_pTextFile : m_pKmlFile; }

  OutputFile m_textOutput;
  OutputFile m_kmlOutput;
};

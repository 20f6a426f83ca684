// The export options dialog: OK needs a track-log folder; the choices the
// download reads.
#include <gtest/gtest.h>

#include "formats/FormatsTestUtil.h"
#include "formats/StepByStepDlg.h"
#include "support/ScriptedUi.h"
#include "support/test_support.h"

namespace {

CStepByStepDlg& Dlg(CDialog& d) { return static_cast<CStepByStepDlg&>(d); }

// Runs the dialog with its text output ticked at `text` and the track-log
// folder `dir`, pressing OK.
INT_PTR OkWithTextOutput(ScriptedUi& ui, CStepByStepDlg& dlg, const std::filesystem::path& text,
                         const std::filesystem::path& dir) {
  ui.AnswerFileDialog(text.string());
  ui.AnswerFolder(dir.string());
  ui.OnModal(IDD_STEP_BY_STEP, [&](CDialog& d) {
    d.CheckDlgButton(IDC_STEP_TEXT_CHECK, 1);
    Dlg(d).OnSelectTextFile();
    Dlg(d).OnSelectLogFolder();
    Dlg(d).OnOK();
  });
  return dlg.DoModal();
}

}  // namespace

TEST(StepByStepDlg, OkNeedsATrackLogFolder) {
  ScriptedUi ui;
  CStepByStepDlg dlg;
  ui.AnswerFolder("/logs/100%d");  // stored and shown unchanged
  ui.AnswerFolder(std::nullopt);   // a later cancel clears the choice
  ui.AnswerFolder("/logs/b");
  ui.OnModal(IDD_STEP_BY_STEP, [&](CDialog& d) {
    EXPECT_EQ(d.GetWindowTextString(), "Transform to File");
    EXPECT_EQ(d.GetDlgItem(IDOK)->GetWindowTextString(), "Close");
    Dlg(d).OnOK();
    EXPECT_EQ(ui.LastMessageBox().text, "Please select track log file directory.");
    EXPECT_EQ(ui.LastMessageBox().caption, "VANTO Navrel");
    EXPECT_EQ(ui.LastMessageBox().Icon(), MB_ICONSTOP);
    EXPECT_FALSE(d.IsModalEnded());

    Dlg(d).OnSelectLogFolder();
    EXPECT_EQ(Dlg(d).m_bLogFolderChosen, 1);
    EXPECT_EQ(Dlg(d).m_strLogFolder, "/logs/100%d");
    EXPECT_EQ(d.GetDlgItem(IDC_STEP_LOG_FOLDER)->GetWindowTextString(), "/logs/100%d");
    Dlg(d).OnSelectLogFolder();
    EXPECT_EQ(Dlg(d).m_bLogFolderChosen, 0);
    Dlg(d).OnOK();
    EXPECT_EQ(ui.MessageBoxCount(), 2u);
    EXPECT_FALSE(d.IsModalEnded());

    Dlg(d).OnSelectLogFolder();
    d.CheckDlgButton(IDC_STEP_WRITE_TOTAL, 1);
    Dlg(d).OnWriteTotal();
    Dlg(d).OnOK();
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.m_bLogFolderChosen, 1);
  EXPECT_EQ(dlg.m_strLogFolder, "/logs/b");
  EXPECT_EQ(dlg.m_bWriteTotal, 1);
  EXPECT_EQ(dlg.m_bPhotoFolderChosen, 0);
  EXPECT_EQ(dlg.m_pTextFile, nullptr);
  EXPECT_EQ(dlg.m_pKmlFile, nullptr);

  // A new run starts with the flags cleared; Cancel closes at once.
  ui.OnModal(IDD_STEP_BY_STEP, [](CDialog& d) {
    EXPECT_EQ(Dlg(d).m_bLogFolderChosen, 0);
    EXPECT_EQ(Dlg(d).m_bWriteTotal, 0);
    Dlg(d).OnCancel();
  });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST(StepByStepDlg, PhotoFolderOnlyWithCombineTicked) {
  ScriptedUi ui;
  CStepByStepDlg dlg;
  ui.AnswerFolder("/photos/a");
  ui.AnswerFolder(std::nullopt);
  ui.AnswerFolder("/logs");
  ui.OnModal(IDD_STEP_BY_STEP, [&](CDialog& d) {
    Dlg(d).OnSelectPhotoFolder();  // not ticked: no picker
    EXPECT_TRUE(ui.Folders().empty());
    EXPECT_EQ(Dlg(d).m_bPhotoFolderChosen, 0);

    d.CheckDlgButton(IDC_STEP_COMBINE_JPG, 1);
    Dlg(d).OnCombineJpg();
    Dlg(d).OnSelectPhotoFolder();
    EXPECT_EQ(Dlg(d).m_bPhotoFolderChosen, 1);
    EXPECT_EQ(d.GetDlgItem(IDC_STEP_PHOTO_FOLDER)->GetWindowTextString(), "/photos/a");

    d.CheckDlgButton(IDC_STEP_COMBINE_JPG, 0);
    Dlg(d).OnCombineJpg();
    EXPECT_EQ(Dlg(d).m_bPhotoFolderChosen, 0);
    EXPECT_EQ(Dlg(d).m_strKmlPath, "");

    d.CheckDlgButton(IDC_STEP_COMBINE_JPG, 1);
    Dlg(d).OnCombineJpg();
    Dlg(d).OnSelectPhotoFolder();  // cancelled: no choice
    EXPECT_EQ(Dlg(d).m_bPhotoFolderChosen, 0);
    Dlg(d).OnSelectLogFolder();
    Dlg(d).OnOK();
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
}

TEST(StepByStepDlg, HiddenOutputsAreCreatedByOk) {
  ScriptedUi ui;
  testsupport::TempDir dir;
  const auto text = dir.path() / "out.txt";
  CStepByStepDlg dlg;
  ui.AnswerFileDialog(text.string());
  ui.AnswerFolder(dir.path().string());
  ui.OnModal(IDD_STEP_BY_STEP, [&](CDialog& d) {
    EXPECT_FALSE(d.GetDlgItem(IDC_STEP_TEXT_CHECK)->IsVisibleFlag());
    Dlg(d).OnSelectKmlFile();  // not ticked: no chooser
    EXPECT_TRUE(ui.FileDialogs().empty());
    d.CheckDlgButton(IDC_STEP_TEXT_CHECK, 1);
    Dlg(d).OnSelectTextFile();
    ASSERT_EQ(ui.FileDialogs().size(), 1u);
    EXPECT_EQ(ui.FileDialogs()[0].filter, "Track Log (*.txt)|*.txt|");
    EXPECT_EQ(Dlg(d).m_strTextPath, text.string());
    Dlg(d).OnSelectLogFolder();
    Dlg(d).OnOK();
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  ASSERT_NE(dlg.m_pTextFile, nullptr);
  ASSERT_GE(dlg.m_hTextFile, 0);
  EXPECT_EQ(dlg.m_pKmlFile, nullptr);
  std::fputs("line\r\n", dlg.m_pTextFile);
  EXPECT_FALSE(std::filesystem::exists(text));  // only once written whole
  EXPECT_EQ(dlg.CommitOutput(CStepByStepDlg::kTextOutput), 0);
  EXPECT_EQ(dlg.m_pTextFile, nullptr);
  EXPECT_EQ(formatstest::ReadAll(text), "line\r\n");
}

TEST(StepByStepDlg, OkNeverWritesThroughALinkAtAnOutput) {
  ScriptedUi ui;
  testsupport::TempDir dir;
  const auto text = dir.path() / "out.txt";
  const auto victim = dir.path() / "victim";
  formatstest::WriteAll(victim, "keep");
  std::filesystem::create_symlink(victim, text);
  CStepByStepDlg dlg;
  EXPECT_EQ(OkWithTextOutput(ui, dlg, text, dir.path()), IDOK);
  EXPECT_EQ(formatstest::ReadAll(victim), "keep");
  std::fputs("new", dlg.m_pTextFile);
  EXPECT_EQ(dlg.CommitOutput(CStepByStepDlg::kTextOutput), 0);
  EXPECT_EQ(formatstest::ReadAll(victim), "keep");  // the link alone is replaced
  EXPECT_EQ(formatstest::ReadAll(text), "new");
}

TEST(StepByStepDlg, AnOutputThatCannotBeMadeIsNamedAtOk) {
  ScriptedUi ui;
  testsupport::TempDir dir;
  const auto text = dir.path() / "out.txt";
  formatstest::WriteAll(text, "keep");
  std::filesystem::permissions(text, std::filesystem::perms::owner_read);
  CStepByStepDlg dlg;
  EXPECT_EQ(OkWithTextOutput(ui, dlg, text, dir.path()), IDOK);
  EXPECT_EQ(dlg.m_pTextFile, nullptr);
  ASSERT_EQ(ui.MessageBoxCount(), 1u);
  EXPECT_EQ(ui.LastMessageBox().text, "Cannot create " + text.string() + ": Permission denied");
  EXPECT_EQ(formatstest::ReadAll(text), "keep");
}

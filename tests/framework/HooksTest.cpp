// Message boxes, choosers and modal dialogs through their hooks.
#include <gtest/gtest.h>

#include "FrameworkTestSupport.h"
#include "framework/FileDialog.h"
#include "support/ScriptedUi.h"

using namespace fwtest;

TEST(Hooks, MessageBoxesAreRecordedWithTextCaptionAndIcon) {
  Headless headless;
  RegisterTemplates();
  ScriptedUi ui;
  CDialog dlg(IDD_MAIN);
  ASSERT_TRUE(dlg.Create(IDD_MAIN));
  ui.AnswerMessageBox(IDYES);
  EXPECT_EQ(dlg.MessageBox("Replace it?", "VANTO Navrel", MB_YESNO | MB_ICONQUESTION), IDYES);
  EXPECT_EQ(dlg.MessageBox("Timeout.", nullptr, MB_ICONSTOP), IDOK);
  EXPECT_EQ(AfxMessageBox("Done", MB_OKCANCEL | MB_ICONINFORMATION), IDCANCEL);  // unanswered
  auto boxes = ui.MessageBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].text, "Replace it?");
  EXPECT_EQ(boxes[0].Icon(), UINT{MB_ICONQUESTION});
  EXPECT_EQ(boxes[0].owner, dlg.m_hWnd);
  EXPECT_EQ(boxes[1].caption, "VANTO Navrel");  // no caption: the program's title
  EXPECT_EQ(boxes[1].Icon(), UINT{MB_ICONSTOP});
  EXPECT_EQ(boxes[2].Buttons(), UINT{MB_OKCANCEL});
}

TEST(Hooks, WithoutAHookTheAnswerChangesNothing) {
  Headless headless;
  MessageBoxHook old = SetMessageBoxHook(nullptr);
  EXPECT_EQ(AfxMessageBox("x", MB_YESNO), IDNO);
  EXPECT_EQ(AfxMessageBox("x", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(AfxMessageBox("x", MB_OK), IDOK);
  SetMessageBoxHook(std::move(old));
}

TEST(Hooks, FileChoosersReturnThePathItsPartsAndTheDefaultExtension) {
  ScriptedUi ui;
  ui.AnswerFileDialog("/data/fw/Roamline38_V2.bin");
  CFileDialog open(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST,
                   "Firmware (*.bin)|*.bin|All (*.*)|*.*||");
  open.m_ofn.lpstrInitialDir = "/data";
  ASSERT_EQ(open.DoModal(), IDOK);
  EXPECT_EQ(open.GetPathName(), "/data/fw/Roamline38_V2.bin");
  EXPECT_EQ(open.GetFileName(), "Roamline38_V2.bin");
  EXPECT_EQ(open.GetFileExt(), "bin");
  EXPECT_EQ(open.GetFileTitle(), "Roamline38_V2");
  EXPECT_EQ(open.GetFolderPath(), "/data/fw");
  ASSERT_EQ(ui.FileDialogs().size(), 1u);
  EXPECT_TRUE(ui.FileDialogs()[0].open);
  EXPECT_EQ(ui.FileDialogs()[0].initialDir, "/data");
  EXPECT_EQ(ui.FileDialogs()[0].filter, "Firmware (*.bin)|*.bin|All (*.*)|*.*||");

  ui.AnswerFileDialog("/tmp/track");
  CFileDialog save(FALSE, "kml", "track.kml");
  ASSERT_EQ(save.DoModal(), IDOK);
  EXPECT_EQ(save.GetPathName(), "/tmp/track.kml");

  CFileDialog cancelled(TRUE);
  EXPECT_EQ(cancelled.DoModal(), IDCANCEL);  // no answer: the user cancelled
  EXPECT_EQ(cancelled.GetPathName(), "");
}

TEST(Hooks, FolderPickerGivesThePathOrEmpty) {
  ScriptedUi ui;
  ui.AnswerFolder("/photos/2026");
  EXPECT_EQ(BrowseForFolder("Choose the photo folder"), "/photos/2026");
  EXPECT_EQ(BrowseForFolder("Again"), "");
  ASSERT_EQ(ui.Folders().size(), 2u);
  EXPECT_EQ(ui.Folders()[0].title, "Choose the photo folder");
}

TEST(Hooks, ModalScriptsActOnTheRunningDialog) {
  Headless headless;
  RegisterTemplates();
  ScriptedUi ui;
  ui.OnModal(IDD_MAIN, [](CDialog& d) {
    EXPECT_TRUE(d.IsWindowVisible());
    d.EndDialog(IDOK);
  });
  CDialog first(IDD_MAIN), second(IDD_MAIN);
  EXPECT_EQ(first.DoModal(), IDOK);
  EXPECT_EQ(second.DoModal(), IDCANCEL);  // no script left: cancelled
}

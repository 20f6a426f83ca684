// Scripted answers for message boxes, file and folder choosers and modal
// dialogs in tests. While a ScriptedUi exists it answers every question the
// program asks and records it; the previous hooks come back when it goes.
//
//   ScriptedUi ui;
//   ui.AnswerMessageBox(IDYES);                       // next box answers Yes
//   ui.AnswerFileDialog("/tmp/x/firmware.bin");       // next chooser picks it
//   ui.OnModal(IDD_ABOUTBOX, [](CDialog& dlg) { ... dlg.EndDialog(IDOK); });
//   page.OnSomething();
//   EXPECT_EQ(ui.LastMessageBox().text, "...");
//   EXPECT_EQ(ui.LastMessageBox().Icon(), MB_ICONSTOP);
//
// Unanswered message boxes get DefaultMessageBoxAnswer, unanswered choosers
// are cancelled, and a modal dialog without a script ends with IDCANCEL
// right after its initialisation (so a test never hangs in a modal loop).
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "framework/Dialog.h"
#include "framework/FileDialog.h"
#include "framework/MessageBox.h"
#include "framework/ViewHooks.h"

class ScriptedUi {
 public:
  ScriptedUi() {
    m_oldBox = SetMessageBoxHook([this](const MessageBoxRequest& r) { return OnBox(r); });
    m_oldFile = SetFileDialogHook([this](const FileDialogRequest& r) { return OnFile(r); });
    m_oldFolder = SetFolderDialogHook([this](const FolderRequest& r) { return OnFolder(r); });
    m_oldModal = SetModalHook([this](CDialog& d) { OnModalDialog(d); });
  }
  ~ScriptedUi() {
    SetMessageBoxHook(std::move(m_oldBox));
    SetFileDialogHook(std::move(m_oldFile));
    SetFolderDialogHook(std::move(m_oldFolder));
    SetModalHook(std::move(m_oldModal));
  }
  ScriptedUi(const ScriptedUi&) = delete;
  ScriptedUi& operator=(const ScriptedUi&) = delete;

  // ---- message boxes ----
  void AnswerMessageBox(int answer) {
    std::lock_guard lock(m_mutex);
    m_boxAnswers.push_back(answer);
  }
  std::vector<MessageBoxRequest> MessageBoxes() const {
    std::lock_guard lock(m_mutex);
    return m_boxes;
  }
  // The last box shown (an empty request when none was).
  MessageBoxRequest LastMessageBox() const {
    std::lock_guard lock(m_mutex);
    return m_boxes.empty() ? MessageBoxRequest{} : m_boxes.back();
  }
  size_t MessageBoxCount() const {
    std::lock_guard lock(m_mutex);
    return m_boxes.size();
  }

  // ---- file and folder choosers ----
  void AnswerFileDialog(std::optional<std::string> path) {
    std::lock_guard lock(m_mutex);
    m_fileAnswers.push_back(std::move(path));
  }
  std::vector<FileDialogRequest> FileDialogs() const {
    std::lock_guard lock(m_mutex);
    return m_files;
  }
  void AnswerFolder(std::optional<std::string> path) {
    std::lock_guard lock(m_mutex);
    m_folderAnswers.push_back(std::move(path));
  }
  std::vector<FolderRequest> Folders() const {
    std::lock_guard lock(m_mutex);
    return m_folders;
  }

  // ---- modal dialogs ----
  // The next modal run of template `id` calls script (on the dialog's
  // thread, after OnInitDialog). When the script does not end the dialog,
  // it ends with IDCANCEL.
  void OnModal(UINT id, std::function<void(CDialog&)> script) {
    std::lock_guard lock(m_mutex);
    m_modalScripts[id].push_back(std::move(script));
  }
  // Lets the dialogs of template `id` run their loop (for tests that end
  // them from another thread or by posted messages).
  void LetModalRun(UINT id) {
    std::lock_guard lock(m_mutex);
    m_runFreely.push_back(id);
  }
  std::vector<UINT> ModalDialogs() const {
    std::lock_guard lock(m_mutex);
    return m_modals;
  }

  // Delivers WM_TIMER for timer `id` of the window now, as its time had
  // come (a 15-second watchdog in a test of a few milliseconds). FALSE when
  // the timer is not running, e.g. because the code killed it.
  static bool FireTimer(CWnd& wnd, UINT_PTR id) {
    if (!IsTimerSet(wnd.m_hWnd, id)) return false;
    wnd.SendMessage(WM_TIMER, id, 0);
    return true;
  }

 private:
  int OnBox(const MessageBoxRequest& r) {
    std::lock_guard lock(m_mutex);
    m_boxes.push_back(r);
    if (m_boxAnswers.empty()) return DefaultMessageBoxAnswer(r.type);
    int a = m_boxAnswers.front();
    m_boxAnswers.pop_front();
    return a;
  }
  template <class Request>
  std::optional<std::string> Choose(const Request& r, std::vector<Request>& asked,
                                    std::deque<std::optional<std::string>>& answers) {
    std::lock_guard lock(m_mutex);
    asked.push_back(r);
    if (answers.empty()) return std::nullopt;
    auto a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<FileDialogChoice> OnFile(const FileDialogRequest& r) {
    auto path = Choose(r, m_files, m_fileAnswers);
    if (!path) return std::nullopt;
    return FileDialogChoice{*path};
  }
  std::optional<std::string> OnFolder(const FolderRequest& r) {
    return Choose(r, m_folders, m_folderAnswers);
  }
  void OnModalDialog(CDialog& dlg) {
    std::function<void(CDialog&)> script;
    bool runFreely = false;
    {
      std::lock_guard lock(m_mutex);
      m_modals.push_back(dlg.m_nIDTemplate);
      auto& q = m_modalScripts[dlg.m_nIDTemplate];
      if (!q.empty()) {
        script = std::move(q.front());
        q.pop_front();
      }
      for (UINT id : m_runFreely) runFreely = runFreely || id == dlg.m_nIDTemplate;
    }
    if (script) script(dlg);
    if (!runFreely && !dlg.IsModalEnded()) dlg.EndDialog(IDCANCEL);
  }

  mutable std::mutex m_mutex;
  MessageBoxHook m_oldBox;
  FileDialogHook m_oldFile;
  FolderDialogHook m_oldFolder;
  ModalHook m_oldModal;
  std::deque<int> m_boxAnswers;
  std::vector<MessageBoxRequest> m_boxes;
  std::deque<std::optional<std::string>> m_fileAnswers;
  std::vector<FileDialogRequest> m_files;
  std::deque<std::optional<std::string>> m_folderAnswers;
  std::vector<FolderRequest> m_folders;
  std::map<UINT, std::deque<std::function<void(CDialog&)>>> m_modalScripts;
  std::vector<UINT> m_runFreely;
  std::vector<UINT> m_modals;
};

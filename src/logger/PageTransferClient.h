// The block-protocol client of a logger page: the exchange's status and
// progress go to the page's controls, its pumps and the application's end to
// the main dialog, and the receiving form's wake to the page's sentence
// sender.
#pragma once

#include <functional>
#include <string>

#include "framework/Controls.h"
#include "logger/BlockTransferClient.h"

class CPageTransferClient : public CBlockTransferClient {
 public:
  using Sender = std::function<const char*(int type, int a, int b)>;

  // The page's controls (the clear ones may be null) and its main dialog,
  // read when the exchange needs it.
  CPageTransferClient(CStatic& status, CProgressCtrl& progress, CStatic& percent,
                      CWnd* const& mainDialog)
      : m_status(status), m_progress(progress), m_percent(percent), m_mainDialog(mainDialog) {}

  void SetClearControls(CProgressCtrl* progress, CStatic* percent) {
    m_clearProgress = progress;
    m_clearPercent = percent;
  }
  void SetSender(Sender sender) { m_sender = std::move(sender); }

  void ShowTransferStatus(const std::string& text) override { m_status.SetWindowText(text); }
  void ShowTransferProgress(int percent, const std::string& text) override;
  void ShowClearProgress(int percent, const std::string& text) override;
  void CloseMainDialog() override;
  const char* SendPmtkCommand(int type, int a, int b) override;

 private:
  CStatic& m_status;
  CProgressCtrl& m_progress;
  CStatic& m_percent;
  CWnd* const& m_mainDialog;
  CProgressCtrl* m_clearProgress = nullptr;
  CStatic* m_clearPercent = nullptr;
  Sender m_sender;
};

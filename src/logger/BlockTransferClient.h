// What a block-protocol exchange needs from the page that runs it: its
// status line and progress bars, the main dialog's services and, for the
// receiving form's wake, the page's own sentence sender. Called on the
// page's worker thread.
#pragma once

#include <string>

#include "platform/WinTypes.h"

class CBlockTransferClient {
 public:
  virtual ~CBlockTransferClient() = default;

  // The transfer status line ("Uploading...", "Waiting for Finishing...").
  virtual void ShowTransferStatus(const std::string& text) = 0;
  // The transfer progress bar and its percentage text ("42%").
  virtual void ShowTransferProgress(int percent, const std::string& text) = 0;
  // The clear progress bar and its text (the clear exchange only).
  virtual void ShowClearProgress(int percent, const std::string& text) {
    (void)percent;
    (void)text;
  }
  // The main dialog's message pump, run in the wake loop.
  virtual void PumpMainDialog();
  // Ends the application (WM_CLOSE to the main dialog) after a logger that
  // never answered the receiving form's wake.
  virtual void CloseMainDialog() {}
  // The page's sentence sender: "$PMTK182,<type>[,a][,b]" with checksum;
  // sets the settings object's m_bSendPmtkFirst. Returns the reply, nullptr
  // or "Not Connected". Only the receiving form's wake calls it.
  virtual const char* SendPmtkCommand(int type, int a, int b) {
    (void)type;
    (void)a;
    (void)b;
    return nullptr;
  }
};

#include "logger/PageTransferClient.h"

#include "framework/Messages.h"

void CPageTransferClient::ShowTransferProgress(int percent, const std::string& text) {
  m_progress.SetPos(percent);
  m_percent.SetWindowText(text);
}

void CPageTransferClient::ShowClearProgress(int percent, const std::string& text) {
  if (m_clearProgress) m_clearProgress->SetPos(percent);
  if (m_clearPercent) m_clearPercent->SetWindowText(text);
}

void CPageTransferClient::CloseMainDialog() {
  if (m_mainDialog) m_mainDialog->PostMessage(WM_CLOSE);
}

const char* CPageTransferClient::SendPmtkCommand(int type, int a, int b) {
  return m_sender ? m_sender(type, a, b) : nullptr;
}

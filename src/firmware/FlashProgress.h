// What the flashing library's progress callbacks show on a page: the
// percentage and the step's status text; and what a failed download names.
#pragma once

#include <cstdint>
#include <string>

#include "firmware/FlashSession.h"
#include "framework/Dialog.h"
#include "res/firmware_ids.h"

// Page is the device page or the firmware download page; both have
// SetProgress and a status static.
template <class Page>
int ShowFlashStep(Page* page, int statusControl, int percent, UINT statusText) {
  page->SetProgress(percent);
  page->SetDlgItemText(statusControl, CDialog::LoadString(statusText));
  return 0;
}

// The percentage is the low byte of the callback's first argument.
inline int FlashPercent(std::uint32_t argument) { return static_cast<int>(argument & 0xFF); }

// What a missing agent or scatter file made the download fail on, naming
// the file; empty when nothing was missing.
inline std::string MissingFlashFileText(const CFlashSession& session) {
  UINT text = 0;
  if (session.m_missing == CFlashSession::Missing::Agent) text = IDS_FW_NO_AGENT;
  if (session.m_missing == CFlashSession::Missing::Scatter) text = IDS_FW_NO_SCATTER;
  return text ? CDialog::LoadString(text) + "\n" + session.m_strMissingFile : std::string();
}

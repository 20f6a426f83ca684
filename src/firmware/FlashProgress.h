// What the flashing library's progress callbacks show on a page: the
// percentage and the step's status text.
#pragma once

#include <cstdint>

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

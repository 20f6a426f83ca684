// Minimal window and dialog classes until the dialog framework lands; the
// framework's own header replaces this file.
#pragma once

#include "platform/WinTypes.h"

class CWnd {
 public:
  virtual ~CWnd() = default;
};

class CDialog : public CWnd {
 public:
  CDialog() = default;
  explicit CDialog(UINT templateId, CWnd* parent = nullptr) : m_nIDTemplate(templateId) {
    (void)parent;
  }
  UINT m_nIDTemplate = 0;
};

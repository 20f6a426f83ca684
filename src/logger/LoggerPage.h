// Common shell of the pages the main dialog hosts: a child dialog on its
// template that answers the page command message (OK and Cancel run the
// page's own handling, Apply and Defaults the page's hooks, which change
// nothing unless the page has settings) and keeps OK and Cancel from ending it.
#pragma once

#include "app/PageCommand.h"
#include "framework/Dialog.h"

class CLoggerPage : public CDialog {
 public:
  explicit CLoggerPage(UINT nIDTemplate, CWnd* pParent = nullptr) : CDialog(nIDTemplate, pParent) {}

 protected:
  void OnOK() override {}
  void OnCancel() override {}
  virtual void OnPageApply() {}
  virtual void OnPageDefaults() {}
  LRESULT OnPageCommand(WPARAM wParam, LPARAM lParam);

  DECLARE_MESSAGE_MAP()
};

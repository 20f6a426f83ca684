// The dialog framework classes the photo page builds on. Until the
// framework's headers are in this tree, small stand-ins with the same
// member names keep the page's engine buildable and testable.
#pragma once

#if __has_include("framework/Dialog.h") && __has_include("framework/Controls.h")
#include "framework/Controls.h"
#include "framework/Dialog.h"
#else
#include <string>
#include <vector>

#include "platform/WinTypes.h"

class CWnd;

class CDialog {
 public:
  CDialog() = default;
  explicit CDialog(UINT, CWnd* = nullptr) {}
  virtual ~CDialog() = default;
};

class CStatic {
 public:
  void SetWindowText(const std::string& text) { m_text = text; }
  void GetWindowText(std::string& text) const { text = m_text; }

 private:
  std::string m_text;
};

class CListBox {
 public:
  int AddString(const std::string& text) {
    m_items.push_back(text);
    return static_cast<int>(m_items.size()) - 1;
  }
  void ResetContent() { m_items.clear(); }
  int GetCount() const { return static_cast<int>(m_items.size()); }
  void GetText(int index, std::string& text) const { text = m_items.at(index); }

 private:
  std::vector<std::string> m_items;
};
#endif

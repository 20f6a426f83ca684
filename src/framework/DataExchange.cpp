// Data exchange between dialog members and controls.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "framework/Controls.h"
#include "framework/WindowState.h"

using fw::Window;

namespace {

void Complain(CDataExchange* pDX, const char* text) {
  AfxMessageBox(text, MB_ICONEXCLAMATION);
  pDX->Fail();
}

std::string TextOf(HWND h) {
  return fw::Read(h, std::string(), [](const Window& w) { return w.text; });
}

void SetText(HWND h, const std::string& t) {
  if (CWnd* c = CWnd::FromHandle(h)) c->SetWindowText(t);
}

// Parses a whole decimal number (blanks around allowed).
bool ParseLong(const std::string& text, long long& out) {
  const char* s = text.c_str();
  while (*s == ' ' || *s == '\t') ++s;
  if (!*s) return false;
  char* end = nullptr;
  errno = 0;
  out = std::strtoll(s, &end, 10);
  if (end == s || errno == ERANGE) return false;
  while (*end == ' ' || *end == '\t') ++end;
  return *end == '\0';
}

}  // namespace

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
  if (rControl.m_hWnd) return;  // bound already
  HWND h = pDX->PrepareCtrl(nIDC);
  if (h) rControl.Attach(h);
}

void DDX_Text(CDataExchange* pDX, int nIDC, std::string& value) {
  HWND h = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate)
    value = TextOf(h);
  else
    SetText(h, value);
}

namespace {
template <class T>
void DdxNumber(CDataExchange* pDX, int nIDC, T& value, long long lo, long long hi,
               const char* complaint) {
  HWND h = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    long long v = 0;
    if (!ParseLong(TextOf(h), v) || v < lo || v > hi) Complain(pDX, complaint);
    value = static_cast<T>(v);
  } else {
    SetText(h, std::to_string(value));
  }
}
}  // namespace

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
  DdxNumber(pDX, nIDC, value, INT32_MIN, INT32_MAX, "Please enter an integer.");
}

void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) {
  DdxNumber(pDX, nIDC, value, 0, UINT32_MAX, "Please enter a positive integer.");
}

void DDX_Text(CDataExchange* pDX, int nIDC, long& value) {
  DdxNumber(pDX, nIDC, value, INT64_MIN, INT64_MAX, "Please enter an integer.");
}

void DDX_Text(CDataExchange* pDX, int nIDC, double& value) {
  HWND h = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) {
    std::string t = TextOf(h);
    char* end = nullptr;
    double v = std::strtod(t.c_str(), &end);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    if (t.empty() || !end || *end) Complain(pDX, "Please enter a number.");
    value = v;
  } else {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*g", 15, value);
    SetText(h, buf);
  }
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
  HWND h = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate)
    value = fw::Read(h, 0, [](const Window& w) { return w.check; });
  else
    fw::Modify(h, [&](Window& w) { w.check = value; });
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value) {
  HWND first = pDX->PrepareCtrl(nIDC);
  std::vector<HWND> group;
  {
    std::lock_guard lock(fw::Lock());
    Window* w = fw::Find(first);
    Window* d = w ? fw::Find(w->parent) : nullptr;
    if (d) {
      bool in = false;
      for (HWND c : d->children) {
        Window* cw = fw::Find(c);
        if (!cw) continue;
        if (c == first)
          in = true;
        else if (in && (cw->ctrlStyle & CS_GROUP))
          break;
        if (in && cw->kind == CtrlKind::RadioButton) group.push_back(c);
      }
    }
  }
  if (pDX->m_bSaveAndValidate) {
    value = -1;
    for (size_t i = 0; i < group.size(); ++i)
      if (fw::Read(group[i], 0, [](const Window& w) { return w.check; }))
        value = static_cast<int>(i);
  } else {
    for (size_t i = 0; i < group.size(); ++i)
      fw::Modify(group[i], [&](Window& w) { w.check = static_cast<int>(i) == value ? 1 : 0; });
  }
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index) {
  HWND h = pDX->PrepareCtrl(nIDC);
  auto* combo = static_cast<CComboBox*>(CWnd::FromHandle(h));
  if (!combo) return;
  if (pDX->m_bSaveAndValidate)
    index = combo->GetCurSel();
  else
    combo->SetCurSel(index);
}

void DDX_CBString(CDataExchange* pDX, int nIDC, std::string& value) {
  HWND h = pDX->PrepareCtrl(nIDC);
  auto* combo = static_cast<CComboBox*>(CWnd::FromHandle(h));
  if (!combo) return;
  if (pDX->m_bSaveAndValidate) {
    value = combo->GetWindowTextString();
  } else if (combo->SelectString(-1, value) == CB_ERR) {
    combo->SetCurSel(-1);
  }
}

void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index) {
  HWND h = pDX->PrepareCtrl(nIDC);
  auto* list = static_cast<CListBox*>(CWnd::FromHandle(h));
  if (!list) return;
  if (pDX->m_bSaveAndValidate)
    index = list->GetCurSel();
  else
    list->SetCurSel(index);
}

void DDX_LBString(CDataExchange* pDX, int nIDC, std::string& value) {
  HWND h = pDX->PrepareCtrl(nIDC);
  auto* list = static_cast<CListBox*>(CWnd::FromHandle(h));
  if (!list) return;
  if (pDX->m_bSaveAndValidate) {
    int sel = list->GetCurSel();
    value.clear();
    if (sel >= 0) list->GetText(sel, value);
  } else {
    list->SetCurSel(list->FindStringExact(-1, value));
  }
}

void DDV_MaxChars(CDataExchange* pDX, const std::string& value, int nChars) {
  HWND h = fw::ChildHandle(pDX->m_pDlgWnd ? pDX->m_pDlgWnd->m_hWnd : nullptr, pDX->m_idLastControl);
  if (pDX->m_bSaveAndValidate) {
    if (static_cast<int>(value.size()) > nChars) {
      Complain(pDX, ("Enter no more than " + std::to_string(nChars) + " characters.").c_str());
    }
  } else {
    fw::Modify(h, [&](Window& w) { w.limitText = static_cast<UINT>(nChars); });
  }
}

namespace {
template <class T>
void MinMax(CDataExchange* pDX, T value, T minVal, T maxVal) {
  if (pDX->m_bSaveAndValidate && (value < minVal || value > maxVal))
    Complain(pDX, ("Enter an integer between " + std::to_string(minVal) + " and " +
                   std::to_string(maxVal) + ".")
                      .c_str());
}
}  // namespace

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal) {
  MinMax(pDX, value, minVal, maxVal);
}

void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal) {
  MinMax(pDX, value, minVal, maxVal);
}

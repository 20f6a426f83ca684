// CDialog: dialogs built from templates, modal and modeless.
#include "framework/Dialog.h"

#include <mutex>

#include "framework/Hook.h"
#include "framework/MessageQueue.h"
#include "framework/Resources.h"
#include "framework/ViewHooks.h"
#include "framework/WindowState.h"

using fw::Window;

CWnd* AfxGetMainWnd();

namespace {

CWnd* AfxGetMainWndOrNull() {
  CWnd* main = AfxGetMainWnd();
  return main && main->m_hWnd ? main : nullptr;
}

fw::Hook<ModalHook> g_modalHook;

int MulDiv(int v, int num, int den) {
  long long p = static_cast<long long>(v) * num;
  // Rounds half away from zero, as the system's MulDiv does.
  return static_cast<int>(p >= 0 ? (p + den / 2) / den : (p - den / 2) / den);
}

void BaseUnitsOf(const char* face, int pointSize, int& baseX, int& baseY) {
  ViewBackend* view = GetViewBackend();
  if (!view || !view->FontBaseUnits(face ? face : "", pointSize, baseX, baseY))
    FixedFontBaseUnits(pointSize, baseX, baseY);
}

CRect MapRect(int x, int y, int cx, int cy, int baseX, int baseY) {
  return CRect(MulDiv(x, baseX, 4), MulDiv(y, baseY, 8), MulDiv(x + cx, baseX, 4),
               MulDiv(y + cy, baseY, 8));
}

}  // namespace

ModalHook SetModalHook(ModalHook hook) { return g_modalHook.Exchange(std::move(hook)); }

void FixedFontBaseUnits(int pointSize, int& baseX, int& baseY) {
  if (pointSize <= 0) pointSize = 8;
  // Character cell of the font at 96 dots per inch plus its leading; the
  // average width keeps the 6:13 ratio of the classic dialog font.
  baseY = (pointSize * 96 + 36) / 72 + 2;
  baseX = (baseY * 6 + 6) / 13;
}

int FixedTextWidth(int pointSize, std::string_view text) {
  int baseX = 0, baseY = 0;
  FixedFontBaseUnits(pointSize, baseX, baseY);
  int width = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80)
      width += baseX;
    else if (c >= 0xC0)
      width += c >= 0xE0 ? 2 * baseX : baseX;  // one per UTF-8 lead byte; CJK double
  }
  return width;
}

CDialog::~CDialog() {
  if (m_hWnd) {
    HWND h = m_hWnd;
    {
      std::lock_guard lock(fw::Lock());
      if (Window* w = fw::Find(h); w && w->attached == this) w->attached = nullptr;
    }
    fw::DestroyWindowTree(h, false);
    m_hWnd = nullptr;
  }
}

const AFX_MSGMAP* CDialog::GetThisMessageMap() {
  using ThisClass = CDialog;
  static const AFX_MSGMAP_ENTRY entries[] = {ON_COMMAND(IDOK, &CDialog::OnOK)          //
                                             ON_COMMAND(IDCANCEL, &CDialog::OnCancel)  //
                                             {0, 0, 0, 0, AfxKind_end, nullptr}};
  static const AFX_MSGMAP map = {&CWnd::GetThisMessageMap, &entries[0]};
  return &map;
}

const AFX_MSGMAP* CDialog::GetMessageMap() const { return GetThisMessageMap(); }

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    // The close box of a dialog is its Cancel.
    SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return 0;
  }
  return CWnd::DefWindowProc(message, wParam, lParam);
}

BOOL CDialog::CreateFromTemplate(UINT nIDTemplate, CWnd* pParentWnd, bool modal) {
  const DialogTemplate* t = FindDialogTemplate(nIDTemplate);
  if (!t) {
    TRACE("Dialog template %u not found\n", nIDTemplate);
    return FALSE;
  }
  if (m_hWnd) return FALSE;
  bool child = t->style ? (t->style & DLG_CHILD) != 0 : (!t->caption || !*t->caption);
  if (t->style & DLG_POPUP) child = false;
  if (modal || !pParentWnd) child = child && pParentWnd && !modal;
  int baseX = 0, baseY = 0;
  BaseUnitsOf(t->fontName, t->fontPointSize, baseX, baseY);
  CFont font(t->fontName ? t->fontName : "MS Sans Serif", t->fontPointSize);
  HWND parent = pParentWnd ? pParentWnd->m_hWnd : nullptr;
  HWND h = nullptr;
  {
    std::lock_guard lock(fw::Lock());
    Window& w = fw::NewWindow();
    h = w.handle;
    w.isDialog = true;
    w.isChildDialog = child;
    w.topLevel = !child;
    w.templateId = nIDTemplate;
    w.id = static_cast<int>(nIDTemplate);
    w.ctrlStyle = t->style;
    w.parent = parent;
    w.attached = this;
    w.baseX = baseX;
    w.baseY = baseY;
    w.font = font;
    w.text = t->caption ? t->caption : "";
    w.rect = MapRect(0, 0, t->cx, t->cy, baseX, baseY);
    w.dluRect = CRect(0, 0, t->cx, t->cy);
    w.visible = !modal && (t->style & DLG_VISIBLE) != 0;
    if (Window* p = fw::Find(parent); p && child) p->children.push_back(h);
    HWND previous = nullptr;
    for (const ControlTemplate& ct : t->controls) {
      Window& c = fw::NewWindow();
      c.parent = h;
      c.id = ct.id;
      c.kind = ct.kind;
      c.ctrlStyle = ct.style;
      c.visible = (ct.style & CS_VISIBLE) != 0;
      c.enabled = (ct.style & CS_DISABLED) == 0;
      c.text = ct.text ? ct.text : "";
      c.font = font;
      c.rect = MapRect(ct.x, ct.y, ct.cx, ct.cy, baseX, baseY);
      c.dluRect = CRect(ct.x, ct.y, ct.x + ct.cx, ct.y + ct.cy);
      if (ct.kind == CtrlKind::Bitmap) c.bitmapId = static_cast<UINT>(ct.resource);
      if (ct.kind == CtrlKind::Icon) c.iconId = static_cast<UINT>(ct.resource);
      if (ct.kind == CtrlKind::UpDown && (ct.style & CS_BUDDY)) c.buddy = previous;
      if (ct.kind == CtrlKind::Button && (ct.style & CS_DEFAULT))
        w.defId = static_cast<UINT>(ct.id);
      fw::Find(h)->children.push_back(c.handle);
      previous = c.handle;
    }
  }
  m_hWnd = h;
  m_pParentWnd = pParentWnd;
  m_nIDTemplate = nIDTemplate;
  fw::NotifyChanged(h);
  OnInitDialog();
  return TRUE;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
  m_bModal = false;
  m_bModalEnded = false;
  return CreateFromTemplate(nIDTemplate, pParentWnd ? pParentWnd : m_pParentWnd, false);
}

INT_PTR CDialog::DoModal() {
  m_bModal = true;
  m_bModalEnded = false;
  m_nModalResult = -1;
  if (!CreateFromTemplate(m_nIDTemplate, m_pParentWnd, true)) return -1;
  HWND h = m_hWnd;
  fw::Modify(h, [](Window& w) { w.modal = true; });
  if (!m_bModalEnded) {
    ShowWindow(SW_SHOW);
    // The owner (by default the main window) takes no input while the
    // dialog runs.
    CWnd* ownerWnd = m_pParentWnd ? m_pParentWnd : AfxGetMainWndOrNull();
    CWnd* owner = ownerWnd && ownerWnd != this ? ownerWnd->GetTopLevelParent() : nullptr;
    if (owner == this) owner = nullptr;
    BOOL ownerWasDisabled = owner ? owner->EnableWindow(FALSE) : TRUE;
    ModalHook hook = g_modalHook.Get();
    if (hook) hook(*this);
    if (!m_bModalEnded && IsWindow(h)) {
      ViewBackend* view = GetViewBackend();
      if (view && view->IsViewThread())
        view->RunModal(*this);
      else {
        auto queue = fw::CurrentQueue();
        while (!m_bModalEnded && IsWindow(h)) {
          AfxPumpMessages();
          if (m_bModalEnded) break;
          queue->WaitForWork(100);
        }
      }
    }
    if (owner && !ownerWasDisabled && IsWindow(owner->m_hWnd)) owner->EnableWindow(TRUE);
  }
  if (IsWindow(h)) fw::DestroyWindowTree(h, true);
  m_hWnd = nullptr;
  m_bModal = false;
  return m_nModalResult;
}

void CDialog::EndDialog(int nResult) {
  m_nModalResult = nResult;
  m_bModalEnded = true;
  if (!m_bModal) {
    ShowWindow(SW_HIDE);
    return;
  }
  // Wakes the loop, also when called from another thread.
  PostMessage(WM_NULL);
}

BOOL CDialog::IsModalEnded() const { return m_bModalEnded; }

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange*) {}

namespace {
struct DataExchangeFailure {};
}  // namespace

void CDataExchange::Fail() { throw DataExchangeFailure{}; }

HWND CDataExchange::PrepareCtrl(int nIDC) {
  m_idLastControl = nIDC;
  HWND h = fw::ChildHandle(m_pDlgWnd ? m_pDlgWnd->m_hWnd : nullptr, nIDC);
  if (!h) TRACE("Data exchange: no control %d\n", nIDC);
  return h;
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
  CDataExchange dx(this, bSaveAndValidate);
  try {
    DoDataExchange(&dx);
  } catch (const DataExchangeFailure&) {
    // Focus goes back to the control that failed, as the user fixes it.
    if (CWnd* c = GetDlgItem(dx.m_idLastControl)) c->SetFocus();
    return FALSE;
  }
  return TRUE;
}

void CDialog::MapDialogRect(LPRECT rect) const {
  if (!rect) return;
  int baseX = 6, baseY = 13;
  fw::Read(m_hWnd, 0, [&](const Window& w) {
    baseX = w.baseX;
    baseY = w.baseY;
    return 0;
  });
  *rect = CRect(MulDiv(rect->left, baseX, 4), MulDiv(rect->top, baseY, 8),
                MulDiv(rect->right, baseX, 4), MulDiv(rect->bottom, baseY, 8));
}

void CDialog::SetDefID(UINT nID) {
  fw::Modify(m_hWnd, [&](Window& w) { w.defId = nID; });
}

DWORD CDialog::GetDefID() const {
  return fw::Read(m_hWnd, DWORD{0},
                  [](const Window& w) { return DWORD{w.defId} | (0x534Bu << 16); });
}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl) {
  if (pWndCtrl) pWndCtrl->SetFocus();
}

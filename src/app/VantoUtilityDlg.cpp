#include "app/VantoUtilityDlg.h"

#include <algorithm>
#include <atomic>

#include "app/AboutDlg.h"
#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "firmware/PageDownloadFW.h"
#include "formats/PageTrackLogFormat.h"
#include "framework/App.h"
#include "framework/Menu.h"
#include "logger/PageGPSStatus.h"
#include "logger/PageMTKTracklogSetting.h"
#include "logger/PageTrackLogSetting.h"
#include "logger/PageWayPointSetting.h"
#include "photo/PageTrackLogPhoto.h"
#include "platform/Sleep.h"
#include "platform/Trace.h"
#include "res/AppArtwork.h"
#include "res/firmware_ids.h"
#include "res/formats_ids.h"
#include "res/link_ids.h"
#include "res/logger_ids.h"
#include "res/photo_ids.h"

int g_nTabCount = 0;

namespace {

// Runs a tab service on the dialog's own thread: wParam the service, lParam its argument.
constexpr UINT WM_MAIN_SERVICE = WM_USER + 101;
enum : WPARAM { kServiceSelectTab = 1, kServiceRefreshTab = 2 };

constexpr int kDeviceTx370 = 3;
constexpr int kDeviceTx380 = 4;

}  // namespace

// Owners of the page objects; the dialog's public pointers refer to them.
struct CVantoUtilityDlg::OwnedPages {
  std::unique_ptr<CPageDeviceSetting> device;
  std::unique_ptr<CPageGPSStatus> gpsStatus;
  std::unique_ptr<CPageTrackLogSetting> trackLogSetting;
  std::unique_ptr<CPageTrackLogFormat> trackLogFormat;
  std::unique_ptr<CPageTrackLogPhoto> trackLogPhoto;
  std::unique_ptr<CPageWayPointSetting> wayPointSetting;
  std::unique_ptr<CPageMTKTracklogSetting> mtkTracklogSetting;
  std::unique_ptr<CPageDownloadFW> downloadFW;
};

BEGIN_MESSAGE_MAP(CVantoUtilityDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_NOTIFY(TCN_SELCHANGE, IDC_TAB_MAIN, &CVantoUtilityDlg::OnSelchangeTab)
ON_WM_CLOSE()
ON_BN_CLICKED(IDC_BUTTON_APPLY_ALL, &CVantoUtilityDlg::OnApplyAll)
ON_BN_CLICKED(IDC_BUTTON_DEFAULT_ALL, &CVantoUtilityDlg::OnDefaultAll)
ON_BN_CLICKED(IDC_BUTTON_ABOUT, &CVantoUtilityDlg::OnAbout)
ON_WM_TIMER()
ON_MESSAGE(WM_MAIN_SERVICE, &CVantoUtilityDlg::OnMainService)
END_MESSAGE_MAP()

CVantoUtilityDlg::CVantoUtilityDlg(CWnd* pParent)
    : CDialog(IDD, pParent), m_pages(std::make_unique<OwnedPages>()) {
  RegisterAppArtwork();
  m_hIcon = AfxLoadIconResource(IDR_MAINFRAME);
  for (int i = 0; i < 8; ++i) {
    m_bTabEnabled[i] = 1;
    m_pTabPage[i] = nullptr;
  }
}

CVantoUtilityDlg::~CVantoUtilityDlg() {
  // A heartbeat thread reads this object until it has seen its run flag cleared.
  m_bTimerThreadRun = 0;
  WaitForTimerThreads();
  // A log download works on several pages: it ends before any of them goes.
  if (m_pages->mtkTracklogSetting) m_pages->mtkTracklogSetting->StopDownload();

  m_pages->device.reset();
  m_pPageDevice = nullptr;
  m_pages->gpsStatus.reset();
  m_pPageGPSStatus = nullptr;
  m_pages->trackLogSetting.reset();
  m_pPageTrackLogSetting = nullptr;
  m_pages->trackLogFormat.reset();
  m_pPageTrackLogFormat = nullptr;
  m_pages->trackLogPhoto.reset();
  m_pPageTrackLogPhoto = nullptr;
  m_pages->wayPointSetting.reset();
  m_pPageWayPointSetting = nullptr;
  if (m_pages->mtkTracklogSetting) m_pages->mtkTracklogSetting->FreeReplyBuffer();
  m_pages->mtkTracklogSetting.reset();
  m_pPageMTKTracklogSetting = nullptr;
  m_pages->downloadFW.reset();
  m_pPageDownloadFW = nullptr;
}

void CVantoUtilityDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_BUTTON_ABOUT, m_btnAbout);
  DDX_Control(pDX, IDC_PICTURE_MODEL, m_picModel);
  DDX_Control(pDX, IDC_PICTURE_LOGO, m_picLogo);
  DDX_Control(pDX, IDC_BUTTON_DEFAULT_ALL, m_btnDefaultAll);
  DDX_Control(pDX, IDOK, m_btnClose);
  DDX_Control(pDX, IDCANCEL, m_btnCancel);
  DDX_Control(pDX, IDC_BUTTON_APPLY_ALL, m_btnApplyAll);
  DDX_Control(pDX, IDC_TAB_MAIN, m_tabMain);
}

BOOL CVantoUtilityDlg::OnInitDialog() {
  CDialog::OnInitDialog();

  const std::string about = LoadString(IDS_ABOUTBOX);
  if (!about.empty()) {
    if (CMenu* menu = GetSystemMenu(FALSE)) {
      menu->AppendMenu(MF_SEPARATOR);
      menu->AppendMenu(MF_STRING, IDM_ABOUTBOX, about);
    }
  }
  SetIcon(m_hIcon, TRUE);
  SetIcon(m_hIcon, FALSE);
  LoadDialogTexts();

  CreatePages();
  m_pTabPage[0] = m_pPageDevice;
  m_bTabEnabled[0] = 1;
  g_utilityManager.m_bLockedTabAllowed = 0;
  m_nDeviceTabState = 1;
  InsertTabs();
  SelectTab(0);
  EnableTabDialogTheme(this);

  m_bmpModel.LoadBitmap(IDB_MODEL_BANNER);
  m_bmpModelTx.LoadBitmap(IDB_MODEL_BANNER_TX3X0);
  m_bmpLogo.LoadBitmap(IDB_LOGO);
  m_picLogo.SetBitmap(m_bmpLogo);

  m_tabMain.Install(&m_tabMain);
  return TRUE;
}

void CVantoUtilityDlg::LoadDialogTexts() {
  SetWindowText(LoadString(300));
  SetDlgItemText(IDOK, LoadString(IDS_MAIN_CLOSE));
  SetDlgItemText(IDCANCEL, LoadString(IDS_MAIN_CANCEL));
  SetDlgItemText(IDC_BUTTON_APPLY_ALL, LoadString(IDS_MAIN_APPLY_ALL));
  SetDlgItemText(IDC_BUTTON_DEFAULT_ALL, LoadString(IDS_MAIN_DEFAULT_ALL));
  SetDlgItemText(IDC_BUTTON_ABOUT, LoadString(IDS_MAIN_ABOUT));
}

namespace {

// Creates a page object and its window, hidden, on the tab control.
template <class Page>
Page* CreatePage(std::unique_ptr<Page>& owner, UINT templateId, CWnd* tab) {
  owner = std::make_unique<Page>();
  owner->Create(templateId, tab);
  return owner.get();
}

}  // namespace

void CVantoUtilityDlg::CreatePages() {
  OwnedPages& p = *m_pages;
  m_pPageDevice = CreatePage(p.device, IDD_PAGE_DEVICE_SETTING, &m_tabMain);

  // The pages sit below the tab strip, at item 0 moved by (8, 28). Before
  // the first tab is inserted the item has no rectangle yet; then the place
  // the first item takes is used.
  CRect item(2, 2, 42, 2);
  m_tabMain.GetItemRect(0, &item);
  auto place = [&](CWnd* page) {
    page->SetWindowPos(nullptr, item.left + 8, item.top + 28, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  };
  place(m_pPageDevice);
  m_pPageGPSStatus = CreatePage(p.gpsStatus, IDD_PAGE_GPS_STATUS, &m_tabMain);
  place(m_pPageGPSStatus);
  m_pPageTrackLogSetting = CreatePage(p.trackLogSetting, IDD_PAGE_TRACKLOG_SETTING, &m_tabMain);
  place(m_pPageTrackLogSetting);
  m_pPageTrackLogFormat = CreatePage(p.trackLogFormat, IDD_PAGE_TRACKLOG_FORMAT, &m_tabMain);
  place(m_pPageTrackLogFormat);
  m_pPageTrackLogPhoto = CreatePage(p.trackLogPhoto, IDD_PAGE_TRACKLOG_PHOTO, &m_tabMain);
  place(m_pPageTrackLogPhoto);
  m_pPageWayPointSetting = CreatePage(p.wayPointSetting, IDD_PAGE_WAYPOINT_SETTING, &m_tabMain);
  place(m_pPageWayPointSetting);
  m_pPageMTKTracklogSetting =
      CreatePage(p.mtkTracklogSetting, IDD_PAGE_MTK_TRACKLOG_SETTING, &m_tabMain);
  place(m_pPageMTKTracklogSetting);
  m_pPageDownloadFW = CreatePage(p.downloadFW, IDD_PAGE_DOWNLOAD_FW, &m_tabMain);
  place(m_pPageDownloadFW);

  // The command layer reaches the port through the device page.
  m_pPageDevice->SetServicePages(m_pPageMTKTracklogSetting, m_pPageDownloadFW);
  FitTabToDevicePage();
}

// The page's font may measure larger than the dialog's on this system than
// the layout was made for; the tab and the window then grow so that the whole
// page shows, and the buttons below keep their place at the bottom right.
void CVantoUtilityDlg::FitTabToDevicePage() {
  constexpr int kFrame = 4;  // the tab control's border around its pages
  CRect page;
  m_pPageDevice->GetWindowRect(&page);
  m_tabMain.ScreenToClient(&page);
  CRect inside;
  m_tabMain.GetClientRect(&inside);
  const int growX = std::max(0, page.right + kFrame - inside.right);
  const int growY = std::max(0, page.bottom + kFrame - inside.bottom);
  if (growX == 0 && growY == 0) return;

  auto grow = [&](CWnd* wnd) {
    CRect r;
    wnd->GetWindowRect(&r);
    wnd->SetWindowPos(nullptr, 0, 0, r.Width() + growX, r.Height() + growY,
                      SWP_NOMOVE | SWP_NOZORDER);
  };
  auto shift = [&](int id, int dx) {
    CWnd* wnd = GetDlgItem(id);
    if (!wnd) return;
    CRect r;
    wnd->GetWindowRect(&r);
    ScreenToClient(&r);
    wnd->SetWindowPos(nullptr, r.left + dx, r.top + growY, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  };
  grow(&m_tabMain);
  for (int id :
       {IDC_BUTTON_ABOUT, int{IDOK}, int{IDCANCEL}, IDC_BUTTON_APPLY_ALL, IDC_BUTTON_DEFAULT_ALL})
    shift(id, growX);
  shift(IDC_PICTURE_LOGO, 0);
  grow(this);
}

void CVantoUtilityDlg::InsertTabs() {
  int count = 0;
  if (m_bTabEnabled[0] == 1) {
    m_tabMain.InsertItem(count, LoadString(IDS_MAIN_DEVICE_TAB));
    m_pTabPage[count] = m_pPageDevice;
    m_tabMain.EnableItem(count, m_nDeviceTabState);
    g_utilityManager.m_cDeviceTab = static_cast<signed char>(count);
    ++count;
  }
  g_nTabCount = count;
}

void CVantoUtilityDlg::SelectTab(int n) {
  if (m_hWnd)
    SendMessage(WM_MAIN_SERVICE, kServiceSelectTab, n);
  else
    DoSelectTab(n);
}

void CVantoUtilityDlg::RefreshCurrentTab() {
  if (m_hWnd)
    SendMessage(WM_MAIN_SERVICE, kServiceRefreshTab, 0);
  else
    DoRefreshCurrentTab();
}

LRESULT CVantoUtilityDlg::OnMainService(WPARAM wParam, LPARAM lParam) {
  if (wParam == kServiceSelectTab)
    DoSelectTab(static_cast<int>(lParam));
  else if (wParam == kServiceRefreshTab)
    DoRefreshCurrentTab();
  return 0;
}

void CVantoUtilityDlg::DoSelectTab(int n) {
  m_nCurrentTab = n;
  m_tabMain.SetCurSel(n);
  for (int i = 0; i < g_nTabCount && i < 8; ++i)
    if (m_pTabPage[i]) m_pTabPage[i]->ShowWindow(SW_HIDE);
  if (n >= 0 && n < g_nTabCount && n < 8 && m_pTabPage[n]) {
    m_pTabPage[n]->ShowWindow(SW_SHOW);
    m_pTabPage[n]->UpdateWindow();
  }
}

// The current page enabled and shown, unless it is the locked tab while
// locked tabs are not allowed.
void CVantoUtilityDlg::ShowCurrentPage() {
  const int cur = m_nCurrentTab;
  if (cur == g_utilityManager.m_cLockedTab && !g_utilityManager.m_bLockedTabAllowed) return;
  if (cur < 0 || cur >= g_nTabCount || cur >= 8 || !m_pTabPage[cur]) return;
  m_pTabPage[cur]->EnableWindow(TRUE);
  m_pTabPage[cur]->ShowWindow(SW_SHOW);
  m_pTabPage[cur]->UpdateWindow();
}

void CVantoUtilityDlg::DoRefreshCurrentTab() {
  m_nCurrentTab = m_tabMain.GetCurSel();
  for (int i = 0; i < g_nTabCount && i < 8; ++i) {
    if (i == m_nCurrentTab || !m_pTabPage[i]) continue;
    m_pTabPage[i]->EnableWindow(FALSE);
    m_pTabPage[i]->ShowWindow(SW_HIDE);
  }
  ShowCurrentPage();
}

void CVantoUtilityDlg::OnSelchangeTab(NMHDR*, LRESULT* pResult) {
  m_nCurrentTab = m_tabMain.GetCurSel();
  for (int i = 0; i < g_nTabCount && i < 8; ++i) {
    if (!m_pTabPage[i]) continue;
    const BOOL current = i == m_nCurrentTab;
    m_pTabPage[i]->EnableWindow(current);
    m_pTabPage[i]->ShowWindow(current ? SW_SHOW : SW_HIDE);
  }
  ShowCurrentPage();
  *pResult = 0;
}

void CVantoUtilityDlg::UpdateModelPicture() {
  m_picLogo.SetBitmap(m_bmpLogo);
  const int model = g_utilityManager.m_nModelCode;
  if (model == kDeviceTx370 || model == kDeviceTx380) {
    m_picModel.SetBitmap(m_bmpModelTx);
    SelectTab(0);
  } else {
    m_picModel.SetBitmap(m_bmpModel);
  }
}

void CVantoUtilityDlg::PumpMessages() { AfxPumpMessages(); }

void CVantoUtilityDlg::RunTimerThread(BOOL bRun) {
  std::lock_guard lock(m_timerMutex);
  m_bTimerThreadRun = bRun;
  if (!bRun) {
    ++m_timerGeneration;
    return;
  }
  std::erase_if(m_timerThreads, [](const TimerThread& t) { return !t.thread->IsRunning(); });
  TimerThread& entry = m_timerThreads.emplace_back(TimerThread{this, m_timerGeneration});
  entry.thread = AfxBeginThread(TimerThreadProc, &entry);
  if (!entry.thread) m_timerThreads.pop_back();
}

UINT CVantoUtilityDlg::TimerThreadProc(LPVOID param) {
  const auto* entry = static_cast<const TimerThread*>(param);
  entry->dlg->TimerLoop(entry->generation);
  return 1;
}

void CVantoUtilityDlg::TimerLoop(unsigned generation) {
  {
    std::lock_guard lock(m_timerMutex);
    ++m_nTimerLoops;
    g_utilityManager.m_bWorkerStopped = 0;
  }
  while (m_bTimerThreadRun && m_timerGeneration == generation) {
    Sleep(1000);
    TRACE("Main Dialog OnTimer\n");
  }
  // Stopped only once no heartbeat runs any more.
  std::lock_guard lock(m_timerMutex);
  if (--m_nTimerLoops == 0) g_utilityManager.m_bWorkerStopped = 1;
}

int CVantoUtilityDlg::GetTimerThreadCount() const {
  std::lock_guard lock(m_timerMutex);
  int running = 0;
  for (const TimerThread& t : m_timerThreads) running += t.thread->IsRunning() ? 1 : 0;
  return running;
}

void CVantoUtilityDlg::WaitForTimerThreads() {
  std::vector<CWinThread*> threads;
  {
    std::lock_guard lock(m_timerMutex);
    for (const TimerThread& t : m_timerThreads) threads.push_back(t.thread);
  }
  for (CWinThread* t : threads) t->Wait();
}

void CVantoUtilityDlg::EnableCloseButtons(BOOL bClose, BOOL bCancel, BOOL bApplyAll,
                                          BOOL bDefaultAll) {
  m_btnClose.EnableWindow(bClose);
  m_btnCancel.EnableWindow(bCancel);
  m_btnApplyAll.EnableWindow(bApplyAll);
  m_btnDefaultAll.EnableWindow(bDefaultAll);
}

void CVantoUtilityDlg::SendToTabs(PageCommand command) {
  for (int i = 0; i < g_nTabCount && i < 8; ++i)
    if (m_pTabPage[i]) m_pTabPage[i]->SendMessage(WM_PAGE_COMMAND, command, 0);
}

void CVantoUtilityDlg::OnApplyAll() { SendToTabs(PAGECMD_APPLY); }

void CVantoUtilityDlg::OnDefaultAll() { SendToTabs(PAGECMD_DEFAULTS); }

void CVantoUtilityDlg::OnAbout() {
  CAboutDlg about;
  about.DoModal();
}

void CVantoUtilityDlg::OnSysCommand(UINT nID, LPARAM lParam) {
  if ((nID & 0xFFF0) == IDM_ABOUTBOX)
    OnAbout();
  else if ((nID & 0xFFF0) == SC_CLOSE)
    OnClose();
  else
    CDialog::OnSysCommand(nID, lParam);
}

void CVantoUtilityDlg::OnPaint() {
  if (IsIconic()) {
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    CRect rect;
    GetClientRect(&rect);
    const CPoint at((rect.Width() - GetSystemMetrics(SM_CXICON) + 1) / 2,
                    (rect.Height() - GetSystemMetrics(SM_CYICON) + 1) / 2);
    dc.DrawState(at, CSize(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)), m_hIcon,
                 DST_ICON | DSS_NORMAL);
  } else {
    CDialog::OnPaint();
  }
}

HCURSOR CVantoUtilityDlg::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(m_hIcon); }

void CVantoUtilityDlg::OnTimer(UINT_PTR nIDEvent) {
  TRACE("Main Dialog OnTimer\n");
  CDialog::OnTimer(nIDEvent);
}

BOOL CVantoUtilityDlg::IsPortOpen() const {
  return m_pPageDevice && m_pPageDevice->m_hComPort != nullptr;
}

BOOL CVantoUtilityDlg::IsUpdating() const {
  return m_pPageDownloadFW && m_pPageDownloadFW->m_bBusy;
}

void CVantoUtilityDlg::OnClose() {
  if (IsUpdating()) return;
  if (IsPortOpen() && m_pPageMTKTracklogSetting) {
    m_pPageMTKTracklogSetting->m_bReceiveStop = 1;
    if (g_utilityManager.m_bHighSpeed) {
      m_pPageMTKTracklogSetting->SendLogCommand(14, 38400, 0);
      Sleep(500);
      m_pPageDevice->RestorePortSpeed();
      g_utilityManager.m_bHighSpeed = FALSE;
    }
    m_pPageMTKTracklogSetting->SendMakerCommand(2);
  }
  OnCancel();
}

void CVantoUtilityDlg::OnCancel() {
  // Escape reaches here also while the logger is being written: the update
  // thread works on pages this dialog owns, so the window stays until it ends.
  if (IsUpdating()) return;
  if (IsPortOpen()) {
    if (m_pPageMTKTracklogSetting) m_pPageMTKTracklogSetting->SendMakerCommand(2);
    m_pPageDevice->PurgePort();
    m_pPageDevice->ClosePort();
  }
  RunTimerThread(FALSE);
  CDialog::OnCancel();
}

void CVantoUtilityDlg::OnOK() {
  if (IsUpdating()) return;
  if (IsPortOpen()) {
    m_pPageDevice->PurgePort();
    m_pPageDevice->ClosePort();
  }
  RunTimerThread(FALSE);
  OnCancel();
  CDialog::OnOK();
}

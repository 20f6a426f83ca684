// The device page: controls, port choice, Auto Detect, Connect, Write Name,
// the forced-update mode and the page command.
#include "firmware/PageDeviceSetting.h"

#include <cstdlib>
#include <cstring>

#include "common/UtilityManager.h"
#include "firmware/PageDownloadFW.h"
#include "framework/MessageBox.h"
#include "logger/PageMTKTracklogSetting.h"
#include "platform/Sleep.h"

#ifndef WM_PAGE_COMMAND
#define WM_PAGE_COMMAND (WM_USER + 100)
#endif

namespace {

enum : WPARAM { kPageCmdOk = 0, kPageCmdCancel = 1, kPageCmdApply = 2, kPageCmdDefaults = 3 };
constexpr int kBaudRates[] = {4800, 9600, 14400, 19200, 38400, 57600, 115200};
constexpr int kDefaultBaudIndex = 4;
constexpr int kPortCount = 22;
constexpr int kMakerWriteName = 4;
// Buttons of the main dialog that the page locks around its work.
constexpr int kMainApplyAll = 1001;
constexpr int kMainDefaultAll = 1002;
constexpr int kMainAbout = 1095;

}  // namespace

CPageDeviceSetting* g_pDevicePage = nullptr;

BEGIN_MESSAGE_MAP(CPageDeviceSetting, CDialog)
ON_CBN_SELCHANGE(IDC_DEV_PORT_COMBO, &CPageDeviceSetting::OnSelchangePort)
ON_CBN_SELCHANGE(IDC_DEV_BAUD_COMBO, &CPageDeviceSetting::OnSelchangeBaud)
ON_BN_CLICKED(IDC_DEV_WRITE_NAME, &CPageDeviceSetting::OnWriteName)
ON_BN_CLICKED(IDC_DEV_AUTO_DETECT, &CPageDeviceSetting::OnAutoDetect)
ON_BN_CLICKED(IDC_DEV_CONNECT, &CPageDeviceSetting::OnConnect)
ON_BN_CLICKED(IDC_DEV_SELECT_FILE, &CPageDeviceSetting::OnSelectFile)
ON_BN_CLICKED(IDC_DEV_EXECUTE, &CPageDeviceSetting::OnExecute)
ON_BN_CLICKED(IDC_DEV_FORCE_UPDATE, &CPageDeviceSetting::OnForceUpdate)
ON_WM_CTLCOLOR()
ON_MESSAGE(WM_PAGE_COMMAND, &CPageDeviceSetting::OnPageCommand)
END_MESSAGE_MAP()

CPageDeviceSetting::CPageDeviceSetting(CWnd* pParent) : CDialog(IDD, pParent) {}

CPageDeviceSetting::~CPageDeviceSetting() {
  // The worker uses this page (and the download page) to its end.
  if (m_pUpdateThread) m_pUpdateThread->Wait(INFINITE);
  if (g_pDevicePage == this) g_pDevicePage = nullptr;
}

void CPageDeviceSetting::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_DEV_PORT_COMBO, m_comboPort);
  DDX_Control(pDX, IDC_DEV_BAUD_COMBO, m_comboBaud);
  DDX_Control(pDX, IDC_DEV_PROGRESS, m_progress);
  DDX_Control(pDX, IDC_DEV_PICTURE, m_picture);
  DDX_Control(pDX, IDC_DEV_USER_NAME, m_editUserName);
  DDX_Text(pDX, IDC_DEV_MEMORY_USAGE, m_strMemoryUsage);
  DDX_Text(pDX, IDC_DEV_USER_NAME, m_strUserName);
  DDV_MaxChars(pDX, m_strUserName, 16);
}

BOOL CPageDeviceSetting::OnInitDialog() {
  CDialog::OnInitDialog();
  m_pMainDlg = GetParent() ? GetParent()->GetParent() : nullptr;
  for (int id : std::initializer_list<int>{IDC_DEV_SELECT_FILE, IDC_DEV_EXECUTE, IDC_DEV_CONNECT,
                                           IDC_DEV_PORT_COMBO, IDC_DEV_FORCE_UPDATE})
    GetDlgItem(id)->EnableWindow(FALSE);
  InitPortCombos();
  LoadControlTexts();
  g_pDevicePage = this;
  m_bmpNotConnected.LoadBitmap(131);
  m_bmpConnected.LoadBitmap(130);
  g_utilityManager.m_nModelCode = 0;
  m_bConnectNext = TRUE;
  m_bForceUpdate = FALSE;
  return TRUE;
}

void CPageDeviceSetting::InitPortCombos() {
  for (int i = 0; i < kPortCount; ++i) m_comboPort.InsertString(i, "COM" + std::to_string(i + 1));
  for (int i = 0; i < static_cast<int>(std::size(kBaudRates)); ++i)
    m_comboBaud.InsertString(i, std::to_string(kBaudRates[i]));
  std::string portName;
  m_bPortDetected = DetectBridgePort(portName);
  if (m_bPortDetected) {
    ShowDetectedPort(portName);
  } else {
    m_comboPort.SetCurSel(0);
    m_strSelectedPort = "COM1";
  }
  m_comboBaud.SetCurSel(kDefaultBaudIndex);
  m_nComBaud = kBaudRates[kDefaultBaudIndex];
  StoreSelectedPort();
}

// Selects a detected port "COMn" in the combo (index n - 1).
void CPageDeviceSetting::ShowDetectedPort(const std::string& portName) {
  const std::size_t com = portName.find("COM");
  const int n = com == std::string::npos ? 0 : std::atoi(portName.c_str() + com + 3);
  m_nDetectedPortIndex = n - 1;
  m_strDetectedPort = portName;
  // A port beyond the combo's list stays selected by name only.
  m_comboPort.SetCurSel(n >= 1 && n <= kPortCount ? n - 1 : -1);
  m_strSelectedPort = m_strDetectedPort;
}

void CPageDeviceSetting::StoreSelectedPort() {
  g_utilityManager.SetPortSettings(m_strSelectedPort, m_nComBaud, 0);
}

void CPageDeviceSetting::LoadControlTexts() {
  static const struct {
    int control;
    UINT text;
  } captions[] = {
      {IDC_DEV_WARNING, IDS_FW_WARNING},
      {IDC_DEV_INFO_GROUP, IDS_DEV_STEP1},
      {IDC_DEV_AUTO_DETECT, IDS_DEV_AUTO_DETECT},
      {IDC_DEV_CONNECT, IDS_DEV_CONNECT},
      {IDC_DEV_PORT_LABEL, IDS_DEV_PORT_LABEL},
      {IDC_DEV_STATUS, IDS_DEV_CONNECT_STATUS},
      {IDC_DEV_TYPE_LABEL, IDS_DEV_TYPE},
      {IDC_DEV_HARDWARE_LABEL, IDS_DEV_HARDWARE},
      {IDC_DEV_FIRMWARE_LABEL, IDS_DEV_FIRMWARE},
      {IDC_DEV_FIRMWARE_GROUP, IDS_DEV_STEP2},
      {IDC_DEV_SELECT_FILE, IDS_FW_SELECT},
      {IDC_DEV_FILE_VERSION_LABEL, IDS_FW_FILE_VERSION},
      {IDC_DEV_FILE_MODEL_LABEL, IDS_FW_ADAPTED_DEVICE},
      {IDC_DEV_FORCE_UPDATE, IDS_DEV_FORCE_UPDATE},
      {IDC_DEV_COMPARE_RESULT, IDS_FW_COMPARE_RESULT},
      {IDC_DEV_UPDATE_GROUP, IDS_DEV_STEP3},
      {IDC_DEV_EXECUTE, IDS_FW_EXECUTE},
      {IDC_DEV_UPDATE_STATUS, IDS_FW_UPDATE_STATUS},
      {IDC_DEV_STATUS_LABEL, IDS_DEV_STATUS_LABEL},
      {IDC_DEV_MEMORY_LABEL, IDS_DEV_MEMORY},
      {IDC_DEV_USER_NAME_LABEL, IDS_DEV_USER_NAME},
      {IDC_DEV_WRITE_NAME, IDS_DEV_WRITE_NAME},
  };
  for (const auto& c : captions) SetDlgItemText(c.control, LoadString(c.text));
  for (int n = 0; n < 10; ++n)
    SetDlgItemText(IDC_DEV_FILE_HW1_LABEL + n, LoadString(IDS_FW_ADAPTED_HW1 + n));
}

LRESULT CPageDeviceSetting::OnPageCommand(WPARAM wParam, LPARAM) {
  switch (wParam) {
    case kPageCmdOk:
      OnOK();
      break;
    case kPageCmdCancel:
      OnCancel();
      break;
    case kPageCmdDefaults:
      RestoreDefaults();
      break;
    case kPageCmdApply:
    default:
      break;
  }
  return 0;
}

BOOL CPageDeviceSetting::RestoreDefaults() {
  if (m_bPortDetected == 1) {
    m_comboPort.SetCurSel(m_nDetectedPortIndex);
    m_strSelectedPort = m_strDetectedPort;
  } else {
    m_comboPort.SetCurSel(0);
    m_strSelectedPort = "COM1";
  }
  m_comboBaud.SetCurSel(kDefaultBaudIndex);
  m_nComBaud = kBaudRates[kDefaultBaudIndex];
  return TRUE;
}

void CPageDeviceSetting::ResetAfterTimeout() {
  ClosePortHandle();
  SetDlgItemText(IDC_DEV_STATUS, LoadString(IDS_DEV_TIMEOUT));
  m_hComPort = nullptr;
  ShowConnectionPicture(FALSE);
  g_utilityManager.m_nModelCode = 0;
  for (int id : std::initializer_list<int>{IDC_DEV_TYPE, IDC_DEV_FIRMWARE, IDC_DEV_MEMORY_USAGE})
    SetDlgItemText(id, "");
  g_utilityManager.m_bLinkLost = FALSE;
}

void CPageDeviceSetting::ArrangeIdentityFields() {
  const int model = g_utilityManager.m_nModelCode;
  if (model != 1 && model != 3) return;
  CWnd* group = GetDlgItem(IDC_DEV_FIRMWARE_GROUP);
  if (!group) return;
  RECT box;
  group->GetWindowRect(&box);
  ScreenToClient(&box);
  const int height = box.bottom - box.top;
  struct Pair {
    int label, edit;
  };
  const Pair pairs[] = {{IDC_DEV_TYPE_LABEL, IDC_DEV_TYPE},
                        {IDC_DEV_FIRMWARE_LABEL, IDC_DEV_FIRMWARE},
                        {IDC_DEV_MEMORY_LABEL, IDC_DEV_MEMORY_USAGE}};
  const int parts = model == 1 ? 3 : 4;
  const int shift = model == 1 ? 0 : 5;
  const int used = model == 1 ? 2 : 3;
  for (int i = 0; i < 3; ++i) {
    for (int id : std::initializer_list<int>{pairs[i].label, pairs[i].edit}) {
      CWnd* control = GetDlgItem(id);
      if (!control) continue;
      if (i >= used) {
        control->ShowWindow(SW_HIDE);
        continue;
      }
      if (i == 2) control->ShowWindow(SW_SHOW);
      RECT r;
      control->GetWindowRect(&r);
      ScreenToClient(&r);
      const int h = r.bottom - r.top;
      const int y = box.top + height * (i + 1) / parts - h / 2 + shift;
      control->SetWindowPos(nullptr, r.left, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
  }
}

void CPageDeviceSetting::OnSelchangePort() {
  const int i = m_comboPort.GetCurSel();
  m_strSelectedPort = (i >= 0 && i < kPortCount) ? "COM" + std::to_string(i + 1) : "";
  StoreSelectedPort();
}

void CPageDeviceSetting::OnSelchangeBaud() {
  const int i = m_comboBaud.GetCurSel();
  if (i >= 0 && i < static_cast<int>(std::size(kBaudRates))) m_nComBaud = kBaudRates[i];
}

void CPageDeviceSetting::OnAutoDetect() {
  std::string portName;
  m_bPortDetected = DetectBridgePort(portName);
  if (m_bPortDetected) {
    ShowDetectedPort(portName);
    SetDlgItemText(IDC_DEV_STATUS, LoadString(IDS_DEV_BRIDGE_FOUND));
  } else {
    m_comboPort.SetCurSel(0);
    m_strSelectedPort = "COM1";
    SetDlgItemText(IDC_DEV_STATUS, LoadString(IDS_DEV_NO_BRIDGE));
    GetDlgItem(IDC_DEV_PORT_COMBO)->EnableWindow(TRUE);
  }
  GetDlgItem(IDC_DEV_CONNECT)->EnableWindow(TRUE);
  GetDlgItem(IDC_DEV_AUTO_DETECT)->EnableWindow(FALSE);
  StoreSelectedPort();
}

void CPageDeviceSetting::OnConnect() {
  EnableMainButton(IDOK, FALSE);
  EnableMainButton(kMainAbout, FALSE);
  for (int id :
       std::initializer_list<int>{IDC_DEV_SELECT_FILE, IDC_DEV_CONNECT, IDC_DEV_PORT_COMBO})
    GetDlgItem(id)->EnableWindow(FALSE);
  if (m_bConnectNext) {
    // Without the reply buffer no command can run; identification then
    // fails every step and says so on the status line.
    if (CPageMTKTracklogSetting* commands = CommandPage()) {
      commands->FreeReplyBuffer();
      commands->AllocateReplyBuffer();
    }
    IdentifyDevice();
  }
  EnableMainButton(IDOK, TRUE);
  EnableMainButton(kMainAbout, TRUE);
}

void CPageDeviceSetting::OnWriteName() {
  const int mainButtons[] = {kMainDefaultAll, IDOK, IDCANCEL, kMainApplyAll};
  for (int id : mainButtons) EnableMainButton(id, FALSE);
  GetDlgItem(IDC_DEV_WRITE_NAME)->EnableWindow(FALSE);
  GetDlgItem(IDC_DEV_CONNECT)->EnableWindow(FALSE);

  std::string name;
  GetDlgItemText(IDC_DEV_USER_NAME, name);
  if (name.size() > 16) name.resize(16);
  bool ascii = true;
  for (char c : name) {
    const auto v = static_cast<signed char>(c);
    if (v < 32) ascii = false;  // control characters and bytes of 128 and more
  }
  const bool forbidden = name.find_first_of("* .\\:/\"?<>|") != std::string::npos;
  if (m_hComPort != nullptr) {
    if (!ascii) {
      ShowError(IDS_DEV_NAME_NOT_ASCII);
    } else if (forbidden) {
      ShowError(IDS_DEV_NAME_FORBIDDEN);
    } else if (CPageMTKTracklogSetting* commands = CommandPage()) {
      commands->SendMakerCommand(kMakerWriteName);
      Sleep(500);
    }
  }
  for (int id : mainButtons) EnableMainButton(id, TRUE);
  GetDlgItem(IDC_DEV_WRITE_NAME)->EnableWindow(TRUE);
  GetDlgItem(IDC_DEV_CONNECT)->EnableWindow(TRUE);
  g_utilityManager.m_strUserName = name;
}

void CPageDeviceSetting::OnForceUpdate() {
  m_bForceUpdate = TRUE;
  GetDlgItem(IDC_DEV_CONNECT)->EnableWindow(FALSE);
  GetDlgItem(IDC_DEV_SELECT_FILE)->EnableWindow(TRUE);
  GetDlgItem(IDC_DEV_EXECUTE)->EnableWindow(TRUE);
  g_utilityManager.m_nModelCode = 4;
  std::strcpy(m_szDeviceType, "Roamline38");
  std::strcpy(m_szFirmwareText, "V0.00");
  std::strcpy(m_szHardwareText, "V01");
  SetDlgItemText(IDC_DEV_WARNING, LoadString(IDS_DEV_FORCE_WARNING));
}

HBRUSH CPageDeviceSetting::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
  HBRUSH brush = CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
  if (nCtlColor == CTLCOLOR_STATIC && pWnd && pWnd->GetDlgCtrlID() == IDC_DEV_WARNING)
    pDC->SetTextColor(RGB(255, 0, 0));
  return brush;
}

void CPageDeviceSetting::ShowError(UINT stringId) {
  MessageBox(LoadString(stringId), LoadString(300), MB_ICONHAND);
}

void CPageDeviceSetting::ShowConnectionPicture(BOOL connected) {
  if (m_picture.GetSafeHwnd())
    m_picture.SetBitmap(connected ? static_cast<HBITMAP>(m_bmpConnected)
                                  : static_cast<HBITMAP>(m_bmpNotConnected));
}

// The track-log setting page: its controls, the shown and sent settings, and
// the handlers of the setting controls.
#include "logger/PageTrackLogSetting.h"

#include <cstdlib>

#include "app/VantoUtilityDlg.h"
#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "framework/Strings.h"

BEGIN_MESSAGE_MAP(CPageTrackLogSetting, CLoggerPage)
ON_BN_CLICKED(IDC_TLS_UPLOAD, &CPageTrackLogSetting::OnUpload)
ON_BN_CLICKED(IDC_TLS_ENABLE, &CPageTrackLogSetting::OnEnableRecording)
ON_BN_CLICKED(IDC_TLS_LOG_BY_OTHER, &CPageTrackLogSetting::OnLogBy)
ON_BN_CLICKED(IDC_TLS_BY_TIME, &CPageTrackLogSetting::OnLogBy)
ON_BN_CLICKED(IDC_TLS_BY_DISTANCE, &CPageTrackLogSetting::OnLogBy)
ON_BN_CLICKED(IDC_TLS_METER, &CPageTrackLogSetting::OnUnits)
ON_BN_CLICKED(IDC_TLS_FOOT, &CPageTrackLogSetting::OnUnits)
ON_BN_CLICKED(IDC_TLS_CLEAR, &CPageTrackLogSetting::OnClear)
ON_BN_CLICKED(IDC_TLS_ONCE, &CPageTrackLogSetting::OnFlashMode)
ON_BN_CLICKED(IDC_TLS_CYCLE, &CPageTrackLogSetting::OnFlashMode)
ON_BN_CLICKED(IDC_TLS_READ, &CPageTrackLogSetting::OnRead)
END_MESSAGE_MAP()

namespace {

// The controls that follow the recording switch.
constexpr int kRecordingControls[] = {
    IDC_TLS_BY_TIME, IDC_TLS_SECONDS, IDC_TLS_SECOND_LABEL, IDC_TLS_BY_DISTANCE, IDC_TLS_DISTANCE,
    IDC_TLS_METER,   IDC_TLS_FOOT,    IDC_TLS_UNIT,         IDC_TLS_CYCLE,       IDC_TLS_ONCE};
constexpr int kTimeControls[] = {IDC_TLS_SECONDS, IDC_TLS_SECOND_LABEL};
constexpr int kDistanceControls[] = {IDC_TLS_DISTANCE, IDC_TLS_METER, IDC_TLS_FOOT, IDC_TLS_UNIT};

constexpr struct {
  int control;
  UINT text;
} kCaptions[] = {
    {IDC_TLS_GROUP, IDS_TLS_GROUP},
    {IDC_TLS_ENABLE, IDS_TLS_ENABLE},
    {IDC_TLS_BY_TIME, IDS_TLS_BY_TIME},
    {IDC_TLS_BY_DISTANCE, IDS_TLS_BY_DISTANCE},
    {IDC_TLS_SECOND_LABEL, IDS_TLS_SECOND},
    {IDC_TLS_METER, IDS_TLS_METER},
    {IDC_TLS_FOOT, IDS_TLS_FOOT},
    {IDC_TLS_CYCLE, IDS_TLS_CYCLE},
    {IDC_TLS_ONCE, IDS_TLS_ONCE},
    {IDC_TLS_READ, IDS_TLS_READ},
    {IDC_TLS_SETTING_STATUS, IDS_TLS_READ_STATUS},
    {IDC_TLS_TRANSFER_GROUP, IDS_TLS_TRANSFER_GROUP},
    {IDC_TLS_UPLOAD, IDS_TLS_UPLOAD},
    {IDC_TLS_CLEAR_LABEL, IDS_TLS_CLEAR_LABEL},
    {IDC_TLS_CLEAR, IDS_TLS_CLEAR},
};

}  // namespace

CPageTrackLogSetting::CPageTrackLogSetting(CWnd* pParent)
    : CLoggerPage(IDD, pParent),
      m_transferClient(m_stTransferStatus, m_progress, m_stPercent, m_pMainDlg),
      m_transfer(m_transferClient) {
  m_transferClient.SetClearControls(&m_progressClear, &m_stClearPercent);
  m_transferClient.SetSender([this](int type, int a, int b) { return SendPmtkWake(type, a, b); });
}

CPageTrackLogSetting::~CPageTrackLogSetting() {
  // A job still running works on this page: let it end first.
  if (m_pWorker) m_pWorker->Wait();
}

CPageDeviceSetting* CPageTrackLogSetting::DevicePage() const {
  if (m_pDevicePage) return m_pDevicePage;
  if (auto* main = dynamic_cast<CVantoUtilityDlg*>(m_pMainDlg); main && main->m_pPageDevice)
    return main->m_pPageDevice;
  return g_pDevicePage;
}

int CPageTrackLogSetting::MetresToFeet(int metres) {
  const volatile double feet = metres * 3.28;
  if (feet >= 2147483647.0) return 2147483647;
  if (feet <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(feet);
}

int CPageTrackLogSetting::FeetToMetres(int feet) {
  const volatile double metres = feet * 0.3048780487804878;
  return static_cast<int>(metres);
}

int CPageTrackLogSetting::EditNumber(const std::string& text) {
  // A number beyond an int counts as no number.
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  return value > 2147483647LL || value < -2147483647LL ? 0 : static_cast<int>(value);
}

void CPageTrackLogSetting::DoDataExchange(CDataExchange* pDX) {
  CLoggerPage::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_TLS_SETTING_STATUS, m_stSettingStatus);
  DDX_Control(pDX, IDC_TLS_CYCLE, m_btnCycle);
  DDX_Control(pDX, IDC_TLS_ONCE, m_btnOnce);
  DDX_Control(pDX, IDC_TLS_TRANSFER_STATUS, m_stTransferStatus);
  DDX_Control(pDX, IDC_TLS_CLEAR, m_btnClear);
  DDX_Control(pDX, IDC_TLS_CLEAR_PERCENT, m_stClearPercent);
  DDX_Control(pDX, IDC_TLS_UNIT, m_stUnit);
  DDX_Control(pDX, IDC_TLS_BY_TIME, m_btnByTime);
  DDX_Control(pDX, IDC_TLS_BY_DISTANCE, m_btnByDistance);
  DDX_Control(pDX, IDC_TLS_METER, m_btnMeter);
  DDX_Control(pDX, IDC_TLS_FOOT, m_btnFoot);
  DDX_Control(pDX, IDC_TLS_UPLOAD_PERCENT, m_stPercent);
  DDX_Control(pDX, IDC_TLS_UPLOAD_PROGRESS, m_progress);
  DDX_Control(pDX, IDC_TLS_CLEAR_PROGRESS, m_progressClear);
  DDX_Control(pDX, IDC_TLS_DISTANCE, m_edDistance);
  DDX_Control(pDX, IDC_TLS_SECONDS, m_edSeconds);
  DDX_Control(pDX, IDC_TLS_ENABLE, m_btnEnable);
  DDX_Text(pDX, IDC_TLS_DISTANCE, m_strDistance);
  DDX_Text(pDX, IDC_TLS_SECONDS, m_strSeconds);
}

BOOL CPageTrackLogSetting::OnInitDialog() {
  CLoggerPage::OnInitDialog();
  CWnd* parent = GetParent();
  m_pMainDlg = parent ? parent->GetParent() : nullptr;
  for (const auto& caption : kCaptions) SetDlgItemTextRes(caption.control, caption.text);
  LoadDeviceValues(kFromDefaults);
  m_nEnable = m_nEnableSent = m_deviceValues.enable;
  m_nLogByKind = m_nLogByKindSent = m_deviceValues.logByKind;
  m_nSeconds = m_nSecondsSent = m_deviceValues.seconds;
  for (int item = 0; item <= 2; ++item) UpdateControl(item, 0);
  m_nMetres = m_nMetresSent = 100;
  m_nFeet = m_nFeetSent = 328;
  UpdateControl(3, 0);
  m_nFlashMode = m_nFlashModeSent = 1;
  UpdateControl(4, 0);
  UpdateControl(5, 0);
  UpdateControl(6, 0);
  m_bmpPage[0].LoadBitmap(137);
  m_bmpPage[1].LoadBitmap(139);
  m_bmpPage[2].LoadBitmap(138);
  m_nOutputFormat = 0;
  return TRUE;
}

void CPageTrackLogSetting::LoadDeviceValues(int source) {
  if (source == kFromSettingsBlock) {
    const BlockSettingsBlock& block = m_transfer.m_settingsBlock;
    m_deviceValues = {block.enable, block.logBy, static_cast<int>(block.seconds),
                      static_cast<int>(block.metres), block.flashMode};
  } else if (source == kFromMembers) {
    m_deviceValues = {m_nEnable, m_nLogByKind, m_nSeconds, m_nMetres, m_nFlashMode};
  } else if (source == kFromDefaults) {
    m_deviceValues = DeviceLogSettings{};
  }
}

void CPageTrackLogSetting::SetSettingStatus(UINT id) {
  m_stSettingStatus.SetWindowText(LoadResString(id));
}

// Check box and enabled state of the setting controls: everything follows
// the recording switch, and the log-by choice picks its own edit.
void CPageTrackLogSetting::ShowRecordingControls() {
  const BOOL on = m_nEnable == 1;
  m_btnEnable.SetCheck(on ? BST_CHECKED : BST_UNCHECKED);
  // Also run by a transfer's worker as it ends, when the window may be going.
  auto enable = [this](int id, BOOL state) {
    if (CWnd* control = GetDlgItem(id)) control->EnableWindow(state);
  };
  for (int id : kRecordingControls) enable(id, on);
  if (!on) return;
  const BOOL byTime = m_nLogByKind != 3;
  for (int id : kTimeControls) enable(id, byTime);
  for (int id : kDistanceControls) enable(id, !byTime);
}

void CPageTrackLogSetting::UpdateControl(int item, int mode) {
  switch (item) {
    case 0:
      ReportSwitchReply(SendEnableCommand(m_nEnable == 1));
      ShowRecordingControls();
      break;
    case 1:
      m_btnByTime.SetCheck(m_nLogByKind == 2 ? BST_CHECKED : BST_UNCHECKED);
      m_btnByDistance.SetCheck(m_nLogByKind == 3 ? BST_CHECKED : BST_UNCHECKED);
      ShowRecordingControls();
      break;
    case 2:
      m_strSeconds = std::to_string(m_nSeconds);
      m_edSeconds.SetWindowText(m_strSeconds);
      break;
    case 3:
      // The edit now shows metres, so the unit switch starts from metres.
      m_btnFoot.SetCheck(BST_UNCHECKED);
      m_btnMeter.SetCheck(BST_CHECKED);
      m_stUnit.SetWindowText(LoadResString(IDS_TLS_METER));
      m_bFeet = 0;
      m_strDistance = std::to_string(m_nMetres);
      m_edDistance.SetWindowText(m_strDistance);
      break;
    case 4:
      m_btnCycle.SetCheck(m_nFlashMode == 1 ? BST_CHECKED : BST_UNCHECKED);
      m_btnOnce.SetCheck(m_nFlashMode == 2 ? BST_CHECKED : BST_UNCHECKED);
      break;
    case 5:
    case 6:
      if (mode == 0) {
        CProgressCtrl& bar = item == 5 ? m_progress : m_progressClear;
        bar.SetRange(0, 100);
        bar.SetPos(0);
        (item == 5 ? m_stPercent : m_stClearPercent).SetWindowText("0%");
      }
      break;
    default:
      break;
  }
}

void CPageTrackLogSetting::OnEnableRecording() {
  if (TransferRunning()) return;
  m_nEnable = m_btnEnable.GetCheck() == BST_CHECKED ? 1 : 2;
  UpdateControl(0, 1);
}

void CPageTrackLogSetting::OnLogBy() {
  if (TransferRunning()) return;
  if (m_btnByTime.GetCheck() == BST_CHECKED)
    m_nLogByKind = 2;
  else if (m_btnByDistance.GetCheck() == BST_CHECKED)
    m_nLogByKind = 3;
  UpdateControl(1, 1);
}

void CPageTrackLogSetting::OnFlashMode() {
  if (TransferRunning()) return;
  if (m_btnCycle.GetCheck() == BST_CHECKED)
    m_nFlashMode = 1;
  else if (m_btnOnce.GetCheck() == BST_CHECKED)
    m_nFlashMode = 2;
}

void CPageTrackLogSetting::OnUnits() {
  if (TransferRunning()) return;
  if (m_btnMeter.GetCheck() == BST_CHECKED) {
    if (m_bFeet == 1) {
      m_strDistance = m_edDistance.GetWindowTextString();
      m_nFeet = EditNumber(m_strDistance);
      m_nMetres = FeetToMetres(m_nFeet);
      m_bFeet = 0;
      m_stUnit.SetWindowText(LoadResString(IDS_TLS_METER));
    }
    m_strDistance = std::to_string(m_nMetres);
  } else if (m_btnFoot.GetCheck() == BST_CHECKED) {
    if (m_bFeet == 0) {
      m_strDistance = m_edDistance.GetWindowTextString();
      m_nMetres = EditNumber(m_strDistance);
      m_nFeet = MetresToFeet(m_nMetres);
      m_bFeet = 1;
      m_stUnit.SetWindowText(LoadResString(IDS_TLS_FOOT));
    }
    m_strDistance = std::to_string(m_nFeet);
  }
  // Only the distance edit changes; the seconds edit keeps what was typed.
  m_edDistance.SetWindowText(m_strDistance);
}

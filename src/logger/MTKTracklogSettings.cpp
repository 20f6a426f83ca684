// The chipset track-log page's exchanges with the logger: reading and
// writing the recording settings, clearing the log, the last sector's test
// and the reconnect.
#include <cstdio>
#include <cstring>
#include <string>

#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "framework/WinDefs.h"
#include "logger/PageMTKTracklogSetting.h"
#include "platform/Sleep.h"
#include "res/app_ids.h"
#include "res/firmware_ids.h"

namespace {

constexpr const char* kConnectionFailed = "Connection to Device Failed";
// Bounds of the repetitions that wait for a logger: each erase attempt
// already waits up to 38 s for the acknowledgement.
constexpr int kEraseAttempts = 3;
constexpr int kFreeSpaceAttempts = 20;
constexpr int kMakerCommandAttempts = 3;
constexpr int kLastSectorAttempts = 20;
constexpr unsigned kLogMemoryBytes = 0x200000;

}  // namespace

BOOL CPageMTKTracklogSetting::DevicePortOpen() const {
  const CPageDeviceSetting* device = GetDevicePage();
  return device && device->m_hComPort != nullptr && device->m_hComPort != INVALID_HANDLE_VALUE;
}

void CPageMTKTracklogSetting::EnableMainButtons(BOOL enable) {
  if (!m_pMainDlg) return;
  for (int id : {IDC_BUTTON_DEFAULT_ALL, int{IDOK}, int{IDCANCEL}, IDC_BUTTON_APPLY_ALL})
    if (CWnd* button = m_pMainDlg->GetDlgItem(id)) button->EnableWindow(enable);
}

BOOL CPageMTKTracklogSetting::DownloadRunning() const {
  return m_pDownloadThread && m_pDownloadThread->IsRunning();
}

void CPageMTKTracklogSetting::OnRead() {
  // The download owns the port until it ends.
  if (DownloadRunning()) return;
  if (!DevicePortOpen()) {
    m_stSettingStatus.SetWindowText(kConnectionFailed);
    return;
  }
  m_stSettingStatus.SetWindowText("Reading Record Mode Settings....");
  char* reply = SendLogCommandRetry(2, 6, 0);
  if (!reply || IsNotConnected(reply)) {
    m_stSettingStatus.SetWindowText(kConnectionFailed);
    return;
  }
  m_stSettingStatus.SetWindowText("Updating Record Mode Settings....");
  const char* field = GetLogReplyField(reply, 13, 1);
  m_nRecordMode = field ? std::atoi(field) : 0;
  if (m_nRecordMode == LOG_FULL_AND_STOP) {
    m_nFullAndStop = 1;
    m_nOverwrite = 0;
    m_btnFullStop.SetCheck(BST_CHECKED);
    m_btnOverwrite.SetCheck(BST_UNCHECKED);
    g_utilityManager.m_nLogRecordMode = LOG_FULL_AND_STOP;
  } else {
    m_nFullAndStop = 0;
    m_nOverwrite = 1;
    m_btnOverwrite.SetCheck(BST_CHECKED);
    m_btnFullStop.SetCheck(BST_UNCHECKED);
    // Any other mode shows as Overwrite and is held as Overwrite, so Apply
    // never sends a mode the logger does not know.
    m_nRecordMode = LOG_OVERWRITE;
    g_utilityManager.m_nLogRecordMode = LOG_OVERWRITE;
  }
  // A logger that stops answering leaves the failure on the status line.
  if (!ReadLogParameter(2, 3) || !ReadLogParameter(2, 4)) return;
  m_stSettingStatus.SetWindowText("Update Setting Successfully.");
  UpdateData(TRUE);
}

BOOL CPageMTKTracklogSetting::ReadLogParameter(int queryType, int parameterId) {
  char* reply = SendLogCommandRetry(queryType, parameterId, 0);
  if (!reply || IsNotConnected(reply)) {
    m_stSettingStatus.SetWindowText(kConnectionFailed);
    return FALSE;
  }
  SetDlgItemTextRes(IDC_MTK_SETTING_STATUS,
                    parameterId == 3 ? IDS_MTK_UPDATING_SECOND : IDS_MTK_UPDATING_DISTANCE);
  int v = 0;
  if (!GetLogReplyDecimal(reply, &v)) {
    SetDlgItemTextRes(IDC_MTK_SETTING_STATUS, IDS_MTK_BAD_REPLY);
    return FALSE;
  }
  if (v == 0) return TRUE;
  if (parameterId == 3) {
    if (v < 5) {
      m_cbInterval.SetCurSel(0);
    } else {
      g_utilityManager.m_nLogInterval = v;
      m_nIntervalSec = v / 10;
      m_cbInterval.SetCurSel(ValueToListIndex(0, v / 10));
    }
  } else if (parameterId == 4) {
    if (v < 50) {
      m_cbDistance.SetCurSel(0);
    } else {
      g_utilityManager.m_nLogDistance = v;
      m_nDistance = v;
      m_cbDistance.SetCurSel(ValueToListIndex(1, v / 10));
    }
  }
  return TRUE;
}

BOOL CPageMTKTracklogSetting::ApplySettings() {
  if (DownloadRunning() || !DevicePortOpen()) return FALSE;
  // A set counts as sent only when the logger took it (its acknowledgement
  // says done); otherwise the cache keeps the old value so the next Apply
  // sends it again.
  auto sent = [this](const char* reply) { return reply && !IsNotConnected(reply); };
  auto fail = [this] {
    m_stSettingStatus.SetWindowText(kConnectionFailed);
    return FALSE;
  };
  // Sends one set; TRUE when the logger took it, else the status says why.
  auto set = [this, &sent, &fail](int id, int value) {
    const char* reply = SendLogCommandRetry(1, id, value);
    if (!sent(reply)) return fail();
    const int flag = GetAckFlag(reply);
    if (flag == kAckDone) return TRUE;
    if (flag < 0) return fail();
    SetDlgItemTextRes(IDC_MTK_SETTING_STATUS, IDS_MTK_SETTING_REFUSED);
    return FALSE;
  };

  SetDlgItemTextRes(IDC_MTK_SETTING_STATUS, IDS_MTK_UPDATING_SECOND);
  const int interval = m_nIntervalSec * 10;
  if (interval != g_utilityManager.m_nLogInterval && interval != 0) {
    if (!set(3, interval)) return FALSE;
    g_utilityManager.m_nLogInterval = interval;
  }
  SetDlgItemTextRes(IDC_MTK_SETTING_STATUS, IDS_MTK_UPDATING_DISTANCE);
  const int distance = m_nDistance;
  if (distance != g_utilityManager.m_nLogDistance && distance != 0) {
    if (!set(4, distance)) return FALSE;
    g_utilityManager.m_nLogDistance = distance;
  }
  SetDlgItemTextRes(IDC_MTK_SETTING_STATUS, IDS_MTK_UPDATING_STYLE);
  if (m_nRecordMode != g_utilityManager.m_nLogRecordMode) {
    if (!set(6, m_nRecordMode)) return FALSE;
    g_utilityManager.m_nLogRecordMode = m_nRecordMode;
  }
  if (g_utilityManager.m_bLogBySupported && m_nLogBy != g_utilityManager.m_nLogByChoice) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", m_nLogBy);
    bool done = false;
    for (int attempt = 0; attempt < kMakerCommandAttempts && !done; ++attempt)
      done = sent(SendMakerCommand(9, text));
    if (!done) return fail();
    g_utilityManager.m_nLogByChoice = m_nLogBy;
  }
  SetDlgItemTextRes(IDC_MTK_SETTING_STATUS, IDS_MTK_UPDATED);
  UpdateData(TRUE);
  return TRUE;
}

void CPageMTKTracklogSetting::OnClear() {
  if (DownloadRunning()) return;
  if (!DevicePortOpen()) {
    m_stTransferStatus.SetWindowText("Clear Failed! No Device Connected! ");
    return;
  }
  EnableMainButtons(FALSE);
  m_btnClear.EnableWindow(FALSE);
  SetDlgItemTextRes(IDC_MTK_TRANSFER_STATUS, IDS_MTK_START_CLEARING);
  m_nLastCommandType = 6;
  m_nLastCommandArg = 1;
  // The logger acknowledges the erase when it has finished; its flag says
  // whether it did.
  int flag = -1;
  for (int attempt = 0; attempt < kEraseAttempts && flag < 0; ++attempt) {
    const char* reply = SendLogCommand(6, 1, 0);
    if (reply && !IsNotConnected(reply)) flag = GetAckFlag(reply);
  }
  EnableMainButtons(TRUE);
  m_btnClear.EnableWindow(TRUE);
  if (flag != kAckDone) {
    SetDlgItemTextRes(IDC_MTK_TRANSFER_STATUS,
                      flag < 0 ? IDS_MTK_CLEAR_NO_ANSWER : IDS_MTK_CLEAR_REFUSED);
    return;
  }
  SetDlgItemTextRes(IDC_MTK_TRANSFER_STATUS, IDS_MTK_CLEAR_SUCCEED);

  m_nLastCommandType = 2;
  m_nLastCommandArg = 8;
  char* reply = nullptr;
  for (int attempt = 0; attempt < kFreeSpaceAttempts; ++attempt) {
    reply = SendLogCommand(2, 8, 0);
    Sleep(100);
    if (IsNotConnected(reply)) reply = nullptr;
    // Only the used-bytes answer, not a late answer to another query.
    char* sentence = reply ? FindLogReply(reply, 80) : nullptr;
    if (sentence && std::strncmp(sentence, "$PMTK182,3,8,", 13) == 0) break;
    reply = nullptr;
  }
  if (!reply) {
    SetDlgItemTextRes(IDC_MTK_TRANSFER_STATUS, IDS_MTK_NO_FREE_SPACE);
    return;
  }
  const char* field = GetLogReplyField(reply, 14, 8);
  const unsigned used = static_cast<unsigned>(ParseHex(field));
  // A figure beyond the memory leaves nothing free (not a wrapped count).
  const unsigned free = used >= kLogMemoryBytes ? 0 : (kLogMemoryBytes - used) >> 4;
  g_utilityManager.m_nFreeRecords = static_cast<int>(free);
  const std::string shown = free <= 1 ? std::string("0") : std::to_string(free);
  if (CPageDeviceSetting* device = GetDevicePage()) {
    device->m_strMemoryUsage = shown;
    if (device->GetSafeHwnd()) device->SetDlgItemText(IDC_DEV_MEMORY_USAGE, shown);
  }
}

void CPageMTKTracklogSetting::Reconnect() {
  CPageDeviceSetting* device = GetDevicePage();
  if (!device) return;
  if (DevicePortOpen()) {
    device->PurgePort();
    device->ClosePort();
  }
  device->m_bConnectNext = TRUE;
  device->ToggleConnection();
  Sleep(1500);
}

int CPageMTKTracklogSetting::IsLastSectorWritten() {
  constexpr int kPrefix = 20;  // "$PMTK182,8,001F0000,"
  for (int attempt = 0; attempt < kLastSectorAttempts; ++attempt) {
    // Answers to earlier requests still on the line are not this answer.
    if (DevicePortOpen()) GetDevicePage()->PurgePort();
    char* reply = SendLogCommandRetry(7, 0x1F0000, 16);
    if (!reply || IsNotConnected(reply)) continue;
    char* sentence = FindLogReply(reply, 80);
    if (!sentence || std::strncmp(sentence, "$PMTK182,8,", 11) != 0 ||
        !IsSentenceComplete(sentence, 96))
      continue;
    const char* digits = sentence + kPrefix;
    if (std::strlen(digits) < 32) continue;
    BYTE bytes[16];
    HexToBytes(digits, bytes, 16);
    for (BYTE b : bytes)
      if (b != 0xFF) return 1;
    return 0;
  }
  return 0;
}

// The track-log setting page's sentence sender and the settings it reads,
// applies and restores with it.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "framework/Strings.h"
#include "logger/PageMTKTracklogSetting.h"
#include "logger/PageTrackLogSetting.h"
#include "platform/Sleep.h"

namespace {

constexpr char kNotConnected[] = "Not Connected";
constexpr DWORD kReplyPauseMs = 100;
constexpr std::size_t kReplyReadBytes = 80;

std::string BuildSentence(int type, int a, int b) {
  const int radix = CPageMTKTracklogSetting::GetLogArgRadix(type, a);
  char arg[16];
  std::string body = "$PMTK182," + std::to_string(type);
  if (a != 0) {
    std::snprintf(arg, sizeof arg, (radix & 1) ? ",%X" : ",%d", a);
    body += arg;
  }
  if (b != 0) {
    std::snprintf(arg, sizeof arg, (radix & 2) ? ",%X" : ",%d", b);
    body += arg;
  }
  BYTE sum = 0;
  for (std::size_t i = 1; i < body.size(); ++i) sum ^= static_cast<BYTE>(body[i]);
  std::snprintf(arg, sizeof arg, "*%02X\r\n", sum);
  return body + arg;
}

constexpr long long kBeyondInt = 0x80000000LL;

// The whole decimal field after "$PMTK182,3,<id>," of a query reply; -1 when
// the reply is not the answer for that parameter, kBeyondInt for a value
// beyond an int.
long long QueriedValue(const char* reply, int id) {
  if (reply == nullptr) return -1;
  const char* sentence = nullptr;
  for (int i = 0; i < 20 && reply[i] != '\0'; ++i)
    if (std::strncmp(reply + i, "$PMTK182", 8) == 0) {
      sentence = reply + i;
      break;
    }
  if (sentence == nullptr) return -1;
  const std::string head = "$PMTK182,3," + std::to_string(id) + ",";
  if (std::strncmp(sentence, head.c_str(), head.size()) != 0) return -1;
  const char* p = sentence + head.size();
  if (*p < '0' || *p > '9') return -1;
  long long value = 0;
  for (; *p >= '0' && *p <= '9'; ++p)
    if (value < kBeyondInt) value = std::min(value * 10 + (*p - '0'), kBeyondInt);
  return (*p == '*' || *p == ',' || *p == '\r') ? value : -1;
}

// Whether the page can show a value read for parameter id: a flash mode of
// its two buttons, a distance also in feet, an interval of an int.
bool Showable(int id, long long value) {
  if (id == 6) return value == 1 || value == 2;
  if (id == 4) return value <= CPageTrackLogSetting::kMaxMetres;
  return value < kBeyondInt;
}

}  // namespace

BOOL CPageTrackLogSetting::IsNotConnected(const char* reply) const {
  return reply != nullptr && std::strcmp(reply, kNotConnected) == 0;
}

BOOL CPageTrackLogSetting::WritePmtkSentence(int type, int a, int b) {
  std::atomic_ref<BOOL>(g_utilityManager.m_bSendPmtkFirst).store(TRUE);
  std::memset(m_szReply, 0, sizeof m_szReply);
  CPageDeviceSetting* device = DevicePage();
  if (!g_bPortOpen || device == nullptr) {
    if (device && device->m_hComPort != nullptr) {
      device->PurgePort();
      device->ClosePort();
    }
    std::strcpy(m_szReply, kNotConnected);
    return FALSE;
  }
  const std::string sentence = BuildSentence(type, a, b);
  DWORD written = 0;
  device->WritePort(sentence.data(), static_cast<DWORD>(sentence.size()), &written);
  return TRUE;
}

char* CPageTrackLogSetting::SendPmtkWake(int type, int a, int b) {
  WritePmtkSentence(type, a, b);
  return m_szReply;
}

char* CPageTrackLogSetting::SendPmtkCommand(int type, int a, int b) {
  if (!WritePmtkSentence(type, a, b)) return m_szReply;
  CPageDeviceSetting* device = DevicePage();

  // A reply may come in pieces and after other sentences: the area collects
  // what arrives a byte at a time, drops complete lines that are not the
  // reply and returns at the end of the reply line; bytes behind it stay in
  // the port for whoever reads next.
  const char* expected = (type == 2 || type == 7) ? "$PMTK182" : "$PMTK001";
  std::size_t length = 0;
  for (int poll = 0; poll < kReplyPolls; ++poll) {
    Sleep(kReplyPauseMs);
    for (DWORD read = 1; read == 1;) {
      if (length >= kReplyReadBytes) length = 0;  // a line too long to be the reply
      if (!device->ReadPort(m_szReply + length, 1, &read) || read != 1) break;
      m_szReply[++length] = '\0';
      if (m_szReply[length - 1] != '\n') continue;
      if (std::strncmp(m_szReply, expected, 8) == 0) return m_szReply;
      length = 0;
      m_szReply[0] = '\0';
    }
  }
  return nullptr;
}

char* CPageTrackLogSetting::SendPmtkRetry(int type, int a, int b) {
  char* reply = nullptr;
  for (int attempt = 0; attempt < kRetryAttempts && reply == nullptr; ++attempt)
    reply = SendPmtkCommand(type, a, b);
  return reply;
}

char* CPageTrackLogSetting::SendEnableCommand(BOOL on) { return SendPmtkRetry(on ? 10 : 11, 0, 0); }

void CPageTrackLogSetting::ReportSwitchReply(const char* reply) {
  // Without a port the switch waits for Apply; that says so.
  if (IsNotConnected(reply)) return;
  SetTaken(reply);
}

BOOL CPageTrackLogSetting::SetTaken(const char* reply) {
  if (IsNotConnected(reply)) {
    SetSettingStatus(IDS_TLS_NOT_CONNECTED);
    return FALSE;
  }
  const int flag = CPageMTKTracklogSetting::GetAckFlag(reply);
  if (flag == CPageMTKTracklogSetting::kAckDone) return TRUE;
  // 0 invalid, 1 unsupported, 2 failed: the logger keeps what it had.
  SetSettingStatus(flag < 0 ? IDS_TLS_NO_RESPONSE : IDS_TLS_SETTING_REFUSED);
  return FALSE;
}

CPageTrackLogSetting::LinkResult CPageTrackLogSetting::QueryDeviceSettings() {
  char* reply = SendPmtkRetry(2, 0, 0);
  if (IsNotConnected(reply)) return LinkResult::NotConnected;
  if (reply == nullptr) return LinkResult::Silent;
  // Each value is taken only when all three came; a missing one changes nothing.
  long long values[3];
  const int ids[3] = {6, 3, 4};
  for (int i = 0; i < 3; ++i) {
    reply = SendPmtkRetry(2, ids[i], 0);
    if (IsNotConnected(reply)) return LinkResult::NotConnected;
    values[i] = QueriedValue(reply, ids[i]);
    if (values[i] < 0) return LinkResult::Silent;
    if (!Showable(ids[i], values[i])) return LinkResult::BadReply;
  }
  m_deviceValues.flashMode = static_cast<int>(values[0]);
  m_deviceValues.seconds = static_cast<int>(values[1]);
  m_deviceValues.metres = static_cast<int>(values[2]);
  m_deviceValues.logByKind = values[1] != 0 ? 2 : 3;
  return LinkResult::Answered;
}

void CPageTrackLogSetting::OnRead() {
  if (TransferRunning()) return;
  m_transfer.m_nRequestKind = 2;
  std::atomic_ref<BOOL>(g_utilityManager.m_bSendPmtkFirst).store(TRUE);
  ReadSettings();
}

void CPageTrackLogSetting::ReadSettings() {
  if (TransferRunning()) return;
  m_transfer.ClearKindFlags();
  m_transfer.m_bTrackLog = 1;
  SetSettingStatus(IDS_TLS_WAITING_START);
  switch (QueryDeviceSettings()) {
    case LinkResult::NotConnected:
      SetSettingStatus(IDS_TLS_NOT_CONNECTED);
      return;
    case LinkResult::Silent:
      SetSettingStatus(IDS_TLS_NO_RESPONSE);
      return;
    case LinkResult::BadReply:
      SetSettingStatus(IDS_TLS_BAD_REPLY);
      return;
    case LinkResult::Answered:
      break;
  }
  SetSettingStatus(IDS_TLS_UPDATE_SETTING);
  m_nLogByKind = m_nLogByKindSent = m_deviceValues.logByKind;
  UpdateControl(1, 1);
  m_nSeconds = m_nSecondsSent = m_deviceValues.seconds;
  UpdateControl(2, 1);
  m_nMetres = m_nMetresSent = m_deviceValues.metres;
  m_nFeet = m_nFeetSent = MetresToFeet(m_nMetres);
  UpdateControl(3, 1);
  m_nFlashMode = m_nFlashModeSent = m_deviceValues.flashMode;
  UpdateControl(4, 1);
  // Reading changes nothing on the logger: the recording switch keeps what it
  // showed, and no recording command goes out.
  SetSettingStatus(IDS_TLS_UPDATE_DONE);
}

void CPageTrackLogSetting::ApplySettings() {
  if (TransferRunning()) return;
  LoadDeviceValues(kFromMembers);
  m_strSeconds = m_edSeconds.GetWindowTextString();
  m_strDistance = m_edDistance.GetWindowTextString();
  // Sends one changed setting. It counts as sent only when the logger says
  // done; otherwise the old sent value stays (so the next Apply tries
  // again), the status says why and the rest waits.
  auto send = [this](int& sent, int current, int type, int a, int b) {
    if (current == sent) return true;
    char* reply = SendPmtkRetry(type, a, b);
    if (reply == nullptr) {
      SetSettingStatus(IDS_TLS_NO_RESPONSE);
      return false;
    }
    if (!SetTaken(reply)) return false;
    sent = current;
    return true;
  };
  // An empty or zero interval or distance is not a setting: it is neither
  // sent nor counted as sent, and the status says so unless the logger
  // holds 0 itself (an interval of 0 is how it logs by distance).
  UINT missing = 0;
  if (!send(m_nEnableSent, m_nEnable, m_nEnable == 1 ? 10 : 11, 0, 0)) return;
  if (!send(m_nLogByKindSent, m_nLogByKind, 1, 1, m_nLogByKind)) return;
  m_nSeconds = EditNumber(m_strSeconds);
  if (m_nSeconds <= 0) {
    if (m_nSeconds != m_nSecondsSent) missing = IDS_TLS_NO_INTERVAL;
  } else if (!send(m_nSecondsSent, m_nSeconds, 1, 3, m_nSeconds))
    return;
  const bool metres = m_btnMeter.GetCheck() == BST_CHECKED;
  if (metres || m_btnFoot.GetCheck() == BST_CHECKED) {
    int& shown = metres ? m_nMetres : m_nFeet;
    int& sent = metres ? m_nMetresSent : m_nFeetSent;
    shown = EditNumber(m_strDistance);
    if (shown <= 0) {
      if (missing == 0 && shown != sent) missing = IDS_TLS_NO_DISTANCE;
    } else if (shown != sent) {
      if (!send(sent, shown, 1, metres ? 4 : 5, shown)) return;
      if (metres)
        m_nFeet = m_nFeetSent = MetresToFeet(m_nMetres);
      else
        m_nMetres = m_nMetresSent = FeetToMetres(m_nFeet);
    }
  }
  if (!send(m_nFlashModeSent, m_nFlashMode, 1, 6, m_nFlashMode)) return;
  if (missing != 0) SetSettingStatus(missing);
}

void CPageTrackLogSetting::RestoreDefaults() {
  if (TransferRunning()) return;
  LoadDeviceValues(kFromDefaults);
  m_nEnable = 1;
  UpdateControl(0, 2);
  m_nLogByKind = 2;
  UpdateControl(1, 2);
  m_nSeconds = 10;
  UpdateControl(2, 2);
  m_nMetres = 100;
  m_nFeet = m_nFeetSent = 328;
  UpdateControl(3, 2);
  m_nFlashMode = 1;
  UpdateControl(4, 2);
}

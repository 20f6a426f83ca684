// Identification of the logger (model, firmware and hardware version) and
// the connection that the log download opens and closes.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "firmware/PageDownloadFW.h"
#include "framework/MessageBox.h"
#include "logger/PageMTKTracklogSetting.h"
#include "platform/Sleep.h"

namespace {

constexpr int kQueryModel = 810;
constexpr int kQueryFirmware = 861;
constexpr int kQueryHardware = 865;
constexpr int kMakerIdentify = 1;
constexpr int kMakerLeave = 2;
constexpr int kMakerFirmware = 3;
constexpr int kMakerHardware = 7;

const char* DeviceTypeText(int model) {
  switch (model) {
    case 1:
      return "TX-350";
    case 2:
      return "TX-360";
    case 3:
      return "R-710";
    case 4:
      return "Roamline38";
    case 5:
    case 6:
      return "R-3300D";
    default:
      return "Not available";
  }
}

bool Answered(const char* reply) {
  return reply && CPageMTKTracklogSetting::IsSentenceComplete(reply, 256);
}

// The version field of a reply: three characters after the reply's head.
std::string VersionField(char* reply, int model) {
  const char* field = model == 3 ? CPageMTKTracklogSetting::GetMakerReplyField(reply, 12, 3)
                                 : CPageMTKTracklogSetting::GetDeviceReplyField(reply, 9, 3);
  return field ? std::string(field, strnlen(field, 3)) : std::string();
}

}  // namespace

void CPageDeviceSetting::IdentifyDevice() {
  CPageMTKTracklogSetting* commands = CommandPage();
  auto query = [&](int id) { return commands ? commands->SendDeviceQuery(id) : nullptr; };
  auto maker = [&](int n) { return commands ? commands->SendMakerCommand(n) : nullptr; };

  m_bCommandDone = FALSE;
  SetDlgItemText(IDC_DEV_STATUS, LoadString(IDS_DEV_CONNECTING));
  ApplyPortSelection();
  // Why the port did not open (no such device, permission, busy): told to
  // the user beside the timeout, which alone would point at the logger.
  const std::string portError = g_bPortOpen ? std::string() : GetPortErrorText();

  int& model = g_utilityManager.m_nModelCode;
  bool modelDone = false;
  for (int attempt = 0; attempt < 3 && !modelDone; ++attempt) {
    char* reply = query(kQueryModel);
    if (!Answered(reply)) continue;
    static const struct {
      const char* head;
      int model;
    } kModels[] = {{"$PVNT852,TX380", 4},
                   {"$PVNT852,R3300D", 6},
                   {"$PVNT852,R3500", 5},
                   {"$PVNT852,TX370", 3}};
    for (const auto& m : kModels)
      if (std::strncmp(reply, m.head, std::strlen(m.head)) == 0) {
        model = m.model;
        break;
      }
    modelDone = true;
  }
  for (int attempt = 0; attempt < 3 && !modelDone; ++attempt)
    if (Answered(maker(kMakerIdentify))) {
      model = 3;
      modelDone = true;
    }

  std::snprintf(m_szDeviceType, sizeof m_szDeviceType, "%s", DeviceTypeText(model));
  SetDlgItemText(IDC_DEV_TYPE, m_szDeviceType);

  const bool known = model >= 3 && model <= 6;
  bool firmwareDone = false;
  for (int attempt = 0; known && attempt < 5 && !firmwareDone; ++attempt) {
    char* reply = model == 3 ? maker(kMakerFirmware) : query(kQueryFirmware);
    if (!Answered(reply)) continue;
    const std::string field = VersionField(reply, model);
    std::snprintf(m_szFirmwareText, sizeof m_szFirmwareText, "%s", field.c_str());
    char shown[32];
    std::snprintf(shown, sizeof shown, "V%1.2f", std::atoi(field.c_str()) / 100.0);
    SetDlgItemText(IDC_DEV_FIRMWARE, shown);
    firmwareDone = true;
  }
  bool hardwareDone = false;
  for (int attempt = 0; known && attempt < 5 && !hardwareDone; ++attempt) {
    char* reply = model == 3 ? maker(kMakerHardware) : query(kQueryHardware);
    if (!Answered(reply)) continue;
    std::string field = VersionField(reply, model);
    if (model == 3 && field.size() >= 2 && field[0] == 'C' && field[1] == '1') field[0] = '0';
    if (!field.empty()) field.pop_back();
    std::snprintf(m_szHardwareText, sizeof m_szHardwareText, "V%s", field.c_str());
    SetDlgItemText(IDC_DEV_HARDWARE, m_szHardwareText);
    hardwareDone = true;
  }

  UpdateMainPictures();
  ShowConnectionPicture(TRUE);
  Disconnect();
  if (modelDone && firmwareDone && hardwareDone) {
    SetDlgItemText(IDC_DEV_STATUS, LoadString(IDS_DEV_FINISHED));
    GetDlgItem(IDC_DEV_SELECT_FILE)->EnableWindow(TRUE);
    GetDlgItem(IDC_DEV_CONNECT)->EnableWindow(FALSE);
    if (CPageDownloadFW* download = DownloadPage())
      if (CWnd* button = download->GetDlgItem(IDC_DL_DOWNLOAD)) button->EnableWindow(TRUE);
  } else {
    SetDlgItemText(IDC_DEV_STATUS, LoadString(IDS_DEV_TIMEOUT));
    GetDlgItem(IDC_DEV_CONNECT)->EnableWindow(TRUE);
    GetDlgItem(IDC_DEV_FORCE_UPDATE)->EnableWindow(TRUE);
  }
  RunHeartbeat(TRUE);
  if (!portError.empty()) ShowPortError(portError);
}

void CPageDeviceSetting::Connect() {
  const bool wasOpen = m_hComPort != nullptr;
  m_bCommandDone = FALSE;
  if (!wasOpen) {
    ApplyPortSelection();
    if (!g_bPortOpen) {
      ShowPortError(GetPortErrorText());
      return;
    }
    CPageMTKTracklogSetting* commands = CommandPage();
    if (!commands) return;
    commands->SendLogCommand(400, 0, 0);
    char* reply = nullptr;
    for (int attempt = 0; attempt < 2 && !Answered(reply); ++attempt)
      reply = commands->SendLogCommandRetry(2, 8, 0);
    if (!Answered(reply)) {
      ShowMessageBox(GetSafeHwnd(), "read Address: Timeout!", LoadString(300), MB_OK);
      return;
    }
    g_utilityManager.m_nLogUsedBytes = CPageMTKTracklogSetting::ParseLogReplyValue(reply, TRUE);
  }
  ShowConnectionPicture(TRUE);
  g_utilityManager.m_nModelCode = 3;
  g_utilityManager.m_timeConnected = CTime::GetCurrentTime();
}

void CPageDeviceSetting::ShowPortError(const std::string& cause) {
  ShowMessageBox(GetSafeHwnd(), cause, LoadString(300), MB_OK | MB_ICONHAND);
}

void CPageDeviceSetting::Disconnect() {
  if (m_hComPort == nullptr) return;
  RunHeartbeat(FALSE);
  Sleep(1000);
  if (CPageMTKTracklogSetting* commands = CommandPage()) commands->SendMakerCommand(kMakerLeave);
  ClosePortHandle();
  m_hComPort = nullptr;
  ShowConnectionPicture(FALSE);
  SetDlgItemText(IDC_DEV_MEMORY_USAGE, "");
}

void CPageDeviceSetting::ToggleConnection() {
  CPageMTKTracklogSetting* commands = CommandPage();
  if (m_bConnectNext) {
    if (commands) commands->AllocateReplyBuffer();
    Connect();
    if (m_hComPort != nullptr) {
      m_bConnectNext = FALSE;
    } else if (commands) {
      commands->FreeReplyBuffer();
    }
    return;
  }
  Disconnect();
  if (m_hComPort != nullptr) return;
  SetDlgItemText(IDC_DEV_CONNECT, LoadString(IDS_DEV_CONNECT));
  m_bConnectNext = TRUE;
  if (commands) commands->FreeReplyBuffer();
}

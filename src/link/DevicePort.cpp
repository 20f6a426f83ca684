// Port operations of the device page: open, close, read, write, purge and
// the line speed of the logger's serial port.
#include <iterator>

#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "link/ReplyText.h"

namespace {

constexpr int kBaudRates[] = {4800, 9600, 14400, 19200, 38400, 57600, 115200};
constexpr DWORD kHighSpeedBaud = 921600;

// "COMn" for n up to 9, "//.//COMn" beyond, as the open call takes them.
std::string ComPortName(int number) {
  std::string name = "COM" + std::to_string(number);
  return number > 9 ? "//.//" + name : name;
}

}  // namespace

BOOL CPageDeviceSetting::OpenPort() {
  if (!m_comPort.Open(m_strComPort, static_cast<DWORD>(m_nComBaud))) {
    m_hComPort = nullptr;
    return FALSE;
  }
  m_hComPort = &m_comPort;
  return TRUE;
}

BOOL CPageDeviceSetting::EnsurePortOpen() {
  // The invalid-handle value left by ClosePortHandle is a closed port: open
  // it again rather than report a port that cannot carry a byte as open.
  if (m_hComPort != nullptr && m_hComPort != INVALID_HANDLE_VALUE && m_comPort.IsOpen())
    return TRUE;
  return OpenPort();
}

BOOL CPageDeviceSetting::ApplyPortSelection(int portIndex, int baudIndex) {
  m_strComPort = ComPortName(portIndex + 1);
  if (baudIndex >= 0 && baudIndex < static_cast<int>(std::size(kBaudRates)))
    m_nComBaud = kBaudRates[baudIndex];
  g_bPortOpen = EnsurePortOpen();
  return TRUE;
}

void CPageDeviceSetting::SelectPortByIndex(int index) {
  // Close a port that is still open before its handle is dropped, so the
  // descriptor and its exclusive lock do not outlive the selection.
  if (m_comPort.IsOpen()) {
    m_comPort.Purge();
    m_comPort.Close();
  }
  m_strComPort = "COM" + std::to_string(static_cast<signed char>(index) + 1);
  m_hComPort = nullptr;
}

BOOL CPageDeviceSetting::ReadPort(void* buffer, DWORD count, DWORD* read) {
  if (read) *read = 0;
  if (m_hComPort != &m_comPort) return FALSE;
  std::size_t n = 0;
  BOOL ok = m_comPort.Read(buffer, count, n);
  if (read) *read = static_cast<DWORD>(n);
  return ok;
}

BOOL CPageDeviceSetting::WritePort(const void* buffer, DWORD count, DWORD* written) {
  if (written) *written = 0;
  if (m_hComPort != &m_comPort) return FALSE;
  std::size_t n = 0;
  BOOL ok = m_comPort.Write(buffer, count, n);
  if (written) *written = static_cast<DWORD>(n);
  return ok;
}

BOOL CPageDeviceSetting::WaitPortReadable(int timeoutMs) {
  if (m_hComPort != &m_comPort) return FALSE;
  return m_comPort.WaitReadable(timeoutMs);
}

void CPageDeviceSetting::PurgePort() {
  if (m_hComPort == &m_comPort) m_comPort.Purge();
}

BOOL CPageDeviceSetting::PurgeAndClosePort() {
  // A handle that is NULL or already closed cannot be closed again.
  if (m_hComPort != &m_comPort) return FALSE;
  m_comPort.Purge();
  return m_comPort.Close() ? TRUE : FALSE;
}

BOOL CPageDeviceSetting::ClosePortHandle() {
  if (!PurgeAndClosePort()) return FALSE;
  m_hComPort = INVALID_HANDLE_VALUE;
  m_strComPort = "COM1";
  return TRUE;
}

void CPageDeviceSetting::ClosePort() {
  ClosePortHandle();
  m_hComPort = nullptr;
}

BOOL CPageDeviceSetting::ClosePortNoReset() {
  if (!PurgeAndClosePort()) return FALSE;
  m_hComPort = nullptr;
  return TRUE;
}

void CPageDeviceSetting::SetPortHighSpeed() {
  if (m_hComPort == &m_comPort) m_comPort.SetSpeed(kHighSpeedBaud);
}

void CPageDeviceSetting::RestorePortSpeed() {
  if (m_hComPort == &m_comPort) m_comPort.SetSpeed(static_cast<DWORD>(m_nComBaud));
}

std::string CPageDeviceSetting::GetPortErrorText() const {
  return DescribeSerialError(m_comPort.LastError(), m_strComPort);
}

char* CPageDeviceSetting::FindLogReplyShort(char* text) {
  return FindTextWithin(text, "$PMTK182", 20);
}

char* CPageDeviceSetting::GetLogReplyShortField(char* text, int offset, int count) {
  char* sentence = FindLogReplyShort(text);
  return sentence ? CutReplyField(sentence, offset, count) : nullptr;
}

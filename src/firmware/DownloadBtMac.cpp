// The Bluetooth address kept across an update, over the firmware download
// page's own port.
#include <cstring>

#include "firmware/PageDownloadFW.h"
#include "platform/Sleep.h"

namespace {

// Keeps the recent text of the line: a reply split over two reads is still
// found.
void AppendRecent(std::string& recent, const char* data, DWORD n) {
  recent.append(data, n);
  if (recent.size() > 512) recent.erase(0, recent.size() - 256);
}

}  // namespace

BOOL CPageDownloadFW::OpenPort() {
  if (!m_btPort.Open(m_strBtPortName, static_cast<DWORD>(m_nBtBaudRate))) {
    m_hBtPort = nullptr;
    return FALSE;
  }
  m_hBtPort = &m_btPort;
  return TRUE;
}

BOOL CPageDownloadFW::ClosePort() {
  if (m_hBtPort != &m_btPort || !m_btPort.IsOpen()) return FALSE;
  m_btPort.Purge();
  return m_btPort.Close() ? TRUE : FALSE;
}

BOOL CPageDownloadFW::ReadPort(void* buffer, DWORD count, DWORD* read) {
  std::size_t got = 0;
  const bool ok = m_hBtPort == &m_btPort && m_btPort.Read(buffer, count, got);
  if (read) *read = static_cast<DWORD>(got);
  return ok ? TRUE : FALSE;
}

BOOL CPageDownloadFW::WritePort(const void* buffer, DWORD count, DWORD* written) {
  std::size_t sent = 0;
  const bool ok = m_hBtPort == &m_btPort && m_btPort.Write(buffer, count, sent);
  if (written) *written = static_cast<DWORD>(sent);
  return ok ? TRUE : FALSE;
}

void CPageDownloadFW::PurgePort() {
  if (m_hBtPort == &m_btPort) m_btPort.Purge();
}

void CPageDownloadFW::ClosePortAndClear() {
  ClosePort();
  m_hBtPort = nullptr;
}

void CPageDownloadFW::ParseBtMacReply(const char* reply) { ParseBtMacReplyText(reply, m_btMac); }

BOOL CPageDownloadFW::ReadRegistryMac() {
  std::string text;
  if (!m_tool.GetRegString(HKEY_CURRENT_USER, BT_MAC_REGISTRY_VALUE, text) || text.empty())
    return FALSE;
  ParseBtMacRegistryText(text, m_btMac);
  return TRUE;
}

void CPageDownloadFW::SaveRegistryMac() {
  m_tool.SetRegString(HKEY_CURRENT_USER, BT_MAC_REGISTRY_VALUE, FormatBtMacRegistryText(m_btMac));
}

BOOL CPageDownloadFW::ReadBtMac() {
  if (!OpenPort()) {
    m_bBtPortOk = 0;
    return FALSE;
  }
  DWORD n = 0;
  WritePort(BT_MAC_QUERY, static_cast<DWORD>(std::strlen(BT_MAC_QUERY)), &n);
  std::string recent;
  bool replied = false;
  for (int poll = 0; poll <= 100 && !replied; ++poll) {
    if (poll > 0) Sleep(38);
    char buffer[256] = {};
    ReadPort(buffer, 80, &n);
    AppendRecent(recent, buffer, n);
    // A whole reply (through its checksum) is taken, or dropped when garbled
    // as if it never came; a half-read one waits for the next read.
    for (std::size_t at; !replied && (at = recent.find(BT_MAC_REPLY)) != std::string::npos;) {
      const std::size_t star = recent.find('*', at);
      if (star == std::string::npos || star + 3 > recent.size()) break;
      replied = ParseBtMacReplyText(recent.c_str() + at, m_btMac);
      recent.erase(0, star + 3);
    }
  }
  if (!replied) {
    if (!ReadRegistryMac()) std::memset(m_btMac.m, 0xFF, sizeof m_btMac.m);
  } else if (m_btMac.AllFF()) {
    ReadRegistryMac();
  }
  SaveRegistryMac();
  ClosePortAndClear();
  return TRUE;
}

void CPageDownloadFW::WriteBtMac() {
  if (!OpenPort()) return;
  const std::string sentence = BuildBtMacWriteSentence(m_btMac);
  Sleep(2000);
  DWORD n = 0;
  WritePort(sentence.data(), static_cast<DWORD>(sentence.size()), &n);
  std::string recent;
  for (int poll = 0; poll <= 100; ++poll) {
    if (poll > 0) Sleep(100);
    char buffer[256] = {};
    ReadPort(buffer, 80, &n);
    AppendRecent(recent, buffer, n);
    if (recent.find(BT_MAC_WRITTEN) != std::string::npos) {
      Sleep(1000);
      break;
    }
  }
  ClosePortAndClear();
}

// The single steps of the block protocol: command words, reads and writes
// of the exchange areas, bounded reply waits, progress and the small
// fixed-size units (settings block, clear progress, short frame).
#include "logger/BlockTransfer.h"

#include <algorithm>
#include <cstring>

#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "framework/MessageBox.h"
#include "framework/Messages.h"
#include "framework/Strings.h"
#include "logger/BlockTransferTimings.h"
#include "platform/Sleep.h"
#include "res/logger_ids.h"

using namespace blockwire;

CBlockTransfer::CBlockTransfer(CBlockTransferClient& client) : m_client(client) {}

void CBlockTransfer::ClearKindFlags() {
  m_bMapA = m_bMapB = m_bFont = m_bTrackLog = m_bWrite = m_bSpot = m_bBitmap = m_bGeo = 0;
  m_bClear = 0;
}

void CBlockTransfer::BeginExchange(WakeForm form) {
  m_form = form;
  // Each exchange starts with its first wake sentence.
  g_utilityManager.m_bSendPmtkFirst = TRUE;
  m_nPercent = 0;
  m_nPercentShown = 0;
  m_nDoneBytes = 0;
  m_nFileOffset = 0;
}

void CBlockTransfer::SendWake() {
  if (m_form == WakeForm::kReceiving) {
    if (g_utilityManager.m_bSendPmtkFirst)
      m_client.SendPmtkCommand(m_nRequestKind, m_nRequestArgA, m_nRequestArgB);
  } else if (g_utilityManager.m_bSendPmtkFirst) {
    std::memcpy(m_abSend, kPmtkWake, kPmtkWakeSize);
    WriteSend(kPmtkWakeSize);
  } else {
    WriteCommand(m_bStartFlag ? "$BEG" : "$STA");
  }
  m_chReply = 0;
}

int CBlockTransfer::ReadReply(int n) { return ReadInto(m_abReceive, std::clamp(n, 0, kAreaSize)); }

int CBlockTransfer::ReadInto(BYTE* into, int n) {
  DWORD read = 0;
  if (!m_pDevicePage || !m_pDevicePage->ReadPort(into, static_cast<DWORD>(n), &read)) return -1;
  if (read > 0 || n == 0) return static_cast<int>(read);
  // A line that reads nothing yet polls readable is hung up (a USB adapter
  // pulled out); a second read tells that from data that just arrived.
  if (!m_pDevicePage->WaitPortReadable(0)) return 0;
  if (!m_pDevicePage->ReadPort(into, static_cast<DWORD>(n), &read)) return -1;
  return read > 0 ? static_cast<int>(read) : -1;
}

BOOL CBlockTransfer::WriteSend(int n) {
  n = std::clamp(n, 0, kAreaSize);
  DWORD written = 0;
  return m_pDevicePage && m_pDevicePage->WritePort(m_abSend, static_cast<DWORD>(n), &written) &&
         written == static_cast<DWORD>(n);
}

BOOL CBlockTransfer::WriteCommand(const char* word) {
  std::memcpy(m_abSend, word, 4);
  m_abSend[4] = '\r';
  m_abSend[5] = '\n';
  return WriteSend(kWordSize);
}

BlockOutcome CBlockTransfer::RequestAndWait(const char* status, UINT refusedText) {
  m_chPortDigit = static_cast<char>('1' + m_nPortIndex);
  m_pDevicePage->PurgePort();
  if (status) m_client.ShowTransferStatus(status);
  m_chReply = 0;
  PumpPage();
  if (!SendRequest()) return Fail(BlockOutcome::kPortLost);
  Sleep(20);
  const BlockOutcome step = WaitForReply("!?", kReplyPolls);
  if (step != BlockOutcome::kFinished) return Fail(step);
  if (m_chReply == blockwire::kRefused) {
    AfxMessageBox(refusedText);
    return BlockOutcome::kRefused;
  }
  return BlockOutcome::kFinished;
}

BOOL CBlockTransfer::SendRequest() {
  // A later flag overrides an earlier one.
  const char* word = nullptr;
  if (m_bTrackLog) word = "$TLG";
  if (m_bWrite) word = "$WRT";
  if (m_bSpot) word = "$SPT";
  if (m_bBitmap) word = "$BMP";
  return word ? WriteCommand(word) : FALSE;
}

BOOL CBlockTransfer::SendHeader() {
  const char* word = nullptr;
  if (m_bMapA) word = "$MAP";
  if (m_bMapB) word = "$MAP";
  if (m_bFont) word = "$FNT";
  if (m_bTrackLog) word = "$TLG";
  if (m_bWrite) word = "$WRT";
  if (m_bGeo) word = "$GEO";
  if (!word) return FALSE;
  std::memcpy(m_abSend, word, 4);
  PutU32(m_abSend + 4, m_nTotalBytes);
  m_abSend[8] = '\r';
  m_abSend[9] = '\n';
  return WriteSend(kHeaderSize);
}

BOOL CBlockTransfer::SendEnd() { return WriteCommand("$END"); }

BOOL CBlockTransfer::SendAck(char ack) {
  m_abSend[0] = static_cast<BYTE>(ack);
  m_abSend[1] = '\r';
  m_abSend[2] = '\n';
  return WriteSend(kAckSize);
}

BlockOutcome CBlockTransfer::WaitForReply(const char* wanted, int maxPolls) {
  for (int poll = 0;; ++poll) {
    PumpPage();
    const int n = ReadReply(1);
    if (n < 0) return BlockOutcome::kPortLost;
    if (n == 1 && m_chReply != 0 && std::strchr(wanted, m_chReply)) return BlockOutcome::kFinished;
    if (poll >= maxPolls) return BlockOutcome::kTimeout;
    Sleep(kReplyPollMs);
  }
}

BlockOutcome CBlockTransfer::ReadExactly(int n, int already, int maxPolls) {
  n = std::min(n, kAreaSize);
  int got = std::clamp(already, 0, n);
  for (int poll = 0; got < n; ++poll) {
    const int read = ReadInto(m_abReceive + got, n - got);
    if (read < 0) return BlockOutcome::kPortLost;
    got += read;
    if (got >= n) break;
    if (poll >= maxPolls) return BlockOutcome::kTimeout;
    Sleep(kReplyPollMs);
  }
  return BlockOutcome::kFinished;
}

BOOL CBlockTransfer::ReadTransferSize() {
  if (ReadExactly(4, 0, kRestPolls) != BlockOutcome::kFinished) return FALSE;
  m_nTotalBytes = TotalFromBlockCount(m_abReceive);
  PumpPage();
  return TRUE;
}

BOOL CBlockTransfer::ReadAddressWords() {
  if (ReadExactly(8, 0, kRestPolls) != BlockOutcome::kFinished) return FALSE;
  m_nFirstAddress = GetU32(m_abReceive);
  m_nLastAddress = GetU32(m_abReceive + 4);
  return TRUE;
}

void CBlockTransfer::ShowProgress() {
  // Frames split after CR LF move the file offset past the rounded total, so
  // the figure is held at 100.
  m_nPercent = m_nTotalBytes == 0
                   ? 100
                   : std::min(100, static_cast<int>(static_cast<double>(m_nDoneBytes) /
                                                    m_nTotalBytes * 100.0));
  if (m_nPercent != m_nPercentShown || m_nPercentShown == 0) {
    m_nPercentShown = m_nPercent;
    m_client.ShowTransferProgress(m_nPercent, FormatString("%d%%", m_nPercent));
  }
  m_chReply = 0;
}

BOOL CBlockTransfer::ReadSettingsBlock() {
  Sleep(300);
  if (ReadExactly(kSettingsSize, 0, kRestPolls) != BlockOutcome::kFinished) return FALSE;
  m_settingsBlock = BlockSettingsBlock::FromBytes(m_abReceive);
  return SendAck('!');
}

BlockOutcome CBlockTransfer::ReadClearByte() {
  Sleep(300);
  const BlockOutcome got = ReadExactly(1, 0, kReplyPolls);
  if (got != BlockOutcome::kFinished) return got;
  m_nClearPercent = m_abReceive[0];
  const int shown = std::min(m_nClearPercent, 100);
  m_client.ShowClearProgress(shown, FormatString("%d%%", shown));
  return SendAck('!') ? BlockOutcome::kFinished : BlockOutcome::kPortLost;
}

BOOL CBlockTransfer::ReadClearProgress() { return ReadClearByte() == BlockOutcome::kFinished; }

BOOL CBlockTransfer::CheckShortFrame() const {
  return Checksum7(m_abReceive + 2, 5) == m_abReceive[1];
}

void CBlockTransfer::PumpPage() {
  MSG msg;
  while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
}

BlockOutcome CBlockTransfer::Fail(BlockOutcome outcome) {
  UINT id = 0;
  switch (outcome) {
    case BlockOutcome::kTimeout:
      id = IDS_BLOCK_SILENT;
      break;
    case BlockOutcome::kPortLost:
      id = IDS_BLOCK_PORT_LOST;
      break;
    case BlockOutcome::kFileError:
      id = m_form == WakeForm::kSending ? IDS_BLOCK_READ_FAILED : IDS_BLOCK_WRITE_FAILED;
      break;
    case BlockOutcome::kDamaged:
      id = IDS_BLOCK_DAMAGED;
      break;
    default:
      return outcome;
  }
  AfxMessageBox(id, MB_ICONSTOP);
  return outcome;
}

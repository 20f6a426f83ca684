// The send exchange: header with the rounded length, then frames of the
// file each answered '!' (taken), '@' (send it again) or '?' (wait for the
// next reply), each followed by '&', and the finish.
#include <unistd.h>

#include <cstring>

#include "firmware/PageDeviceSetting.h"
#include "framework/MessageBox.h"
#include "logger/BlockTransfer.h"
#include "logger/BlockTransferTimings.h"
#include "platform/Sleep.h"
#include "res/logger_ids.h"

using namespace blockwire;

BlockOutcome CBlockTransfer::SendFile() {
  BeginExchange(WakeForm::kSending);
  BlockOutcome step = SearchAndWake(WakeForm::kSending);
  if (step != BlockOutcome::kFinished) return step;

  m_chPortDigit = static_cast<char>('1' + m_nPortIndex);
  m_pDevicePage->PurgePort();
  m_client.ShowTransferStatus("Downloading...");
  PumpPage();
  if (!SendHeader()) return Fail(BlockOutcome::kPortLost);
  Sleep(10);
  step = WaitForReply("!?#", kReplyPolls);
  if (step != BlockOutcome::kFinished) return Fail(step);
  if (m_chReply == kRefused) {
    m_chReply = 0;
    AfxMessageBox(IDS_BLOCK_WRONG_FILE_TYPE);
    return BlockOutcome::kRefused;
  }
  if (m_chReply == kNoRoom) {
    AfxMessageBox(IDS_BLOCK_NO_ROOM, MB_ICONSTOP);
    return BlockOutcome::kNoRoom;
  }
  m_chReply = 0;

  bool fill = true;
  int repeats = 0;
  while (m_nDoneBytes < m_nTotalBytes) {
    PumpPage();
    step = SendFrame(fill);
    if (step != BlockOutcome::kFinished) return Fail(step);
    m_chReply = '0';
    Sleep(20);
    PumpPage();
    step = WaitForReply("!?@", kReplyPolls);
    if (step != BlockOutcome::kFinished) return Fail(step);
    if (m_chReply == kReady) {
      m_nDoneBytes = m_nFileOffset;
      ShowProgress();
      fill = true;
      repeats = 0;
      if (m_bGeo) break;
    } else if (m_chReply == kResend) {
      fill = true;
      m_chReply = 0;
      ++repeats;
    } else {
      // Refused: nothing is written on the next pass; the logger's next
      // reply decides.
      fill = false;
      ++repeats;
    }
    if (!m_bMapB) {
      step = WaitForReply("&^", kReplyPolls);
      if (step != BlockOutcome::kFinished) return Fail(step);
      if (m_chReply == kBreak) {
        AfxMessageBox(IDS_BLOCK_USER_BREAK);
        return BlockOutcome::kUserBreak;
      }
    }
    if (repeats >= kMaxRepeats) return Fail(BlockOutcome::kDamaged);
  }
  if (m_nTotalBytes == 0) m_nPercent = 100;
  return Finish(20, false);
}

BlockOutcome CBlockTransfer::SendFrame(bool fill) {
  m_nFileOffset = m_nDoneBytes;
  int limit = kBlockData;
  if (m_bFont) limit = 384;
  if (m_bGeo) limit = 132;
  if (!fill) return BlockOutcome::kFinished;

  BYTE* payload = m_abSend + 2;
  // Past the end of the file the payload is filled with 0xFF.
  std::memset(payload, 0xFF, static_cast<std::size_t>(limit));
  int got = 0;
  while (got < limit) {
    const ssize_t n = ::pread(m_fdOut, payload + got, static_cast<std::size_t>(limit - got),
                              static_cast<off_t>(m_nFileOffset) + got);
    if (n < 0) return BlockOutcome::kFileError;
    if (n == 0) break;
    got += static_cast<int>(n);
  }
  // A CR LF inside the payload ends the frame after the CR; the LF starts
  // the next frame. An LF that begins the payload stays (its CR went in the
  // frame before), so every frame carries at least one byte.
  int length = limit;
  for (int i = 1; i < got; ++i) {
    if (payload[i] == '\n' && payload[i - 1] == '\r') {
      length = i;
      break;
    }
  }
  m_nFileOffset += static_cast<std::uint32_t>(length);
  m_abSend[0] = 0x01;
  m_abSend[1] = Checksum7(payload, static_cast<std::size_t>(length));
  payload[length] = '\r';
  payload[length + 1] = '\n';
  return WriteSend(length + kFrameOverhead) ? BlockOutcome::kFinished : BlockOutcome::kPortLost;
}

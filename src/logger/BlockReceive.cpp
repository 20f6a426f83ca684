// The receive exchange: "$TLG" request, the block count and the log's two
// addresses, then 514-byte blocks each answered "!" (stored) or "@" (sent
// again), and the finish.
#include <unistd.h>

#include <algorithm>

#include "firmware/PageDeviceSetting.h"
#include "formats/BlockTrackDecoder.h"
#include "framework/MessageBox.h"
#include "logger/BlockTransfer.h"
#include "logger/BlockTransferTimings.h"
#include "platform/Sleep.h"
#include "res/logger_ids.h"

using namespace blockwire;

BlockOutcome CBlockTransfer::ReceiveTrackLog(int outputFormat, std::FILE* outText) {
  m_nOutputFormat = outputFormat;
  m_pOutText = outText;
  BeginExchange(WakeForm::kReceiving);
  BlockOutcome step = SearchAndWake(WakeForm::kReceiving);
  if (step != BlockOutcome::kFinished) return step;

  step = RequestAndWait("Uploading...", IDS_BLOCK_NOT_UPLOAD);
  if (step != BlockOutcome::kFinished) return step;
  Sleep(100);
  if (!ReadTransferSize()) return Fail(BlockOutcome::kTimeout);
  m_chReply = 0;
  if (!ReadAddressWords()) return Fail(BlockOutcome::kTimeout);
  m_chReply = 0;

  int repeats = 0;
  while (m_nDoneBytes < m_nTotalBytes) {
    PumpPage();
    const std::uint32_t before = m_nDoneBytes;
    step = ReceiveBlock();
    if (step != BlockOutcome::kFinished) return Fail(step);
    repeats = m_nDoneBytes == before ? repeats + 1 : 0;
    step = WaitForReply("&?^", kReplyPolls);
    if (step != BlockOutcome::kFinished) return Fail(step);
    if (m_chReply == kBreak) {
      m_chReply = 0;
      AfxMessageBox(IDS_BLOCK_USER_BREAK);
      return BlockOutcome::kUserBreak;
    }
    if (repeats >= kMaxRepeats) return Fail(BlockOutcome::kDamaged);
  }
  // An empty log is a complete transfer.
  if (m_nTotalBytes == 0) m_nPercent = 100;
  return Finish(0, false);
}

BlockOutcome CBlockTransfer::ReceiveBlock() {
  Sleep(300);
  const int n = ReadReply(kBlockSize);
  if (n < 0) return BlockOutcome::kPortLost;
  // A block split over several reads is read whole, so its tail is never
  // taken for reply bytes.
  const BlockOutcome rest = ReadExactly(kBlockSize, n, kRestPolls);
  if (rest != BlockOutcome::kFinished) return rest;
  const BYTE* data = m_abReceive + 2;
  if (Checksum7(data, kBlockData) != m_abReceive[1])
    return SendAck('@') ? BlockOutcome::kFinished : BlockOutcome::kPortLost;
  if (!StoreBlockData(data)) return BlockOutcome::kFileError;
  m_nDoneBytes += kBlockData;
  ShowProgress();
  return SendAck('!') ? BlockOutcome::kFinished : BlockOutcome::kPortLost;
}

BOOL CBlockTransfer::StoreBlockData(const BYTE* data) {
  if (m_nOutputFormat != kBlockOutputTrl)
    return DecodeBlockRecords(g_blockPointTables, data, m_nOutputFormat, m_pOutText,
                              static_cast<int>(std::min<std::uint32_t>(m_nTotalBytes, 0x7FFFFFFF)),
                              static_cast<int>(m_nDoneBytes));
  if (m_fdOut < 0) return FALSE;
  // Never beyond the announced total.
  std::size_t count = std::min<std::uint32_t>(kBlockData, m_nTotalBytes - m_nDoneBytes);
  const BYTE* p = data;
  off_t at = static_cast<off_t>(m_nDoneBytes);
  while (count > 0) {
    const ssize_t n = ::pwrite(m_fdOut, p, count, at);
    if (n <= 0) return FALSE;
    p += n;
    at += n;
    count -= static_cast<std::size_t>(n);
  }
  return TRUE;
}

BlockOutcome CBlockTransfer::Finish(DWORD pauseBeforeEnd, bool anyPercent) {
  m_client.ShowTransferStatus("Waiting for Finishing...");
  PumpPage();
  if (pauseBeforeEnd) Sleep(pauseBeforeEnd);
  if (!SendEnd()) return Fail(BlockOutcome::kPortLost);
  for (int count = 0;;) {
    PumpPage();
    const int n = ReadReply(1);
    m_client.PumpMainDialog();
    ++count;
    if (n < 0) return Fail(BlockOutcome::kPortLost);
    if (n == 1 && m_chReply == kDone) return BlockOutcome::kFinished;
    if (n == 1 && m_chReply == kRefused) {
      // The logger asks for the end word again.
      for (int twice = 0; twice < 2; ++twice) {
        if (pauseBeforeEnd) Sleep(pauseBeforeEnd);
        if (!SendEnd()) return Fail(BlockOutcome::kPortLost);
      }
    }
    // A complete transfer ends after 100 quiet polls even without '%'.
    if (count > kFinishQuietPolls - 1 && (anyPercent || m_nPercent >= 100))
      return BlockOutcome::kFinished;
    if (count >= kFinishPolls) return Fail(BlockOutcome::kTimeout);
    Sleep(kReplyPollMs);
  }
}

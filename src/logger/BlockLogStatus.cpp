// The log status exchange: the sending form's wake, "$TLG", the log's two
// addresses and a 5-byte status answered "!", then the finish. The records
// stored follow from the addresses (16 bytes each, 4096 in all).
#include <algorithm>
#include <cstring>

#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "framework/MessageBox.h"
#include "framework/Strings.h"
#include "logger/BlockTransfer.h"
#include "logger/BlockTransferTimings.h"
#include "platform/Sleep.h"
#include "res/logger_ids.h"

BlockOutcome CBlockTransfer::ReadLogStatus(BlockLogStatus& status) {
  m_client.ShowTransferStatus("Waiting for Starting...");
  ClearKindFlags();
  m_bTrackLog = 1;
  BeginExchange(WakeForm::kSending);
  BlockOutcome step = SearchAndWake(WakeForm::kSending);
  if (step != BlockOutcome::kFinished) return step;

  step = RequestAndWait("Reading...", IDS_BLOCK_NOT_UPLOAD);
  if (step != BlockOutcome::kFinished) return step;
  if (!ReadAddressWords()) return Fail(BlockOutcome::kTimeout);
  Sleep(300);
  step = ReadExactly(blockwire::kStatusSize, 0, kRestPolls);
  if (step != BlockOutcome::kFinished) return Fail(step);
  std::memcpy(status.status, m_abReceive, blockwire::kStatusSize);
  if (!SendAck('!')) return Fail(BlockOutcome::kPortLost);
  step = WaitForReply("&?^", kReplyPolls);
  if (step != BlockOutcome::kFinished) return Fail(step);
  if (m_chReply == blockwire::kBreak) {
    AfxMessageBox(IDS_BLOCK_USER_BREAK);
    return BlockOutcome::kUserBreak;
  }
  step = Finish(0, true);
  if (step != BlockOutcome::kFinished) return step;

  status.firstAddress = m_nFirstAddress;
  status.lastAddress = m_nLastAddress;
  CountLogRecords(status);
  m_client.ShowTransferStatus("Connect Device Successfully.");
  m_client.ShowTransferStatus(FormatLogStatus(status));
  return BlockOutcome::kFinished;
}

void CBlockTransfer::CountLogRecords(BlockLogStatus& status) {
  // Counted in 64 bits so no address pair overflows; never more than the
  // log holds, so the free count is never negative.
  const std::int64_t recorded =
      status.lastAddress >= status.firstAddress
          ? (static_cast<std::int64_t>(status.lastAddress) - status.firstAddress + 1) / 16
          : kStatusRecordCapacity;
  status.recorded = static_cast<int>(std::min<std::int64_t>(recorded, kStatusRecordCapacity));
  status.free = kStatusRecordCapacity - status.recorded;
}

std::string CBlockTransfer::FormatLogStatus(const BlockLogStatus& status) {
  return FormatString("Track Log Records: %d Recorded; %d Free", status.recorded, status.free);
}

std::string CBlockTransfer::SendStatusSentence(const std::string& body) {
  g_utilityManager.m_bSendPmtkFirst = TRUE;
  std::string sentence = body + "*";
  BYTE sum = 0;
  for (std::size_t i = 1; i < body.size(); ++i) sum ^= static_cast<BYTE>(body[i]);
  sentence += FormatString("%02X\r\n", sum);
  const int length = static_cast<int>(std::min<std::size_t>(sentence.size(), kAreaSize));
  std::memcpy(m_abSend, sentence.data(), static_cast<std::size_t>(length));
  if (!WriteSend(length)) return {};
  Sleep(38);
  for (int read = 0; read < 10; ++read) {
    const int n = ReadReply(80);
    if (n < 0) return {};
    if (n > 0) return std::string(reinterpret_cast<const char*>(m_abReceive), n);
  }
  return {};
}

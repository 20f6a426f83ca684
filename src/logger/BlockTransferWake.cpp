// Port search and wake: find the logger's port (the bridge port, else COM1
// to COM9) and poll it until the logger answers the wake. The receiving form
// wakes with the page's chipset log sentence once; the sending form writes
// "$PMTK182*21" once and then "$BEG" or "$STA" each second.
#include "common/UtilityManager.h"
#include "firmware/PageDeviceSetting.h"
#include "framework/MessageBox.h"
#include "logger/BlockTransfer.h"
#include "logger/BlockTransferTimings.h"
#include "platform/Sleep.h"
#include "res/logger_ids.h"

namespace {

constexpr char kNoResponse[] = "Get no response from device. Please restart device again.";

}  // namespace

BlockOutcome CBlockTransfer::SearchAndWake(WakeForm form) {
  if (!m_pDevicePage) return Fail(BlockOutcome::kPortLost);
  CPageDeviceSetting& device = *m_pDevicePage;
  const bool bridge = device.FindBridgePort();
  if (!bridge) device.m_strComPort = "COM1";
  int limit = form == WakeForm::kReceiving ? (bridge ? kReceiveWakeLimitBridge : kReceiveWakeLimit)
                                           : (bridge ? kSendWakeLimitBridge : kSendWakeLimit);
  bool bridgePort = bridge;
  int i = 0;
  while (i <= kLastPortIndex) {
    if (!device.EnsurePortOpen()) {
      if (++i <= kLastPortIndex) device.SelectPortByIndex(i);
      continue;
    }
    // Bytes left on the line by an earlier exchange are no answer to this wake.
    device.PurgePort();
    bool nextPort = false;
    const BlockOutcome woke = form == WakeForm::kReceiving ? WakeReceivingPort(i, limit, nextPort)
                                                           : WakeSendingPort(limit, nextPort);
    if (!nextPort) {
      if (woke != BlockOutcome::kFinished) return woke;
      m_nPortIndex = i;
      m_nPercentShown = 0;
      m_nDoneBytes = 0;
      m_nFileOffset = 0;
      m_chReply = 0;
      return BlockOutcome::kFinished;
    }
    // Sending form: a silent port; the bridge's first failure restarts the
    // scan at COM1.
    Sleep(10);
    if (bridgePort) {
      bridgePort = false;
      limit = kSendWakeLimit;
      i = 0;
    } else {
      ++i;
    }
    if (i <= kLastPortIndex) device.SelectPortByIndex(i);
  }
  AfxMessageBox(IDS_BLOCK_CHECK_PORT);
  device.m_strComPort = "COM1";
  return BlockOutcome::kNoPort;
}

int CBlockTransfer::WakeAndRead() {
  SendWake();
  Sleep(1000);
  if (g_utilityManager.m_bSendPmtkFirst) {
    // The first wake of the exchange: the sentence went out once.
    Sleep(20);
    g_utilityManager.m_bSendPmtkFirst = FALSE;
    m_pDevicePage->EnsurePortOpen();
    SendWake();
  }
  const int n = ReadReply(1);
  m_client.PumpMainDialog();
  return n;
}

bool CBlockTransfer::WakeEnded(int n, BlockOutcome& outcome) {
  if (n < 0) {
    outcome = Fail(BlockOutcome::kPortLost);
    return true;
  }
  if (n == 1 && m_chReply == blockwire::kReady) {
    outcome = BlockOutcome::kFinished;
    return true;
  }
  if (n == 1 && m_chReply == blockwire::kWrongType) {
    AfxMessageBox(IDS_BLOCK_TYPE_ERROR);
    outcome = BlockOutcome::kTypeError;
    return true;
  }
  return false;
}

BlockOutcome CBlockTransfer::WakeReceivingPort(int portIndex, int limit, bool& nextPort) {
  (void)portIndex;
  nextPort = false;
  int refusals = 0;
  for (int count = 0;;) {
    const int n = WakeAndRead();
    ++count;
    if (BlockOutcome end; WakeEnded(n, end)) return end;
    if (n == 1 && m_chReply == blockwire::kRefused && ++refusals <= kMaxWakeRefusals) {
      count = 0;
      continue;
    }
    if (count >= limit || refusals > kMaxWakeRefusals) {
      AfxMessageBox(kNoResponse);
      m_client.CloseMainDialog();
      return BlockOutcome::kNoResponse;
    }
  }
}

BlockOutcome CBlockTransfer::WakeSendingPort(int limit, bool& nextPort) {
  nextPort = false;
  Sleep(200);
  for (int count = 0;;) {
    const int n = WakeAndRead();
    ++count;
    if (BlockOutcome end; WakeEnded(n, end)) return end;
    if (count >= limit) {
      nextPort = true;
      return BlockOutcome::kTimeout;
    }
  }
}

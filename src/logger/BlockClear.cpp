// The clear exchange, which empties the logger's track log:
//   wake    the page's sentence "$PMTK182,6" (request kind 6), until '!'
//   request "$WRT" CR LF (the write flag; the clear flag is set with it),
//           answered '!' (clearing starts) or '?' (refused)
//   progress one byte at a time, the percentage cleared, each answered
//           "!" CR LF, until it reaches 100
//   finish  "$END" CR LF, answered '%'
// Only the finish counts as success: the log is empty then.
#include "firmware/PageDeviceSetting.h"
#include "framework/MessageBox.h"
#include "logger/BlockTransfer.h"
#include "logger/BlockTransferTimings.h"
#include "platform/Sleep.h"
#include "res/logger_ids.h"

namespace {

// Progress bytes before a logger that never reaches 100 % is given up.
constexpr int kMaxClearSteps = 1000;

}  // namespace

BlockOutcome CBlockTransfer::ClearLog() {
  BeginExchange(WakeForm::kReceiving);
  m_nClearPercent = 0;
  BlockOutcome step = SearchAndWake(WakeForm::kReceiving);
  if (step != BlockOutcome::kFinished) return step;

  step = RequestAndWait(nullptr, IDS_BLOCK_CLEAR_REFUSED);
  if (step != BlockOutcome::kFinished) return step;
  for (int steps = 0; m_nClearPercent < 100; ++steps) {
    if (steps >= kMaxClearSteps) return Fail(BlockOutcome::kTimeout);
    PumpPage();
    step = ReadClearByte();
    if (step != BlockOutcome::kFinished) return Fail(step);
  }
  m_nPercent = 100;
  return Finish(0, false);
}

// The logger's '$'-command block protocol: four-letter command words with
// CR LF from the PC, one-byte replies from the logger, 514-byte blocks from
// the logger and checksummed frames to it. A page holds one CBlockTransfer,
// sets its exchange fields (kind flags, request kind, files) and runs one of
// the exchanges on its worker thread; progress and status go to the page
// through its CBlockTransferClient.
//
// Every wait is a poll of the device page's serial port with a pause, and
// every wait has a bound; an exchange ends with one BlockOutcome, after the
// message box the user needs for a failure.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "logger/BlockTransferClient.h"
#include "logger/BlockTransferWire.h"
#include "platform/WinTypes.h"

class CPageDeviceSetting;

// How an exchange ended.
enum class BlockOutcome {
  kFinished,    // the logger's finish ('%'; or silence after the whole transfer)
  kNoPort,      // no port of COM1 to COM9 opened (string 104 shown)
  kNoResponse,  // no reply to the wake within the poll limit (message shown)
  kTypeError,   // '$' during the wake (string 103 shown)
  kRefused,     // '?' after the request word or header (string 109 or 105 shown)
  kNoRoom,      // '#' after the header (string 106 shown)
  kUserBreak,   // '^' after a block or frame (string 107 shown)
  kTimeout,     // the logger fell silent within the exchange (message shown)
  kPortLost,    // the port failed or vanished (message shown)
  kFileError,   // the output could not be written or the input read (message shown)
  kDamaged,     // blocks or frames kept going wrong and were given up (message shown)
};

// True only for an exchange that ended with the logger's finish.
inline bool IsBlockSuccess(BlockOutcome outcome) { return outcome == BlockOutcome::kFinished; }

// What the log status exchange found.
struct BlockLogStatus {
  std::uint32_t firstAddress = 0;
  std::uint32_t lastAddress = 0;
  BYTE status[5] = {};
  int recorded = 0;  // records stored, (last - first + 1) / 16
  int free = 0;      // 4096 - recorded
};

class CBlockTransfer {
 public:
  static constexpr int kAreaSize = 1024;
  // Records the log status counts against.
  static constexpr int kStatusRecordCapacity = 4096;

  explicit CBlockTransfer(CBlockTransferClient& client);
  CBlockTransfer(const CBlockTransfer&) = delete;
  CBlockTransfer& operator=(const CBlockTransfer&) = delete;

  // The device page whose port carries the exchange.
  void SetDevicePage(CPageDeviceSetting* page) { m_pDevicePage = page; }
  CPageDeviceSetting* DevicePage() const { return m_pDevicePage; }

  // ---- Exchanges (each a whole job: wake, transfer, finish) ----

  // Receives the stored track log (receiving form, request kind 5, track-log
  // flag): raw blocks to m_fdOut when outputFormat is kBlockOutputTrl, else
  // decoded into g_blockPointTables (text lines to outText). The caller
  // clears the point tables and writes the KML afterwards.
  BlockOutcome ReceiveTrackLog(int outputFormat, std::FILE* outText);
  // Sends m_fdOut (sending form, write flag, m_bStartFlag); m_nTotalBytes
  // is the file length raised to a multiple of 512 (RoundTransferSize).
  BlockOutcome SendFile();
  // Clears the logger's track log (receiving form, request kind 6, write and
  // clear flags): request word, clear progress bytes to 100 %, finish.
  BlockOutcome ClearLog();
  // Reads the log's two addresses and status (sending form, track-log flag).
  BlockOutcome ReadLogStatus(BlockLogStatus& status);
  // recorded and free from the two addresses: (last - first + 1) / 16 when
  // last >= first, else a full log.
  static void CountLogRecords(BlockLogStatus& status);
  // "Track Log Records: %d Recorded; %d Free".
  static std::string FormatLogStatus(const BlockLogStatus& status);
  // The log status exchange's sentence sender: "$Vanto", "$Close" or a
  // chipset body, with checksum and CR LF; one pause of 38 ms, then up to 10
  // reads. Returns what was read ("" when nothing came).
  std::string SendStatusSentence(const std::string& body);

  // ---- Steps ----

  // Wake word of the form in use (see the exchanges); clears m_chReply.
  void SendWake();
  // One read of up to n bytes into the receive area; the count read, or -1
  // when the port failed.
  int ReadReply(int n);
  // One write of n bytes from the send area; FALSE when the port failed.
  BOOL WriteSend(int n);
  BOOL SendRequest();
  BOOL SendHeader();
  BOOL SendEnd();
  // Sends "!" CR LF or "@" CR LF.
  BOOL SendAck(char ack);
  // 4-byte block count: m_nTotalBytes := count x 512 (32 bits).
  BOOL ReadTransferSize();
  // The first and last byte address of the stored log.
  BOOL ReadAddressWords();
  // Reads one whole 514-byte block, stores its data and answers "!" or "@".
  BlockOutcome ReceiveBlock();
  // Builds and writes the frame at m_nDoneBytes; with fill false it only
  // rewinds m_nFileOffset.
  BlockOutcome SendFrame(bool fill);
  void ShowProgress();
  // 11-byte settings block into m_settingsBlock, answered "!" CR LF.
  BOOL ReadSettingsBlock();
  // One clear progress byte into m_nClearPercent, shown and answered.
  BOOL ReadClearProgress();
  // The 7-byte short frame in the receive area has a good checksum.
  BOOL CheckShortFrame() const;
  // The page's message pump (peek, translate, dispatch until empty).
  void PumpPage();

  // ---- Exchange fields ----

  BYTE m_abReceive[kAreaSize] = {};  // receive area
  BYTE& m_chReply = m_abReceive[0];  // reply byte / lead byte
  BYTE m_abSend[kAreaSize] = {};     // send area
  std::uint32_t m_nTotalBytes = 0;
  std::uint32_t m_nDoneBytes = 0;
  std::uint32_t m_nFileOffset = 0;
  int m_nPercent = 0;
  int m_nPercentShown = 0;
  char m_chPortDigit = static_cast<char>(255);
  // Kind flags: select the request word, header word and frame payload.
  int m_bMapA = 0;
  int m_bMapB = 0;
  int m_bFont = 0;
  int m_bTrackLog = 0;
  int m_bWrite = 0;
  int m_bSpot = 0;
  int m_bBitmap = 0;
  int m_bGeo = 0;
  int m_bClear = 0;
  // Sending form: wake word "$BEG" when set, "$STA" when clear.
  int m_bStartFlag = 0;
  // Receiving form: the chipset log command sent as the wake.
  int m_nRequestKind = 5;
  int m_nRequestArgA = 0;
  int m_nRequestArgB = 0;
  // Output file of a receive, or the file being sent.
  int m_fdOut = -1;
  // Addresses of the stored log from the last ReadAddressWords.
  std::uint32_t m_nFirstAddress = 0;
  std::uint32_t m_nLastAddress = 0;
  BlockSettingsBlock m_settingsBlock;
  int m_nClearPercent = 0;

  // Clears every kind flag.
  void ClearKindFlags();

 private:
  enum class WakeForm { kReceiving, kSending };
  BlockOutcome SearchAndWake(WakeForm form);
  BlockOutcome WakeReceivingPort(int portIndex, int limit, bool& nextPort);
  BlockOutcome WakeSendingPort(int limit, bool& nextPort);
  // One wake of a woken-up search: the wake (sent twice on the exchange's
  // first wake), then one read for the answer byte; what ReadReply returns.
  int WakeAndRead();
  // Whether the answer to a wake (what WakeAndRead returned) ends the wake:
  // ready, wrong type (told to the user) or a lost port, in `outcome`.
  bool WakeEnded(int n, BlockOutcome& outcome);
  // Sends the request on the woken port and waits for '!'; '?' shows
  // refusedText and gives kRefused. A null status leaves the status line.
  BlockOutcome RequestAndWait(const char* status, UINT refusedText);
  // Reads single bytes, pausing between reads, until one of `wanted`.
  // kFinished with the byte in m_chReply, kTimeout after maxPolls pauses,
  // kPortLost when the port failed.
  BlockOutcome WaitForReply(const char* wanted, int maxPolls);
  // Reads exactly n bytes into the receive area within maxPolls pauses
  // (bytes already there count).
  BlockOutcome ReadExactly(int n, int already, int maxPolls);
  // Sends "$END" and waits for '%'. Ends after 100 polls once the progress
  // is 100 % (or at once with anyPercent).
  BlockOutcome Finish(DWORD pauseBeforeEnd, bool anyPercent);
  // Shows the message of a failure outcome and returns it.
  BlockOutcome Fail(BlockOutcome outcome);
  BOOL StoreBlockData(const BYTE* data);
  BOOL WriteCommand(const char* word);
  // One read of up to n bytes; -1 when the port failed or hung up.
  int ReadInto(BYTE* into, int n);
  // Reads one clear progress byte; kFinished when it came.
  BlockOutcome ReadClearByte();
  // Start of every exchange: the form and the sentence flag for its wake.
  void BeginExchange(WakeForm form);

  int m_nPortIndex = 0;  // port of the wake that answered
  CBlockTransferClient& m_client;
  CPageDeviceSetting* m_pDevicePage = nullptr;
  WakeForm m_form = WakeForm::kReceiving;
  int m_nOutputFormat = 0;
  std::FILE* m_pOutText = nullptr;
};

// The chipset track-log page. It also carries the logger command layer:
// sentence building, sending, reply matching and the receive thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/PageCommand.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/Thread.h"
#include "logger/LoggerPage.h"
#include "logger/TrackLogFileStatusDlg.h"
#include "logger/TrackRecord.h"
#include "platform/WinTypes.h"
#include "res/logger_ids.h"

class CPageDeviceSetting;
class CStepByStepDlg;

// Receive state shared by the download worker and the receive thread.
extern std::atomic<int> g_bReceiving;       // the receive loop reads while set
extern std::atomic<int> g_bTrimToLogReply;  // ReceiveLogData cuts to "$PMTK182"
extern std::atomic<int> g_nPollPauseMs;     // poll pause of SendLogCommandSized

// Reverse the byte order of each of the four 32-bit words of a 16-byte record.
void SwapByte(BYTE* p, BYTE* q);
void ReverseWordBytes(BYTE* record);

// Record mode of the chipset's log: what the logger does when its memory is
// full.
enum LogRecordMode { LOG_OVERWRITE = 1, LOG_FULL_AND_STOP = 2 };

class CPageMTKTracklogSetting : public CLoggerPage {
 public:
  // ---------------------------------------------------------------------
  // Command layer (methods in link/LogCommand*.cpp).
  // ---------------------------------------------------------------------
  static constexpr std::size_t kReplyBufferSize = 3145728;
  // Silence during a sector after which the receive loop gives the transfer
  // up (a few seconds: a logger answers a read request well within that, and
  // a vanished or confused logger is noticed without waiting for ever). It
  // counts only while a sector is being received.
  static constexpr int kReceiveIdleLimitMs = 8000;
  // Longest wait of a sender for the receive thread to leave its pass (it
  // leaves within one data wait, so this is only a safety bound).
  static constexpr int kReceivePassEndWaitMs = 2000;

  // The device page whose port the commands go through.
  void SetDevicePage(CPageDeviceSetting* page) { m_pLinkDevicePage = page; }
  CPageDeviceSetting* GetDevicePage() const { return m_pLinkDevicePage; }

  // The 3 MB reply buffer: allocated at connection, freed at disconnection.
  // Allocation failure returns FALSE and leaves no buffer; every sender then
  // answers "Not Connected".
  BOOL AllocateReplyBuffer();
  void FreeReplyBuffer();
  char* GetReplyBuffer() const { return m_pReplyBuffer.get(); }
  // Held while the receive thread appends; take it to clear or shift the text.
  std::unique_lock<std::mutex> LockReplyBuffer() {
    return std::unique_lock<std::mutex>(m_replyMutex);
  }
  void ClearReplyBuffer();
  // Drops the first count characters of the reply text, under the buffer's
  // lock so the receive thread appends behind the shifted text.
  void DiscardReceived(int count);

  char* SendLogCommand(int t, int a, int b);
  char* SendLogCommandRetry(int t, int a, int b);
  BOOL PostLogCommand(int t, int a, int b);
  char* SendMakerCommand(int n, const std::string& text = std::string());
  char* SendDeviceQuery(int query, const std::string& text = std::string());
  char* SendLogCommandSized(int t, int a, int b);
  char* ReceiveLogData(int count);

  // The "Not Connected" reply; compare with IsNotConnected.
  const char* NotConnected() const { return m_szNotConnected; }
  BOOL IsNotConnected(const char* reply) const;

  static char* FindLogReply(char* text, int n);
  static char* FindMakerReply(char* text, int n);
  static char* FindDeviceReply(char* text, int kind, int n);
  static char* GetLogReplyField(char* text, int offset, int count);
  static char* GetLogDataField(char* text, int offset, int count);
  static char* GetMakerReplyField(char* text, int offset, int count);
  static char* GetDeviceReplyField(char* text, int offset, int count);
  static int ParseHex(const char* text);
  static int ParseLogReplyValue(char* reply, BOOL hex);
  // The whole decimal value of a query reply "$PMTK182,3,<id>,<value>*";
  // FALSE when the reply holds no such sentence or a value beyond an int.
  static BOOL GetLogReplyDecimal(char* reply, int* value);
  // The flag of an acknowledgement "$PMTK001,<command>,<type>,<flag>" at the
  // start of reply (0 invalid, 1 unsupported, 2 failed, 3 done); -1 when the
  // reply is no acknowledgement.
  static int GetAckFlag(const char* reply);
  static constexpr int kAckDone = 3;
  static void HexToBytes(const char* text, BYTE* bytes, int count);
  static BOOL IsSentenceComplete(const char* text, int n);
  static int GetLogArgRadix(int t, int a);
  static char NibbleToHex(int nibble);
  static void CopyHexText(char* destination, const char* source, int position, int count);
  // The sentence SendLogCommand writes for (t, a, b), with checksum and CR LF.
  static std::string BuildLogSentence(int t, int a, int b);
  static std::string BuildMakerSentence(int n);

  static UINT ReceiveThreadProc(void* page);
  int ReceiveLoop();

  std::unique_ptr<char[]> m_pReplyBuffer;
  std::atomic<int> m_bReceiveStop{0};
  std::atomic<int> m_bTransferCancel{0};
  std::atomic<int> m_nReceivedBytes{0};
  // Silence limit of the receive loop in milliseconds (tests shorten it).
  int m_nReceiveIdleLimitMs = kReceiveIdleLimitMs;
  // Bound of a sender's wait for the receive pass to end (tests lengthen it).
  int m_nReceivePassEndWaitMs = kReceivePassEndWaitMs;
  // Called on the receive thread after each append of a pass (a test seam;
  // set it before the receive thread starts).
  std::function<void()> m_onReceiveAppended;
  // TRUE while a sender waits for the receive thread to leave its pass.
  BOOL IsReceivePassAwaited();

 private:
  // Sets the settings object's sentence-sent flag; the receive thread and the
  // download worker both set it, so the store is atomic.
  static void MarkSentenceSent();
  char* NotConnectedReply() { return m_szNotConnected; }
  BOOL PortSet() const;
  char* AnswerNotConnected();
  BOOL WriteSentence(const std::string& sentence, DWORD pieceSize, DWORD pauseMs);
  // Reads what has arrived, at most count bytes, to offset at of the buffer.
  DWORD PollRead(DWORD count, DWORD at = 0);
  // Reads on after the have bytes of a reply until its line end has come
  // (bounded), and ends the text there.
  void ReadRestOfReply(DWORD have);
  std::size_t AppendReceived(const char* data, std::size_t count);
  BOOL HasReplyBuffer();
  // One wait for data and one read for the receive side; 0 without data.
  DWORD ReadReceived(char* data, DWORD count);
  // The receive thread's pass (reading while g_bReceiving is set), in
  // link/ReceivePass.cpp. A pass begins only while g_bReceiving is set, so a
  // sender that finds no pass running has the port and the buffer to itself
  // until the download sets the flag again.
  BOOL BeginReceivePass();
  void EndReceivePass();
  // Reads and appends until the pass ends; FALSE when the logger has fallen
  // silent and the receive loop is to end.
  BOOL RunReceivePass(std::vector<char>& chunk);
  // The waiting senders read the port themselves: they first wait, bounded,
  // until the receive thread is out of its pass (its last read appended).
  void AwaitReceivePassEnd();

  CPageDeviceSetting* m_pLinkDevicePage = nullptr;
  std::mutex m_replyMutex;
  std::size_t m_nReplyLength = 0;  // text length the receive thread appends at
  std::mutex m_passMutex;          // guards the two pass fields below
  std::condition_variable m_passEnded;
  bool m_bReceivePassActive = false;
  int m_nReceivePassWaiters = 0;
  char m_szNotConnected[14] = "Not Connected";
  // ---------------------------------------------------------------------
  // End of the command layer block.
  // ---------------------------------------------------------------------

 public:
  // ---------------------------------------------------------------------
  // Log sectors and TRL files (methods in logger/LogSectorParse.cpp and
  // logger/TrackFileWriter.cpp).
  // ---------------------------------------------------------------------
  static constexpr int kLogSectorSize = 0x10000;
  static constexpr int kSectorHeaderSize = 512;
  static constexpr int kSectorSlots = (kLogSectorSize - kSectorHeaderSize) / kTrackRecordSize;
  static constexpr int kLogMemorySize = 0x200000;
  static constexpr int kMaxLogEntries = kLogMemorySize / kTrackRecordSize;

  // Empties the tables, names, counters and wrap state before a download.
  void ResetParseState();
  // Copies the sector's slots that are neither filler nor erased, packed, to
  // the start of out (kSectorSlots records at most); returns their number.
  static int FilterSectorRecords(const BYTE* sector, BYTE* out);
  // Adds one 64 KB sector's slots to the record table and rebuilds the
  // ordered table.
  void ParseSector(const BYTE* sector);
  static BYTE CheckRecordXor(const BYTE* record);
  // Cuts the ordered table into segment files, the Total file (when
  // m_bWriteTotal is set) and the Waypoints file (when waypoints were seen).
  // prefix is the track-log folder followed by the separator. FALSE when a
  // file could not be written; m_strTrackFileError then says which and why.
  BOOL WriteTrackFiles(const std::string& prefix);
  // Writes every one of the buffer's 4096 slots that is neither all 0xFF nor
  // all 0x00; FALSE when a write fails.
  static BOOL WriteRecords(const BYTE* buffer, std::FILE* stream);

  // Parser state.
  std::unique_ptr<TrackRecord[]> m_recordTable{new TrackRecord[kMaxLogEntries]()};
  std::unique_ptr<int[]> m_waypointFlags{new int[kMaxLogEntries]()};
  std::unique_ptr<TrackRecord[]> m_orderedTable{new TrackRecord[kMaxLogEntries]()};
  std::unique_ptr<int[]> m_orderedWaypointFlags{new int[kMaxLogEntries]()};
  int m_nEntryCount = 0;
  int m_nSegmentMarkerCount = 0;
  int m_nWaypointCount = 0;
  int m_nValidRecordCount = 0;
  int m_nPreviousTime = 0;
  int m_nCurrentTime = 0;
  int m_bWrapped = 0;
  int m_nWrapStart = 0;
  int m_nWrapEnd = 0;
  // A WaypointMarker whose record has not been seen yet (it may be the first
  // slot of the next sector).
  int m_bWaypointPending = 0;
  // Names (without ".trl") of the files written by WriteTrackFiles; a
  // segment, Total or Waypoints file that was not written has an empty name.
  std::vector<std::string> m_segmentFileNames;
  std::string m_strTotalFileName;
  std::string m_strWaypointFileName;
  std::string m_strTrackFileError;
  int m_bWriteTotal = 0;
  // Download state that a new download starts from (reset here).
  int m_bChecksumGood = 1;
  int m_bResume = 0;
  int m_nNextPieceIndex = 0;
  // The status dialog of the current or last download.
  std::unique_ptr<CTrackLogFileStatusDlg> m_pFileStatusDlg;

 private:
  BOOL WriteTrackFile(const std::string& name, const std::string& data);
  // ---------------------------------------------------------------------
  // End of the log sectors block.
  // ---------------------------------------------------------------------
 public:
  // ---------------------------------------------------------------------
  // Chipset log download (methods in logger/LogDownload*.cpp).
  // ---------------------------------------------------------------------
  static constexpr UINT kWatchdogTimerId = 1324;
  static constexpr int kWatchdogPeriodMs = 15000;

  // Upload: opens the status dialog and starts the download worker.
  void OnUpload();
  static UINT DownloadLogThreadProc(LPVOID page);
  int DownloadLog();
  // The 4096 hexadecimal digits of the read reply for address, found at or
  // after from in the reply buffer; NULL on a damaged read reply (bad
  // checksum or length; m_bChecksumGood is then 0), a cancel, a closed port
  // or a logger that stays silent.
  char* WaitForReadReply(const char* from, int address);
  // outcome: 1 match, 2 mismatch, 3 no '*'. Sets m_bChecksumGood.
  void VerifyReplyChecksum(const char* sentence, int* outcome);
  UINT_PTR StartWatchdog(int periodMs, int timerId);
  BOOL StopWatchdog(int timerId);
  void OnTimer(UINT_PTR nIDEvent);
  LRESULT OnFileStatusClosed(WPARAM wParam, LPARAM lParam);
  // KML files of the TRL files just written; FALSE when one failed
  // (m_strDownloadError says which).
  BOOL ConvertTrackFiles();
  BOOL ConvertTrackFilesWithPhotos();
  // "Total mins: %M, secs: %S" with the whole minutes of the span.
  static std::string FormatElapsed(std::int64_t seconds);
  // Ends a running download and waits for its worker and receive threads;
  // the page calls it before it goes.
  void StopDownload();
  CWinThread* GetDownloadThread() const { return m_pDownloadThread; }

  // Watchdog period (tests shorten it) and the armed timer (0: none).
  int m_nWatchdogPeriodMs = kWatchdogPeriodMs;
  std::atomic<UINT_PTR> m_nWatchdogTimer{0};
  // Set when the page goes while a download runs: the worker then ends
  // without touching the link, the other pages or the user.
  std::atomic<int> m_bAbandonDownload{0};
  // The options dialog while it is open (ended when the page goes).
  std::atomic<CDialog*> m_pOptionsDlg{nullptr};
  // Choices of the options dialog for the current download.
  std::string m_strLogFolder;
  int m_bDumpFile = 0;
  std::string m_strPhotoFolder;
  int m_bPhotoFolderChosen = 0;
  // Why the last download failed to write its files (empty when it did not).
  std::string m_strDownloadError;

 private:
  CWnd* DownloadMainDialog() const;
  void EnableDownloadControls(BOOL enable);
  void SetTransferStatus(const std::string& text);
  void SetTransferProgress(int percent);
  void ReportFileError(const std::string& text);
  // Shows the download's first file failure on the status line again.
  void ShowDownloadFailure();
  void JoinReceiveThread();
  void StopArmedWatchdog();
  void RestoreLinkSpeed();
  void RestoreAfterDownload();
  // The settings object's heartbeat-stopped flag, set by the heartbeat thread.
  static bool HeartbeatStopped();
  // The Text and KML outputs of the options dialog get the whole track;
  // each replaces its chosen file only once written whole.
  BOOL WriteCombinedOutputs(CStepByStepDlg& options);
  BOOL ConvertOneTrackFile(const std::string& name, BOOL withPhotos);
  // The TRL files just written whose KML files are due, in conversion order.
  std::vector<std::string> FilesToConvert() const;
  // Converts them from the first on; after a failure, and for all of them
  // when skipAll is set, the status dialog names the KML files not made.
  BOOL ConvertFilesFrom(BOOL withPhotos, BOOL skipAll);
  // The photo page's KML for one TRL file, written beside kml and moved there.
  BOOL CombineTrackFileWithPhotos(const std::string& trl, const std::string& kml,
                                  std::string& error);

  CWinThread* m_pDownloadThread = nullptr;
  CWinThread* m_pReceiveThread = nullptr;

  // ---------------------------------------------------------------------
  // End of the chipset log download block.
  // ---------------------------------------------------------------------

 public:
  // ---------------------------------------------------------------------
  // The page: recording settings, Read, Apply and Clear (methods in
  // logger/PageMTKTracklogSetting.cpp and logger/MTKTracklogSettings.cpp).
  // ---------------------------------------------------------------------
  enum { IDD = IDD_PAGE_MTK_TRACKLOG_SETTING };
  explicit CPageMTKTracklogSetting(CWnd* pParent = nullptr) : CLoggerPage(IDD, pParent) {}

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  // A page never ends: Enter and Escape leave it as it is.
  void OnPageApply() override { ApplySettings(); }
  void OnPageDefaults() override { RestoreDefaults(); }

  void RestoreDefaults();
  // Sends the settings that differ from the values last sent or read; FALSE
  // when the logger did not take one (its cache then stays as it was).
  BOOL ApplySettings();
  // Reads log parameter 3 (interval) or 4 (distance) into the page; FALSE
  // when the logger did not answer.
  BOOL ReadLogParameter(int queryType, int parameterId);
  // Index in the interval list (0) or distance list (1, metres) of a value.
  static int ValueToListIndex(int list, int value);
  void LoadControlTexts();
  void ShowCachedSettings();
  void Reconnect();
  // 1 when the last sector of the log memory holds data, 0 when it is
  // erased or the logger does not answer.
  int IsLastSectorWritten();

  void OnEnableRecording();
  void OnRead();
  void OnClear();
  void OnPaint();
  void OnFullAndStop();
  void OnOverwrite();
  void OnSelchangeInterval();
  void OnSelchangeDistance();
  void OnByDistance();
  void OnBySecond();

  CButton m_btnEnable;         // 1001
  CButton m_btnByDistance;     // 1123
  CButton m_btnBySecond;       // 1122
  CStatic m_stClearLabel;      // 1039
  CStatic m_stUploadLabel;     // 1035
  CStatic m_stUnitLabel;       // 1033
  CStatic m_stSecLabel;        // 1176
  CStatic m_stDistanceEvery;   // 1127
  CStatic m_stSecondEvery;     // 1126
  CStatic m_stStyleGroup;      // 1041
  CStatic m_stProcessGroup;    // 1034
  CStatic m_stSettingGroup;    // 1031
  CButton m_btnClear;          // 1007
  CButton m_btnUpload;         // 1036
  CComboBox m_cbDistance;      // 1097
  CComboBox m_cbInterval;      // 1096
  CStatic m_stPercent;         // 1038
  CProgressCtrl m_progress;    // 1037
  CButton m_btnOverwrite;      // 1074
  CButton m_btnFullStop;       // 1073
  CStatic m_stSettingStatus;   // 1050
  CStatic m_stTransferStatus;  // 1048

  int m_nFullAndStop = 0;
  int m_nOverwrite = 0;
  int m_nByDistance = 0;
  int m_nBySecond = 0;
  CWnd* m_pMainDlg = nullptr;
  int m_bRecordEnabled = 0;
  int m_nLastCommandType = 0;
  int m_nLastCommandArg = 0;
  int m_nRecordMode = LOG_FULL_AND_STOP;
  int m_nIntervalSec = 0;  // seconds
  int m_nDistance = 0;     // tenths of a metre
  int m_nLogBy = 0;        // 0 by second, 1 by distance
  int m_bImperial = 0;     // distance list in feet
  std::string m_strText;

  DECLARE_MESSAGE_MAP()

 private:
  BOOL DevicePortOpen() const;
  // While the log downloads, Read, Apply and Clear leave the port alone.
  BOOL DownloadRunning() const;
  void EnableMainButtons(BOOL enable);
  // Stores the value of the selected list entry; none leaves it.
  void StoreSelectedValues();
  // ---------------------------------------------------------------------
  // End of the page block.
  // ---------------------------------------------------------------------
};

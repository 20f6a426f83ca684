// A simulated GPS logger on a pseudo-terminal. The program (or a test) opens
// PortPath() like a real serial port; the logger answers the sentences it
// knows within a few milliseconds, in raw mode.
//
// Extending it: sentence handlers are registered by prefix with AddHandler
// (a later handler is tried before an earlier one, so it can override). A
// binary exchange sees the incoming bytes with AddByteHandler (it is offered
// every chunk first and keeps the chunks it claims, for example from its own
// handshake on), or takes the whole stream with SetRawHandler until it hands
// back with SetRawHandler({}). Extensions live in their own files
// under tests/sim/ and offer an Install...(SimLogger&) function; the
// standalone simulator calls them from InstallSimExtensions (SimExtensions.cpp).
// Files here are also built into the standalone simulator: no GoogleTest.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sim {

enum class Model { R710, TX380, R3500, R3300D };

// Name the model gives in its "$PVNT852" reply.
const char* ModelReplyName(Model model);

// Misbehaviour switches of the line; all off by default.
struct Faults {
  bool silent = false;          // answer nothing
  bool echo = false;            // send every received sentence back first
  int straySentences = 0;       // unrelated sentences sent before each reply
  bool badChecksum = false;     // replies carry a wrong checksum
  int splitAt = -1;             // split each reply after this many bytes...
  bool splitAfterStar = false;  // ...or just after its '*'
  int splitDelayMs = 100;       // pause between the two parts of a split reply
  int garbageBytes = 0;         // random bytes sent before each reply
  int replyDelayMs = 0;         // pause before each reply
  int vanishAfterBytes = -1;    // the port vanishes after this many reply bytes
  bool checkLineSpeed = true;   // ignore input while the line rates differ
};

class SimLogger {
 public:
  // Sentence: from '$' up to (not including) CR LF, checksum included.
  using SentenceHandler = std::function<bool(SimLogger&, const std::string& sentence)>;
  using RawHandler = std::function<void(SimLogger&, const std::uint8_t* data, std::size_t size)>;
  // Applied to every reply sentence before it is sent (may corrupt or drop it).
  using ReplyFilter = std::function<std::string(const std::string& sentence)>;

  explicit SimLogger(Model model = Model::TX380);
  ~SimLogger();
  SimLogger(const SimLogger&) = delete;
  SimLogger& operator=(const SimLogger&) = delete;

  bool Ok() const { return m_master >= 0; }
  const std::string& PortPath() const { return m_path; }

  void AddHandler(const std::string& prefix, SentenceHandler handler);
  void SetRawHandler(RawHandler handler);
  // Offered each incoming chunk before anything else; returns true when it
  // has taken the chunk (it answers through Send itself).
  using ByteHandler = std::function<bool(SimLogger&, const std::uint8_t* data, std::size_t size)>;
  void AddByteHandler(ByteHandler handler);
  void SetReplyFilter(ReplyFilter filter);

  // Output, through pacing and the vanish switch. SendSentence adds the
  // checksum and CR LF and applies the reply faults.
  void Send(const std::string& bytes);
  void SendSentence(const std::string& body);
  static std::string WithChecksum(const std::string& body);
  // True when the sentence's checksum is right.
  static bool ChecksumOk(const std::string& sentence);

  // The logger's state.
  void SetModel(Model model);
  Model GetModel() const;
  void SetVersions(const std::string& firmware, const std::string& hardware);
  std::string Firmware() const;
  std::string Hardware() const;
  void SetAnswersModelQuery(bool answers);
  bool AnswersModelQuery() const;
  void SetLogImage(std::vector<std::uint8_t> image);
  std::vector<std::uint8_t> LogImage() const;
  void SetLogParameter(int id, std::uint32_t value);
  std::uint32_t LogParameter(int id) const;
  unsigned Baud() const { return m_baud; }
  void SetBaud(unsigned baud) { m_baud = baud; }
  void SetEraseDelayMs(int ms) { m_eraseDelayMs = ms; }
  int EraseDelayMs() const { return m_eraseDelayMs; }

  // A pause the logger takes on purpose (a slow reply, a reply in parts, the
  // line's pace). Handlers pause through it so that WaitUntilInputHandled
  // does not wait for them.
  void Pause(int ms);
  // Waits until the logger has read everything the program wrote to the line
  // so far and has handled it, up to the logger's own pauses and a line that
  // is full. A test whose program waits are shortened waits for this in its
  // sleep function: the program's waits are there to give the logger time to
  // answer, and this gives it that time however busy the machine is. False
  // when timeoutMs passed first.
  bool WaitUntilInputHandled(int timeoutMs);
  // A program wait that a test shortens to 1/divisor of its ms: the logger
  // first handles what it was sent (bounded at 30 s), as the whole wait
  // would let it; so the answer is in before the program polls.
  void ShortenedWait(unsigned ms, int divisor);

  void SetFaults(const Faults& faults);
  Faults GetFaults() const;
  // Line pacing: replies go out at the bytes per second of the set rate.
  void SetPacing(bool on) { m_pacing = on; }
  bool Pacing() const { return m_pacing; }

  // The port disappears now (as a USB adapter pulled out).
  void Vanish();
  // True once the port is gone: its line is closed and every later transfer
  // of the program fails.
  bool Vanished() const { return m_vanished && m_closed; }

  // Sentences received (checksum good or not), in order.
  std::vector<std::string> Received() const;
  void ClearReceived();
  // Waits until a sentence starting with prefix has been received.
  bool WaitForSentence(const std::string& prefix, int timeoutMs) const;
  int CountReceived(const std::string& prefix) const;

 private:
  void Run();
  void Dispatch(const std::string& sentence);
  void OnBytes(const std::uint8_t* data, std::size_t size);
  void WriteAll(const std::string& bytes);
  bool LineSpeedMatches() const;
  void CloseFds();

  int m_master = -1;
  int m_slave = -1;
  std::string m_path;
  std::thread m_thread;
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_vanished{false};
  std::atomic<bool> m_closed{false};
  std::atomic<bool> m_pacing{false};
  std::atomic<unsigned> m_baud{38400};
  std::atomic<int> m_eraseDelayMs{0};
  std::atomic<long> m_vanishBudget{-1};
  // Set while the logger's thread reads and handles a chunk of input; the
  // count of its pauses in progress.
  std::atomic<bool> m_handling{false};
  std::atomic<int> m_pausing{0};

  mutable std::mutex m_mutex;  // state below
  mutable std::condition_variable m_receivedCv;
  Model m_model;
  std::string m_firmware = "101";
  std::string m_hardware = "023";
  bool m_answersModelQuery = true;
  std::vector<std::uint8_t> m_image;
  std::map<int, std::uint32_t> m_params;
  Faults m_faults;
  std::vector<std::string> m_received;
  std::vector<std::pair<std::string, SentenceHandler>> m_handlers;
  RawHandler m_raw;
  std::vector<ByteHandler> m_byteHandlers;
  ReplyFilter m_filter;
  std::string m_line;  // sentence being received

  std::mutex m_writeMutex;
};

// The chipset and maker sentences every simulated logger answers.
void InstallStandardHandlers(SimLogger& logger);

}  // namespace sim

#include "sim/SimLogger.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <random>

#include "platform/SerialPort.h"

namespace sim {

namespace {

constexpr std::size_t kLogImageSize = 0x200000;
constexpr std::size_t kMaxLine = 16384;

void SleepMs(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Counts a pause of the logger for the time it lasts.
class PauseScope {
 public:
  explicit PauseScope(std::atomic<int>& pausing) : m_pausing(pausing) { ++m_pausing; }
  ~PauseScope() { --m_pausing; }
  PauseScope(const PauseScope&) = delete;
  PauseScope& operator=(const PauseScope&) = delete;

 private:
  std::atomic<int>& m_pausing;
};

}  // namespace

const char* ModelReplyName(Model model) {
  switch (model) {
    case Model::R710:
      return "TX370";
    case Model::TX380:
      return "TX380";
    case Model::R3500:
      return "R3500";
    case Model::R3300D:
      return "R3300D";
  }
  return "";
}

SimLogger::SimLogger(Model model) : m_model(model), m_image(kLogImageSize, 0xFF) {
  m_params = {{3, 50}, {4, 1000}, {6, 1}, {8, 0}};
  int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) return;
  char name[128];
  if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
    ::close(master);
    return;
  }
  // The logger's end stays open so the line lives while no program has it,
  // and starts raw so nothing is echoed or translated.
  int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave < 0) {
    ::close(master);
    return;
  }
  ConfigureSerialLine(slave, m_baud);
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  m_master = master;
  m_slave = slave;
  m_path = name;
  InstallStandardHandlers(*this);
  m_thread = std::thread([this] { Run(); });
}

SimLogger::~SimLogger() {
  m_stop = true;
  if (m_thread.joinable()) m_thread.join();
  CloseFds();
}

void SimLogger::CloseFds() {
  std::lock_guard lock(m_writeMutex);
  if (m_master >= 0) ::close(m_master);
  if (m_slave >= 0) ::close(m_slave);
  m_master = m_slave = -1;
  m_closed = true;
}

void SimLogger::Vanish() {
  m_vanished = true;
  m_stop = true;
  if (m_thread.joinable() && std::this_thread::get_id() != m_thread.get_id()) m_thread.join();
  CloseFds();
}

void SimLogger::AddHandler(const std::string& prefix, SentenceHandler handler) {
  std::lock_guard lock(m_mutex);
  m_handlers.insert(m_handlers.begin(), {prefix, std::move(handler)});
}

void SimLogger::SetRawHandler(RawHandler handler) {
  std::lock_guard lock(m_mutex);
  m_raw = std::move(handler);
  m_line.clear();
}

void SimLogger::AddByteHandler(ByteHandler handler) {
  std::lock_guard lock(m_mutex);
  m_byteHandlers.push_back(std::move(handler));
}

void SimLogger::SetReplyFilter(ReplyFilter filter) {
  std::lock_guard lock(m_mutex);
  m_filter = std::move(filter);
}

std::string SimLogger::WithChecksum(const std::string& body) {
  unsigned sum = 0;
  for (std::size_t i = 1; i < body.size(); ++i) sum ^= static_cast<unsigned char>(body[i]);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  return body + tail;
}

bool SimLogger::ChecksumOk(const std::string& sentence) {
  auto star = sentence.find('*');
  if (sentence.empty() || sentence[0] != '$' || star == std::string::npos ||
      star + 3 > sentence.size())
    return false;
  std::string expected = WithChecksum(sentence.substr(0, star));
  return expected.compare(0, star + 3, sentence, 0, star + 3) == 0;
}

void SimLogger::Send(const std::string& bytes) {
  if (m_vanished) return;
  long budget = m_vanishBudget;
  if (budget >= 0) {
    // The adapter is pulled out in the middle of what it was sending.
    std::size_t n = std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(budget));
    WriteAll(bytes.substr(0, n));
    m_vanishBudget = budget - static_cast<long>(n);
    if (n < bytes.size() || budget - static_cast<long>(n) <= 0) {
      m_vanished = true;
      m_stop = true;
      // Give the program a moment to read what got out, then hang up.
      SleepMs(20);
      CloseFds();
    }
    return;
  }
  WriteAll(bytes);
}

void SimLogger::WriteAll(const std::string& bytes) {
  const bool pace = m_pacing;
  const unsigned rate = std::max(1u, m_baud.load() / 10);  // bytes per second
  std::size_t pos = 0;
  auto lastProgress = std::chrono::steady_clock::now();
  const auto paceStart = lastProgress;
  while (pos < bytes.size()) {
    std::size_t piece = bytes.size() - pos;
    if (pace) piece = std::min<std::size_t>(piece, std::max(1u, rate / 200));  // 5 ms worth
    ssize_t n;
    {
      std::lock_guard lock(m_writeMutex);
      if (m_master < 0) return;
      n = ::write(m_master, bytes.data() + pos, piece);
    }
    if (n > 0) {
      pos += static_cast<std::size_t>(n);
      lastProgress = std::chrono::steady_clock::now();
      if (pace) {
        PauseScope pausing(m_pausing);
        std::this_thread::sleep_until(paceStart +
                                      std::chrono::microseconds(1000000ULL * pos / rate));
      }
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return;
    // The program is not reading: wait, but not for ever.
    if (m_stop || std::chrono::steady_clock::now() - lastProgress > std::chrono::seconds(5)) return;
    PauseScope pausing(m_pausing);
    SleepMs(1);
  }
}

void SimLogger::SendSentence(const std::string& body) {
  Faults f;
  ReplyFilter filter;
  {
    std::lock_guard lock(m_mutex);
    f = m_faults;
    filter = m_filter;
  }
  if (f.silent) return;
  Pause(f.replyDelayMs);
  // What goes before the reply leaves in the same write, so it reaches the
  // program in the same read.
  std::string lead;
  if (f.garbageBytes > 0) {
    static thread_local std::mt19937 rng(12345);
    for (int i = 0; i < f.garbageBytes; ++i) {
      char c = static_cast<char>(rng() & 0xFF);
      lead += (c == '$' || c == '\0') ? '#' : c;  // junk that does not start or end a text
    }
  }
  for (int i = 0; i < f.straySentences; ++i)
    lead += WithChecksum("$GPGSA,A,3,,,,,,,,,,,,,1.0,1.0,1.0");
  std::string sentence = WithChecksum(body);
  if (f.badChecksum) {
    auto star = sentence.rfind('*');
    sentence[star + 2] = sentence[star + 2] == '0' ? '1' : '0';
  }
  if (filter) sentence = filter(sentence);
  std::size_t split = std::string::npos;
  if (f.splitAfterStar)
    split = sentence.rfind('*') + 1;
  else if (f.splitAt >= 0)
    split = std::min<std::size_t>(static_cast<std::size_t>(f.splitAt), sentence.size());
  if (split == std::string::npos) {
    Send(lead + sentence);
    return;
  }
  Send(lead + sentence.substr(0, split));
  Pause(f.splitDelayMs);
  Send(sentence.substr(split));
}

bool SimLogger::LineSpeedMatches() const {
  DWORD baud = 0;
  if (m_slave < 0 || !GetSerialSpeed(m_slave, baud)) return true;
  return baud == m_baud;
}

void SimLogger::Run() {
  std::vector<std::uint8_t> chunk(4096);
  while (!m_stop) {
    pollfd pfd{m_master, POLLIN, 0};
    if (::poll(&pfd, 1, 5) <= 0) continue;
    // Marked before the read: input that has left the line is being handled.
    m_handling = true;
    ssize_t n = ::read(m_master, chunk.data(), chunk.size());
    if (n > 0) OnBytes(chunk.data(), static_cast<std::size_t>(n));
    m_handling = false;
    if (n < 0 && errno != EAGAIN && errno != EINTR) SleepMs(5);
  }
}

void SimLogger::ShortenedWait(unsigned ms, int divisor) {
  WaitUntilInputHandled(30000);
  std::this_thread::sleep_for(std::chrono::microseconds(1000LL * ms / divisor));
}

void SimLogger::Pause(int ms) {
  PauseScope pausing(m_pausing);
  SleepMs(ms);
}

bool SimLogger::WaitUntilInputHandled(int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    // A logger that pauses, or waits for room on a full line, reads the rest
    // later, as a real one finishes what it sends first.
    if (m_stop || m_pausing > 0) return true;
    bool unread = false;
    {
      std::lock_guard lock(m_writeMutex);  // the line may be closing
      if (m_master >= 0) {
        // A poll of the line also takes in what is still on its way to it.
        pollfd pfd{m_master, POLLIN, 0};
        unread = ::poll(&pfd, 1, 0) > 0 && (pfd.revents & POLLIN);
      }
    }
    // Looked at after the line: what left it was read while this was set.
    if (!unread && !m_handling) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
}

void SimLogger::OnBytes(const std::uint8_t* data, std::size_t size) {
  RawHandler raw;
  std::vector<ByteHandler> byteHandlers;
  bool checkSpeed;
  {
    std::lock_guard lock(m_mutex);
    raw = m_raw;
    byteHandlers = m_byteHandlers;
    checkSpeed = m_faults.checkLineSpeed;
  }
  // Bytes sent at another rate than the logger's arrive as noise.
  if (checkSpeed && !LineSpeedMatches()) return;
  for (auto& handler : byteHandlers)
    if (handler(*this, data, size)) return;
  if (raw) {
    raw(*this, data, size);
    return;
  }
  for (std::size_t i = 0; i < size; ++i) {
    char c = static_cast<char>(data[i]);
    std::string sentence;
    {
      std::lock_guard lock(m_mutex);
      if (m_raw) {
        // A handler switched to a binary exchange: the rest goes to it.
        raw = m_raw;
      } else if (c == '$') {
        m_line = "$";
      } else if (!m_line.empty()) {
        if (c == '\n') {
          sentence = m_line;
          if (!sentence.empty() && sentence.back() == '\r') sentence.pop_back();
          m_line.clear();
        } else if (m_line.size() < kMaxLine) {
          m_line += c;
        } else {
          m_line.clear();
        }
      }
    }
    if (raw) {
      raw(*this, data + i, size - i);
      return;
    }
    if (!sentence.empty()) Dispatch(sentence);
  }
}

void SimLogger::Dispatch(const std::string& sentence) {
  std::vector<std::pair<std::string, SentenceHandler>> handlers;
  bool echo;
  {
    std::lock_guard lock(m_mutex);
    m_received.push_back(sentence);
    handlers = m_handlers;
    echo = m_faults.echo;
  }
  m_receivedCv.notify_all();
  if (echo) Send(sentence + "\r\n");
  if (!ChecksumOk(sentence)) return;  // a real logger drops a damaged sentence
  for (auto& [prefix, handler] : handlers)
    if (sentence.compare(0, prefix.size(), prefix) == 0 && handler(*this, sentence)) return;
}

void SimLogger::SetModel(Model model) {
  std::lock_guard lock(m_mutex);
  m_model = model;
}
Model SimLogger::GetModel() const {
  std::lock_guard lock(m_mutex);
  return m_model;
}
void SimLogger::SetVersions(const std::string& firmware, const std::string& hardware) {
  std::lock_guard lock(m_mutex);
  m_firmware = firmware;
  m_hardware = hardware;
}
std::string SimLogger::Firmware() const {
  std::lock_guard lock(m_mutex);
  return m_firmware;
}
std::string SimLogger::Hardware() const {
  std::lock_guard lock(m_mutex);
  return m_hardware;
}
void SimLogger::SetAnswersModelQuery(bool answers) {
  std::lock_guard lock(m_mutex);
  m_answersModelQuery = answers;
}
bool SimLogger::AnswersModelQuery() const {
  std::lock_guard lock(m_mutex);
  return m_answersModelQuery;
}
void SimLogger::SetLogImage(std::vector<std::uint8_t> image) {
  std::lock_guard lock(m_mutex);
  m_image = std::move(image);
}
std::vector<std::uint8_t> SimLogger::LogImage() const {
  std::lock_guard lock(m_mutex);
  return m_image;
}
void SimLogger::SetLogParameter(int id, std::uint32_t value) {
  std::lock_guard lock(m_mutex);
  m_params[id] = value;
}
std::uint32_t SimLogger::LogParameter(int id) const {
  std::lock_guard lock(m_mutex);
  auto it = m_params.find(id);
  return it == m_params.end() ? 0 : it->second;
}
void SimLogger::SetFaults(const Faults& faults) {
  std::lock_guard lock(m_mutex);
  m_faults = faults;
  m_vanishBudget = faults.vanishAfterBytes;
}
Faults SimLogger::GetFaults() const {
  std::lock_guard lock(m_mutex);
  return m_faults;
}

std::vector<std::string> SimLogger::Received() const {
  std::lock_guard lock(m_mutex);
  return m_received;
}
void SimLogger::ClearReceived() {
  std::lock_guard lock(m_mutex);
  m_received.clear();
}
int SimLogger::CountReceived(const std::string& prefix) const {
  std::lock_guard lock(m_mutex);
  return static_cast<int>(std::count_if(m_received.begin(), m_received.end(), [&](const auto& s) {
    return s.compare(0, prefix.size(), prefix) == 0;
  }));
}
bool SimLogger::WaitForSentence(const std::string& prefix, int timeoutMs) const {
  std::unique_lock lock(m_mutex);
  return m_receivedCv.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    return std::any_of(m_received.begin(), m_received.end(),
                       [&](const auto& s) { return s.compare(0, prefix.size(), prefix) == 0; });
  });
}

}  // namespace sim

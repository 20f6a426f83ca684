// Entry points of the flashing library, exported by ordinal name.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "flashlib/FlashExchange.h"
#include "flashlib/FlashFiles.h"
#include "flashlib/FlashLibApi.h"
#include "flashlib/FlashSerial.h"

#define FLASHLIB_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr std::uint32_t AGENT_MAGIC = 0x41474E54;  // tags telling the two handle kinds apart
constexpr std::uint32_t DOWNLOAD_MAGIC = 0x444C4F44;
constexpr std::size_t MAX_IMAGE_FILE = 16 * 1024 * 1024;
constexpr int LINK_BAUD = 38400;  // the logger's own rate: the handshake is a sentence

struct Agent {
  std::uint32_t magic = AGENT_MAGIC;
  std::uint32_t family = 0;
  bool loaded = false;
  flashfiles::AgentFile file;
};

struct Region {
  flashfiles::Region layout;
  bool loaded = false;
  bool enabled = false;
  std::vector<std::uint8_t> image;
};

struct Download {
  std::uint32_t magic = DOWNLOAD_MAGIC;
  std::uint32_t blockSize = 256;
  std::vector<Region> regions;
};

Agent* AsAgent(FlashHandle h) {
  auto* a = static_cast<Agent*>(h);
  return (a && a->magic == AGENT_MAGIC) ? a : nullptr;
}

Download* AsDownload(FlashHandle h) {
  auto* d = static_cast<Download*>(h);
  return (d && d->magic == DOWNLOAD_MAGIC) ? d : nullptr;
}

std::uint16_t ChipOfFamily(std::uint32_t family) {
  if (family == FLASH_FAMILY_MT3318) return 3318;
  if (family == FLASH_FAMILY_MT3329) return 3329;
  return 0;
}

std::uint16_t ChipOfKind(std::uint32_t kind) {
  if (kind == FLASH_CHIP_MT3318) return 3318;
  if (kind == FLASH_CHIP_MT3329) return 3329;
  return 0;
}

int Timeout(std::uint32_t given, int fallback) {
  return (given == 0 || given >= FLASH_DEFAULT_TIMEOUT) ? fallback : static_cast<int>(given);
}

}  // namespace

FLASHLIB_EXPORT void flashlib_ordinal_25(FlashHandle* agent) {
  if (agent) *agent = new Agent;
}

FLASHLIB_EXPORT void flashlib_ordinal_13(FlashHandle* download) {
  if (download) *download = new Download;
}

FLASHLIB_EXPORT std::int32_t flashlib_ordinal_29(FlashHandle agent, std::uint32_t family) {
  Agent* a = AsAgent(agent);
  if (!a) return FLASH_ERR_HANDLE;
  if (!ChipOfFamily(family)) return FLASH_ERR_FAMILY;
  a->family = family;
  return FLASH_OK;
}

FLASHLIB_EXPORT std::int32_t flashlib_ordinal_31(FlashHandle agent, const char* path) {
  Agent* a = AsAgent(agent);
  if (!a) return FLASH_ERR_HANDLE;
  a->loaded = false;
  std::vector<std::uint8_t> bytes;
  if (!path || !*path ||
      !flashfiles::ReadWholeFile(path, bytes,
                                 flashfiles::AGENT_HEADER_SIZE + flashfiles::MAX_AGENT_CODE))
    return FLASH_ERR_OPEN;
  flashfiles::AgentFile file;
  if (std::int32_t r = flashfiles::ParseAgentFile(bytes, file); r != FLASH_OK) return r;
  if (a->family == 0 || file.family != a->family || file.chip != ChipOfFamily(a->family))
    return FLASH_ERR_FAMILY;
  a->file = std::move(file);
  a->loaded = true;
  return FLASH_OK;
}

FLASHLIB_EXPORT std::int32_t flashlib_ordinal_15(FlashHandle download, const char* path) {
  Download* d = AsDownload(download);
  if (!d) return FLASH_ERR_HANDLE;
  std::vector<std::uint8_t> bytes;
  if (!path || !*path || !flashfiles::ReadWholeFile(path, bytes, 64 * 1024)) return FLASH_ERR_OPEN;
  std::vector<flashfiles::Region> layout;
  if (std::int32_t r = flashfiles::ParseScatter(std::string(bytes.begin(), bytes.end()), layout);
      r != FLASH_OK)
    return r;
  d->regions.clear();
  for (auto& l : layout) d->regions.push_back(Region{l, false, false, {}});
  return FLASH_OK;
}

FLASHLIB_EXPORT std::int32_t flashlib_ordinal_47(FlashHandle download, std::uint32_t blockSize) {
  Download* d = AsDownload(download);
  if (!d) return FLASH_ERR_HANDLE;
  if (blockSize < 16 || blockSize > 1024) return FLASH_ERR_ARGUMENT;
  d->blockSize = blockSize;
  return FLASH_OK;
}

FLASHLIB_EXPORT std::int32_t flashlib_ordinal_20(FlashHandle download, std::uint32_t region,
                                                 const char* path) {
  Download* d = AsDownload(download);
  if (!d) return FLASH_ERR_HANDLE;
  if (d->regions.empty()) return FLASH_ERR_NO_SCATTER;
  if (region >= d->regions.size()) return FLASH_ERR_REGION;
  Region& r = d->regions[region];
  r.loaded = false;
  r.image.clear();
  std::vector<std::uint8_t> bytes;
  if (!path || !*path || !flashfiles::ReadWholeFile(path, bytes, MAX_IMAGE_FILE))
    return FLASH_ERR_OPEN;
  if (bytes.empty()) return FLASH_ERR_FORMAT;
  if (bytes.size() > r.layout.length) return FLASH_ERR_TOO_LARGE;
  r.image = std::move(bytes);
  r.loaded = true;
  return FLASH_OK;
}

FLASHLIB_EXPORT std::int32_t flashlib_ordinal_50(FlashHandle download, std::uint32_t region,
                                                 std::uint32_t enable) {
  Download* d = AsDownload(download);
  if (!d) return FLASH_ERR_HANDLE;
  if (region >= d->regions.size()) return FLASH_ERR_REGION;
  d->regions[region].enabled = enable != 0;
  return FLASH_OK;
}

FLASHLIB_EXPORT std::int32_t flashlib_ordinal_10(FlashPortArg* port, FlashAgentArg* agentArg,
                                                 FlashImageArg* imageArg, std::int32_t* out,
                                                 FlashResult* result) {
  FlashResult local{};
  FlashResult& res = result ? *result : local;
  res = FlashResult{};
  auto finish = [&](std::int32_t code) {
    res.nError = static_cast<std::uint32_t>(code);
    if (out) *out = static_cast<std::int32_t>(res.nStage);
    return code;
  };
  if (!port || !agentArg || !imageArg) return finish(FLASH_DL_BAD_ARGUMENT);
  Agent* agent = AsAgent(agentArg->hAgent);
  Download* download = AsDownload(imageArg->hDownload);
  if (!agent || !agent->loaded || !download) return finish(FLASH_DL_BAD_ARGUMENT);
  const Region* region = nullptr;
  for (const Region& r : download->regions)
    if (r.enabled && r.loaded) {
      region = &r;
      break;
    }
  if (!region) return finish(FLASH_DL_BAD_ARGUMENT);
  if (ChipOfKind(port->nChipKind) != agent->file.chip) return finish(FLASH_DL_CHIP);
  if (imageArg->nFlashSize != 0 && region->image.size() > imageArg->nFlashSize)
    return finish(FLASH_DL_IMAGE_REFUSED);

  res.nStage = FLASH_STAGE_PORT;
  flashlib::SerialTransport link;
  if (port->nPortNumber == 0 || !link.Open(flashlib::ComPortDevice(port->nPortNumber), LINK_BAUD))
    return finish(FLASH_DL_PORT);

  flashlib::ExchangeParams p;
  p.agentChip = agent->file.chip;
  p.agentCode = agent->file.code;
  p.image = region->image;
  p.loadAddress = region->layout.start;
  p.blockSize = download->blockSize;
  p.checkAgent = agentArg->bCheckAgent != 0;
  p.verify = imageArg->bVerify != 0;
  p.restart = imageArg->bRestart != 0;
  p.handshakeTimeoutMs = Timeout(agentArg->nHandshakeTimeoutMs, 3000);
  p.replyTimeoutMs = Timeout(port->nReadTimeoutMs, 3000);
  p.agentInit = agentArg->pfnInit;
  p.agentInitContext = agentArg->pInitContext;
  p.imageInit = imageArg->pfnInit;
  p.imageInitContext = imageArg->pInitContext;
  if (agentArg->bReportProgress) {
    p.agentProgress = agentArg->pfnProgress;
    p.agentProgressContext = agentArg->pProgressContext;
    p.imageProgress = imageArg->pfnProgress;
    p.imageProgressContext = imageArg->pProgressContext;
  }
  return finish(flashlib::RunExchange(link, p, res));
}

FLASHLIB_EXPORT std::int32_t flashlib_ordinal_33(FlashHandle agent) {
  Agent* a = AsAgent(agent);
  if (!a) return FLASH_ERR_HANDLE;
  a->loaded = false;
  a->file = {};
  return FLASH_OK;
}

FLASHLIB_EXPORT std::int32_t flashlib_ordinal_22(FlashHandle download, std::uint32_t region) {
  Download* d = AsDownload(download);
  if (!d) return FLASH_ERR_HANDLE;
  if (region >= d->regions.size()) return FLASH_ERR_REGION;
  d->regions[region].loaded = false;
  d->regions[region].image.clear();
  return FLASH_OK;
}

FLASHLIB_EXPORT void flashlib_ordinal_26(FlashHandle* agent) {
  if (!agent) return;
  if (Agent* a = AsAgent(*agent)) {
    a->magic = 0;
    delete a;
  }
  *agent = nullptr;
}

FLASHLIB_EXPORT void flashlib_ordinal_14(FlashHandle* download) {
  if (!download) return;
  if (Download* d = AsDownload(*download)) {
    d->magic = 0;
    delete d;
  }
  *download = nullptr;
}

#include "firmware/FlashSession.h"

#include <cstring>
#include <filesystem>

#include "platform/Sleep.h"

namespace {

bool Failed(std::int32_t result) { return (result & 0xFF00) != 0; }

}  // namespace

DWORD CFlashSession::FamilyOfModel(int model) {
  if (model == 3 || model == 4) return FLASH_FAMILY_MT3318;
  if (model == 5 || model == 6) return FLASH_FAMILY_MT3329;
  return 0;
}

DWORD CFlashSession::ChipKindOfModel(int model) {
  if (model == 3 || model == 4) return FLASH_CHIP_MT3318;
  if (model == 5 || model == 6) return FLASH_CHIP_MT3329;
  return 0;
}

std::string CFlashSession::FindFirstFile(const std::string& folder, const std::string& prefix,
                                         const std::string& suffix) {
  std::error_code ec;
  std::string first;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() >= prefix.size() + suffix.size() &&
        name.compare(0, prefix.size(), prefix) == 0 &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0 &&
        entry.is_regular_file(ec) && (first.empty() || name < first))
      first = name;
  }
  return first;
}

BOOL CFlashSession::Prepare(const std::string& imagePath, int model, const char* agentPrefix) {
  m_hAgent = nullptr;
  m_hDownload = nullptr;
  m_bAgentLoaded = 0;
  m_bImageLoaded = 0;
  m_nDownloadOut = 0;
  m_missing = Missing::None;
  m_strMissingFile.clear();
  m_szProgramFolder = m_strFolder.empty() ? GetProgramFolder() : m_strFolder;
  if (!m_library.Load(m_szProgramFolder)) {
    m_missing = Missing::Library;
    return FALSE;
  }
  m_library.CreateAgent(&m_hAgent);
  m_library.CreateDownload(&m_hDownload);
  LoadDownloadAgent(model, agentPrefix);
  LoadScatterFile();
  m_library.SetBlockSize(m_hDownload, 256);
  const std::int32_t r = m_library.LoadImage(m_hDownload, 0, imagePath.c_str());
  m_library.EnableRegion(m_hDownload, 0, 1);
  if (!Failed(r)) {
    m_bImageLoaded = 1;
    m_bImageOk = 1;
  }
  return m_missing == Missing::None;
}

void CFlashSession::LoadDownloadAgent(int model, const char* agentPrefix) {
  m_szProgramFolder = m_strFolder.empty() ? GetProgramFolder() : m_strFolder;
  const DWORD family = FamilyOfModel(model);
  m_szAgentPath.clear();
  std::string prefix = agentPrefix;
  if (family) {
    prefix += family == FLASH_FAMILY_MT3318 ? "MT3318_" : "MT3329_";
    const std::string name = FindFirstFile(m_szProgramFolder, prefix, ".bin");
    if (!name.empty()) m_szAgentPath = m_szProgramFolder + "/" + name;
    m_library.SetAgentFamily(m_hAgent, family);
  }
  if (m_szAgentPath.empty()) {
    m_missing = Missing::Agent;
    m_strMissingFile = m_szProgramFolder + "/" + prefix + "*.bin";
  }
  const std::int32_t r = m_library.LoadAgent(m_hAgent, m_szAgentPath.c_str());
  if (!Failed(r)) {
    m_bAgentLoaded = 1;
    m_bAgentOk = 1;
  }
}

void CFlashSession::LoadScatterFile() {
  m_szScatterPath = m_szProgramFolder + "/scat.txt";
  if (Failed(m_library.SetScatter(m_hDownload, m_szScatterPath.c_str())) &&
      m_missing == Missing::None) {
    m_missing = Missing::Scatter;
    m_strMissingFile = m_szScatterPath;
  }
}

BOOL CFlashSession::RunDownload(int portNumber, int model, const Callbacks& cb) {
  m_portArg = FlashPortArg{};
  m_agentArg = FlashAgentArg{};
  m_imageArg = FlashImageArg{};
  m_flashResult = FlashResult{};
  m_nDownloadOut = 0;

  m_portArg.nPortNumber = static_cast<std::uint8_t>(portNumber);
  m_portArg.nChipKind = ChipKindOfModel(model);
  m_portArg.nReadTimeoutMs = FLASH_DEFAULT_TIMEOUT;
  m_portArg.nWriteTimeoutMs = FLASH_DEFAULT_TIMEOUT;

  m_agentArg.hAgent = m_hAgent;
  m_agentArg.pfnInit = cb.daInit;
  m_agentArg.pInitContext = cb.context;
  m_agentArg.pfnProgress = cb.daProgress;
  m_agentArg.pProgressContext = cb.context;
  m_agentArg.nHandshakeTimeoutMs = FLASH_DEFAULT_TIMEOUT;
  m_agentArg.bReportProgress = 1;
  m_agentArg.nReserved332 = 0;
  m_agentArg.pHeader = m_agentArg.reserved0;
  m_agentArg.bCheckAgent = 1;
  m_agentArg.nAgentVersion = 1;

  m_imageArg.hDownload = m_hDownload;
  m_imageArg.pfnInit = cb.imageInit;
  m_imageArg.pInitContext = cb.context;
  m_imageArg.pfnProgress = cb.imageProgress;
  m_imageArg.pProgressContext = cb.context;
  m_imageArg.bVerify = 1;
  m_imageArg.bRestart = 1;
  m_imageArg.nFlashSize = 0x100000;

  if (!m_library.IsLoaded()) {
    m_nDownloadResult = FLASH_DL_BAD_ARGUMENT;
    return FALSE;
  }
  // The library takes the port number in one byte: a number it cannot hold
  // would name another port, so such a port counts as one that cannot open.
  if (portNumber < 1 || portNumber > 255) {
    m_nDownloadResult = FLASH_DL_PORT;
    return FALSE;
  }
  m_nDownloadResult =
      m_library.Download(&m_portArg, &m_agentArg, &m_imageArg, &m_nDownloadOut, &m_flashResult);
  if (m_nDownloadResult == FLASH_DL_NO_HANDSHAKE) Sleep(1500);
  return m_nDownloadResult == FLASH_DL_OK;
}

void CFlashSession::Release() {
  if (!m_library.IsLoaded()) return;
  if (m_bAgentLoaded == 1) m_library.UnloadAgent(m_hAgent);
  if (m_bImageLoaded == 1) m_library.UnloadImage(m_hDownload, 0);
  m_library.DestroyAgent(&m_hAgent);
  m_library.DestroyDownload(&m_hDownload);
  m_bAgentLoaded = 0;
  m_bImageLoaded = 0;
}

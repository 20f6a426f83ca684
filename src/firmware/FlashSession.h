// One firmware download through the flashing library: the library's two
// handles, the download agent chosen by the logger model, the scatter file,
// the image, the download call with its argument blocks, and the release.
// The device page and the firmware download page each own one.
#pragma once

#include <string>

#include "firmware/FlashLibrary.h"
#include "flashlib/FlashLibApi.h"
#include "platform/WinTypes.h"

class CFlashSession {
 public:
  // What is missing from the program's installation, if anything.
  enum class Missing { None, Library, Agent, Scatter };

  struct Callbacks {
    FlashInitCallback daInit = nullptr;
    FlashProgressCallback daProgress = nullptr;
    FlashInitCallback imageInit = nullptr;
    FlashProgressCallback imageProgress = nullptr;
    void* context = nullptr;
  };

  // Agent file patterns: "DA_MT3318_" for the device page, "MTK_AllInOne_DA_MT3318_"
  // for the firmware download page (the chip number is part of the prefix).
  static constexpr const char* DEVICE_AGENT_PREFIX = "DA_";
  static constexpr const char* ALL_IN_ONE_AGENT_PREFIX = "MTK_AllInOne_DA_";

  // Loads the library from the program's folder and prepares it: handles,
  // agent, scatter file, image. Returns FALSE when the installation is
  // incomplete (see m_missing); the library's own results are left in the
  // flags as the update expects them.
  BOOL Prepare(const std::string& imagePath, int model, const char* agentPrefix);
  void LoadDownloadAgent(int model, const char* agentPrefix);
  void LoadScatterFile();
  // Fills the argument blocks and runs the download; TRUE when it returned 0.
  BOOL RunDownload(int portNumber, int model, const Callbacks& callbacks);
  // Unloads what was loaded and destroys both handles.
  void Release();

  // Chip family (ordinal 29) and chip kind (FlashPortArg) of a model code.
  static DWORD FamilyOfModel(int model);
  static DWORD ChipKindOfModel(int model);
  // First file (by name) in folder matching prefix*suffix; empty when none.
  static std::string FindFirstFile(const std::string& folder, const std::string& prefix,
                                   const std::string& suffix);

  // Folder of the library, the agents and the scatter file; empty means the
  // program's own folder (another back-end may be tried from elsewhere).
  std::string m_strFolder;
  CFlashLibrary m_library;
  Missing m_missing = Missing::None;
  // The agent pattern or scatter file that was missing, for the message.
  std::string m_strMissingFile;
  FlashHandle m_hAgent = nullptr;
  FlashHandle m_hDownload = nullptr;
  BYTE m_bAgentLoaded = 0;
  BYTE m_bImageLoaded = 0;
  BYTE m_bAgentOk = 0;
  BYTE m_bImageOk = 0;
  std::int32_t m_nDownloadOut = 0;
  FlashResult m_flashResult{};
  std::int32_t m_nDownloadResult = 0;
  std::string m_szProgramFolder;
  std::string m_szAgentPath;
  std::string m_szScatterPath;
  // Blocks of the last download call.
  FlashPortArg m_portArg{};
  FlashAgentArg m_agentArg{};
  FlashImageArg m_imageArg{};
};

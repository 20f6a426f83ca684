// The flashing library, loaded at run time from the program's folder; its
// entry points are found by ordinal (see flashlib/FlashLibApi.h).
#pragma once

#include <string>

#include "flashlib/FlashLibApi.h"

class CFlashLibrary {
 public:
  static constexpr const char* FILE_NAME = "libflashlib.so";

  CFlashLibrary() = default;
  ~CFlashLibrary();
  CFlashLibrary(const CFlashLibrary&) = delete;
  CFlashLibrary& operator=(const CFlashLibrary&) = delete;

  // Loads folder/libflashlib.so (once) and resolves every ordinal. On failure
  // GetError tells what is missing.
  bool Load(const std::string& folder);
  bool IsLoaded() const { return m_hModule != nullptr; }
  const std::string& GetError() const { return m_strError; }

  FlashCreateFn CreateAgent = nullptr;       // 25
  FlashCreateFn CreateDownload = nullptr;    // 13
  FlashSetValueFn SetAgentFamily = nullptr;  // 29
  FlashSetPathFn LoadAgent = nullptr;        // 31
  FlashSetPathFn SetScatter = nullptr;       // 15
  FlashSetValueFn SetBlockSize = nullptr;    // 47
  FlashLoadImageFn LoadImage = nullptr;      // 20
  FlashSetRegionFn EnableRegion = nullptr;   // 50
  FlashDownloadFn Download = nullptr;        // 10
  FlashUnloadFn UnloadAgent = nullptr;       // 33
  FlashSetValueFn UnloadImage = nullptr;     // 22
  FlashDestroyFn DestroyAgent = nullptr;     // 26
  FlashDestroyFn DestroyDownload = nullptr;  // 14

 private:
  void Unload();
  void ClearEntryPoints();

  void* m_hModule = nullptr;
  std::string m_strError;
};

// Folder of the running program (its file name up to the last separator).
std::string GetProgramFolder();

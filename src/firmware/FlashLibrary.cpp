#include "firmware/FlashLibrary.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

CFlashLibrary::~CFlashLibrary() { Unload(); }

void CFlashLibrary::Unload() {
  ClearEntryPoints();
  if (m_hModule) dlclose(m_hModule);
  m_hModule = nullptr;
}

void CFlashLibrary::ClearEntryPoints() {
  CreateAgent = CreateDownload = nullptr;
  SetAgentFamily = SetBlockSize = UnloadImage = nullptr;
  LoadAgent = SetScatter = nullptr;
  LoadImage = nullptr;
  EnableRegion = nullptr;
  Download = nullptr;
  UnloadAgent = nullptr;
  DestroyAgent = DestroyDownload = nullptr;
}

bool CFlashLibrary::Load(const std::string& folder) {
  if (m_hModule) return true;
  const std::string path = folder + "/" + FILE_NAME;
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    const char* why = dlerror();
    m_strError = why ? why : path;
    return false;
  }
  bool complete = true;
  auto resolve = [&](auto& fn, const char* name) {
    fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(module, name));
    if (!fn) {
      if (complete) m_strError = path + ": no entry point " + name;
      complete = false;
    }
  };
  resolve(CreateAgent, FLASHLIB_SYMBOL(25));
  resolve(CreateDownload, FLASHLIB_SYMBOL(13));
  resolve(SetAgentFamily, FLASHLIB_SYMBOL(29));
  resolve(LoadAgent, FLASHLIB_SYMBOL(31));
  resolve(SetScatter, FLASHLIB_SYMBOL(15));
  resolve(SetBlockSize, FLASHLIB_SYMBOL(47));
  resolve(LoadImage, FLASHLIB_SYMBOL(20));
  resolve(EnableRegion, FLASHLIB_SYMBOL(50));
  resolve(Download, FLASHLIB_SYMBOL(10));
  resolve(UnloadAgent, FLASHLIB_SYMBOL(33));
  resolve(UnloadImage, FLASHLIB_SYMBOL(22));
  resolve(DestroyAgent, FLASHLIB_SYMBOL(26));
  resolve(DestroyDownload, FLASHLIB_SYMBOL(14));
  if (!complete) {
    ClearEntryPoints();
    dlclose(module);
    return false;
  }
  m_hModule = module;
  m_strError.clear();
  return true;
}

std::string GetProgramFolder() {
  char path[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  std::string exe(path, static_cast<std::size_t>(n));
  std::size_t slash = exe.find_last_of('/');
  return slash == std::string::npos ? "." : exe.substr(0, slash == 0 ? 1 : slash);
}

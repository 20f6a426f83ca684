#include "ui/VersionInfo.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "ui/VersionBlock.h"

// The program's own version block, generated at build time from the project
// version and kept in its own section of the executable.
#include "VersionBlock.inc"

namespace {

DWORD Dword(const std::vector<BYTE>& b, size_t at) {
  return DWORD{b[at]} | (DWORD{b[at + 1]} << 8) | (DWORD{b[at + 2]} << 16) |
         (DWORD{b[at + 3]} << 24);
}

}  // namespace

CVersionInfo::CVersionInfo() { CVersionInfo::Reset(); }

CVersionInfo::~CVersionInfo() = default;

void CVersionInfo::Reset() {
  m_dwSignature = m_dwStrucVersion = 0;
  m_dwFileVersionMS = m_dwFileVersionLS = m_dwProductVersionMS = m_dwProductVersionLS = 0;
  m_dwFileFlagsMask = m_dwFileFlags = m_dwFileOS = m_dwFileType = m_dwFileSubtype = 0;
  m_dwFileDateMS = m_dwFileDateLS = 0;
  for (std::string* s :
       {&m_strCompanyName, &m_strFileDescription, &m_strFileVersion, &m_strInternalName,
        &m_strLegalCopyright, &m_strOriginalFileName, &m_strProductName, &m_strProductVersion,
        &m_strComments, &m_strLegalTrademarks, &m_strPrivateBuild, &m_strSpecialBuild})
    s->clear();
}

BOOL CVersionInfo::Create(HMODULE hModule) {
  // The block is referenced here so the linker keeps it with this class.
  (void)kOwnVersionBlock;
  char name[260];
  if (GetModuleFileName(hModule, name, sizeof name) == 0) {
    Reset();
    return FALSE;
  }
  return CreateFromFile(name);
}

BOOL CVersionInfo::CreateFromFile(const char* pszFile) {
  Reset();
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSize(pszFile, &handle);
  if (size == 0) return FALSE;
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfo(pszFile, handle, size, block.data())) return FALSE;

  std::vector<BYTE> value;
  if (QueryVersionValue(block, "\\", value) && value.size() == VS_FIXEDFILEINFO_SIZE) {
    DWORD* fields[] = {&m_dwSignature,     &m_dwStrucVersion,     &m_dwFileVersionMS,
                       &m_dwFileVersionLS, &m_dwProductVersionMS, &m_dwProductVersionLS,
                       &m_dwFileFlagsMask, &m_dwFileFlags,        &m_dwFileOS,
                       &m_dwFileType,      &m_dwFileSubtype,      &m_dwFileDateMS,
                       &m_dwFileDateLS};
    for (size_t i = 0; i < std::size(fields); ++i) *fields[i] = Dword(value, i * 4);
  }

  DWORD translation = 0;
  if (QueryVersionValue(block, "\\VarFileInfo\\Translation", value) && value.size() >= 4) {
    const WORD user = GetUserDefaultLangID();
    const UINT n = static_cast<UINT>(value.size());
    if (!FindTranslation(value.data(), n, user, &translation, TRUE) &&
        !FindTranslation(value.data(), n, 0, &translation, TRUE) &&
        !FindTranslation(value.data(), n, 9, &translation, TRUE))
      translation = Dword(value, 0);
  }
  char prefix[40];
  std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04X%04X\\",
                static_cast<unsigned>(translation & 0xFFFF),
                static_cast<unsigned>(translation >> 16));

  const std::pair<const char*, std::string*> keys[] = {{"CompanyName", &m_strCompanyName},
                                                       {"FileDescription", &m_strFileDescription},
                                                       {"FileVersion", &m_strFileVersion},
                                                       {"InternalName", &m_strInternalName},
                                                       {"LegalCopyright", &m_strLegalCopyright},
                                                       {"OriginalFileName", &m_strOriginalFileName},
                                                       {"ProductName", &m_strProductName},
                                                       {"ProductVersion", &m_strProductVersion},
                                                       {"Comments", &m_strComments},
                                                       {"LegalTrademarks", &m_strLegalTrademarks},
                                                       {"PrivateBuild", &m_strPrivateBuild},
                                                       {"SpecialBuild", &m_strSpecialBuild}};
  for (const auto& [key, member] : keys)
    if (QueryVersionValue(block, std::string(prefix) + key, value))
      member->assign(value.begin(), value.end());
  return TRUE;
}

WORD CVersionInfo::Part(DWORD ms, DWORD ls, int n) {
  switch (n) {
    case 0:
      return static_cast<WORD>(ls & 0xFFFF);
    case 1:
      return static_cast<WORD>(ls >> 16);
    case 2:
      return static_cast<WORD>(ms & 0xFFFF);
    case 3:
      return static_cast<WORD>(ms >> 16);
    default:
      return 0;
  }
}

WORD CVersionInfo::GetFileVersion(int n) const {
  return Part(m_dwFileVersionMS, m_dwFileVersionLS, n);
}

WORD CVersionInfo::GetProductVersion(int n) const {
  return Part(m_dwProductVersionMS, m_dwProductVersionLS, n);
}

CTime CVersionInfo::GetFileDate() const {
  // The file date is a FILETIME: 100 ns steps since 1601-01-01.
  const uint64_t ft = (uint64_t{m_dwFileDateMS} << 32) | m_dwFileDateLS;
  constexpr uint64_t kUnixEpoch = 116444736000000000ull;
  if (ft < kUnixEpoch) return CTime();
  return CTime(static_cast<std::time_t>((ft - kUnixEpoch) / 10000000ull));
}

BOOL CVersionInfo::FindTranslation(const void* pTable, UINT nSize, WORD wLangId, DWORD* pdwOut,
                                   BOOL bPrimaryOnly) {
  if (!pTable || !pdwOut) return FALSE;
  const BYTE* p = static_cast<const BYTE*>(pTable);
  const UINT count = nSize / 4;
  auto entry = [p](UINT i) {
    DWORD d;
    std::memcpy(&d, p + i * 4, 4);
    return d;
  };
  for (UINT i = 0; i < count; ++i)
    if ((entry(i) & 0xFFFF) == wLangId) {
      *pdwOut = entry(i);
      return TRUE;
    }
  if (bPrimaryOnly)
    for (UINT i = 0; i < count; ++i)
      if ((entry(i) & 0xFF) == (wLangId & 0xFF)) {
        *pdwOut = entry(i);
        return TRUE;
      }
  return FALSE;
}

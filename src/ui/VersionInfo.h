// Version information of a module or file: the fixed file information and
// the twelve standard strings in the best-matching language.
#pragma once

#include <string>

#include "framework/Time.h"
#include "platform/WinTypes.h"
#include "ui/VersionResource.h"

class CVersionInfo {
 public:
  CVersionInfo();
  virtual ~CVersionInfo();
  virtual void Reset();

  BOOL Create(HMODULE hModule = nullptr);
  BOOL CreateFromFile(const char* pszFile);

  // Part n of a version a.b.c.d: 3 is a, 0 is d; any other n gives 0.
  WORD GetFileVersion(int n) const;
  WORD GetProductVersion(int n) const;

  DWORD GetFileFlagsMask() const { return m_dwFileFlagsMask; }
  DWORD GetFileFlags() const { return m_dwFileFlags; }
  DWORD GetFileOs() const { return m_dwFileOS; }
  DWORD GetFileType() const { return m_dwFileType; }
  DWORD GetFileSubtype() const { return m_dwFileSubtype; }
  CTime GetFileDate() const;

  std::string GetCompanyName() const { return m_strCompanyName; }
  std::string GetFileDescription() const { return m_strFileDescription; }
  std::string GetFileVersionText() const { return m_strFileVersion; }
  std::string GetInternalName() const { return m_strInternalName; }
  std::string GetLegalCopyright() const { return m_strLegalCopyright; }
  std::string GetOriginalFileName() const { return m_strOriginalFileName; }
  std::string GetProductName() const { return m_strProductName; }
  std::string GetProductVersionText() const { return m_strProductVersion; }
  std::string GetComments() const { return m_strComments; }
  std::string GetLegalTrademarks() const { return m_strLegalTrademarks; }
  std::string GetPrivateBuild() const { return m_strPrivateBuild; }
  std::string GetSpecialBuild() const { return m_strSpecialBuild; }

  // Finds the entry of a translation table ((language, code page) pairs of
  // 4 bytes) for wLangId; with bPrimaryOnly a second pass accepts an entry of
  // the same primary language (low 8 bits).
  static BOOL FindTranslation(const void* pTable, UINT nSize, WORD wLangId, DWORD* pdwOut,
                              BOOL bPrimaryOnly);

 private:
  static WORD Part(DWORD ms, DWORD ls, int n);

  DWORD m_dwSignature = 0;
  DWORD m_dwStrucVersion = 0;
  DWORD m_dwFileVersionMS = 0;
  DWORD m_dwFileVersionLS = 0;
  DWORD m_dwProductVersionMS = 0;
  DWORD m_dwProductVersionLS = 0;
  DWORD m_dwFileFlagsMask = 0;
  DWORD m_dwFileFlags = 0;
  DWORD m_dwFileOS = 0;
  DWORD m_dwFileType = 0;
  DWORD m_dwFileSubtype = 0;
  DWORD m_dwFileDateMS = 0;
  DWORD m_dwFileDateLS = 0;

  std::string m_strCompanyName;
  std::string m_strFileDescription;
  std::string m_strFileVersion;
  std::string m_strInternalName;
  std::string m_strLegalCopyright;
  std::string m_strOriginalFileName;
  std::string m_strProductName;
  std::string m_strProductVersion;
  std::string m_strComments;
  std::string m_strLegalTrademarks;
  std::string m_strPrivateBuild;
  std::string m_strSpecialBuild;
};

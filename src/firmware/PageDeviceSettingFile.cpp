// Select File: the chooser, the name test, the CRC tests and the comparison
// of the file's header with the identified logger.
#include <cstdio>
#include <cstring>

#include "firmware/FirmwareFile.h"
#include "firmware/PageDeviceSetting.h"
#include "framework/FileDialog.h"
#include "framework/MessageBox.h"

void CPageDeviceSetting::OnSelectFile() {
  CFileDialog chooser(TRUE, "_VNT", "*.bin", 0, "_VNT (*.bin)|*.bin|", nullptr);
  if (chooser.DoModal() != IDOK) return;
  UpdateWindow();
  m_strFirmwareFile = chooser.GetPathName();
  SetDlgItemText(IDC_DEV_FILE_PATH, m_strFirmwareFile);
  if (m_strFirmwareFile.empty()) return;

  // A path too long for the page's buffers fails the tests below cleanly.
  const BOOL fits = CopyPathBuffer(m_szFirmwarePath, m_strFirmwareFile);
  if (!IsVendorFirmwareName(m_strFirmwareFile)) {
    ShowMessageBox(GetSafeHwnd(), LoadString(IDS_FW_NOT_VENDOR), "WARNING!!", MB_ICONHAND);
    GetDlgItem(IDC_DEV_EXECUTE)->EnableWindow(FALSE);
    for (int id = IDC_DEV_FILE_VERSION; id <= IDC_DEV_FILE_HW1 + 9; ++id) SetDlgItemText(id, "");
    return;
  }
  int result = 0;
  m_fileError = {};
  if (fits && CopyPathBuffer(m_szFirmwareFolder, FolderOfPath(m_strFirmwareFile)))
    CheckFirmwareFile(&result);
  if (!result) {
    MessageBox(FirmwareFileMessage(m_fileError), LoadString(300), MB_ICONHAND);
    GetDlgItem(IDC_DEV_EXECUTE)->EnableWindow(FALSE);
  }
}

void CPageDeviceSetting::CheckFirmwareFile(int* result) {
  int stripped = 0;
  FirmwareLayout layout = FirmwareLayout::WithHeader;
  StripFirmwareFile(&stripped, 0);
  // A file that cannot be read, or an image that cannot be written, fails
  // the headerless test alike; its cause is kept for the message.
  if (!stripped && m_fileError.kind == FirmwareFileError::None) {
    layout = FirmwareLayout::Headerless;
    StripFirmwareFile(&stripped, 1);
  }
  if (!stripped) {
    *result = 0;
    return;
  }
  FirmwareFileHeader header;
  if (layout == FirmwareLayout::Headerless)
    HeaderFromFileName(m_szFirmwarePath, header);
  else
    ReadFirmwareHeader(m_szFirmwarePath, header);
  NormaliseFirmwareModel(header.szModel);

  const UINT verdict = CompareFirmwareHeader(header, m_szDeviceType, m_szHardwareText,
                                             m_szFirmwareText, m_bForceUpdate);
  SetDlgItemText(IDC_DEV_COMPARE_RESULT, LoadString(verdict));
  GetDlgItem(IDC_DEV_EXECUTE)->EnableWindow(VerdictAllowsUpdate(verdict));

  SetDlgItemText(IDC_DEV_FILE_MODEL, header.szModel);
  SetDlgItemText(IDC_DEV_FILE_VERSION, header.szField[0]);
  const int shown = layout == FirmwareLayout::WithHeader ? 10 : 2;
  for (int n = 1; n <= shown; ++n) SetDlgItemText(IDC_DEV_FILE_MODEL + n, header.szField[n]);
  *result = 1;
}

void CPageDeviceSetting::StripFirmwareFile(int* result, int mode) {
  *result = StripFirmwareIntoFolder(m_szFirmwarePath, m_szFirmwareFolder, m_szTempImagePath,
                                    sizeof m_szTempImagePath, mode, &m_fileError);
}

#include "formats/PageTrackLogFormat.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/UtilityManager.h"
#include "formats/TimeZoneTexts.h"
#include "framework/FileDialog.h"
#include "framework/MessageBox.h"
#include "platform/TimeZone.h"

BEGIN_MESSAGE_MAP(CPageTrackLogFormat, CLoggerPage)
ON_BN_CLICKED(IDC_FORMAT_CONVERT, &CPageTrackLogFormat::OnConvert)
ON_BN_CLICKED(IDC_FORMAT_SOURCE_BROWSE, &CPageTrackLogFormat::OnSelectSource)
ON_CBN_SELCHANGE(IDC_FORMAT_TIME_ZONE, &CPageTrackLogFormat::OnSelchangeTimeZone)
ON_BN_CLICKED(IDC_FORMAT_OUT_TEXT, &CPageTrackLogFormat::OnOutputCheck)
ON_BN_CLICKED(IDC_FORMAT_OUT_KML, &CPageTrackLogFormat::OnOutputCheck)
ON_BN_CLICKED(IDC_FORMAT_OUT_NMEA, &CPageTrackLogFormat::OnOutputCheck)
ON_BN_CLICKED(IDC_FORMAT_OUT_GPX, &CPageTrackLogFormat::OnOutputCheck)
ON_BN_CLICKED(IDC_FORMAT_RADIO_TEXT, &CPageTrackLogFormat::OnFormatRadio)
ON_BN_CLICKED(IDC_FORMAT_RADIO_KML, &CPageTrackLogFormat::OnFormatRadio)
ON_BN_CLICKED(IDC_FORMAT_RADIO_NMEA, &CPageTrackLogFormat::OnFormatRadio)
ON_BN_CLICKED(IDC_FORMAT_RADIO_GPX, &CPageTrackLogFormat::OnFormatRadio)
END_MESSAGE_MAP()

void CPageTrackLogFormat::DoDataExchange(CDataExchange* pDX) {
  CLoggerPage::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_FORMAT_TIME_ZONE, m_comboTimeZone);
  DDX_Text(pDX, IDC_FORMAT_SOURCE_PATH, m_strSourcePath);
  DDX_Check(pDX, IDC_FORMAT_OUT_TEXT, m_bOutText);
  DDX_Check(pDX, IDC_FORMAT_OUT_KML, m_bOutKml);
  DDX_Check(pDX, IDC_FORMAT_OUT_NMEA, m_bOutNmea);
  DDX_Check(pDX, IDC_FORMAT_OUT_GPX, m_bOutGpx);
  DDX_Radio(pDX, IDC_FORMAT_RADIO_TEXT, m_nFormatChoice);
}

BOOL CPageTrackLogFormat::OnInitDialog() {
  CLoggerPage::OnInitDialog();
  SetDlgItemTextRes(IDC_FORMAT_FRAME, IDS_FORMAT_FRAME);
  SetDlgItemTextRes(IDC_FORMAT_SOURCE_LABEL, IDS_FORMAT_SOURCE_LABEL);
  SetDlgItemTextRes(IDC_FORMAT_CHOICE_LABEL, IDS_FORMAT_CHOICE_LABEL);
  SetDlgItemTextRes(IDC_FORMAT_ZONE_LABEL, IDS_FORMAT_ZONE_LABEL);
  SetDlgItemTextRes(IDC_FORMAT_OUTPUT_LABEL, IDS_FORMAT_OUTPUT_LABEL);
  SetDlgItemTextRes(IDC_FORMAT_STATUS, IDS_FORMAT_STATUS);
  SetDlgItemTextRes(IDC_FORMAT_CONVERT, IDS_FORMAT_CONVERT);
  m_nFormat = m_nFormatChoice = kTrackOutputKml;
  CheckDlgButton(IDC_FORMAT_OUT_KML, 1);
  m_bOutKml = 1;
  for (const TimeZoneText& zone : g_timeZoneTexts)
    m_comboTimeZone.InsertString(zone.position, zone.text);
  InitTimeZone();
  return TRUE;
}

void CPageTrackLogFormat::InitTimeZone() {
  const int hours = static_cast<int>(GetTimeZoneBias() / 60);
  // Local time = UTC - bias, so the zone is the negated bias: "-480" reads
  // "+8" and "300" reads "-5". A bias of 0 reads "-0", which no entry
  // matches: the list then shows no selection while the zone is 0.
  std::string text = std::to_string(hours);
  if (text[0] == '-')
    text[0] = '+';
  else
    text.insert(text.begin(), '-');
  m_comboTimeZone.SetCurSel(m_comboTimeZone.FindStringExact(-1, text));
  m_nTimeZone = std::atoi(text.c_str());
  g_utilityManager.SetPhotoTimeZone(m_nTimeZone);
}

void CPageTrackLogFormat::RefreshTimeZone() {
  InitTimeZone();
  UpdateData(TRUE);
}

void CPageTrackLogFormat::OnSelchangeTimeZone() {
  m_nTimeZone = TimeZoneOfPosition(m_comboTimeZone.GetCurSel());
}

void CPageTrackLogFormat::OnOutputCheck() {
  m_bOutText = IsDlgButtonChecked(IDC_FORMAT_OUT_TEXT) ? 1 : 0;
  m_bOutKml = IsDlgButtonChecked(IDC_FORMAT_OUT_KML) ? 1 : 0;
  m_bOutNmea = IsDlgButtonChecked(IDC_FORMAT_OUT_NMEA) ? 1 : 0;
  m_bOutGpx = IsDlgButtonChecked(IDC_FORMAT_OUT_GPX) ? 1 : 0;
}

void CPageTrackLogFormat::OnFormatRadio() {
  const int radios[] = {IDC_FORMAT_RADIO_TEXT, IDC_FORMAT_RADIO_KML, IDC_FORMAT_RADIO_NMEA,
                        IDC_FORMAT_RADIO_GPX};
  for (int format = kTrackOutputText; format <= kTrackOutputGpx; ++format)
    if (IsDlgButtonChecked(radios[format])) m_nFormatChoice = m_nFormat = format;
}

void CPageTrackLogFormat::OnSelectSource() {
  const std::string filter = LoadString(IDS_FILTER_TRL);
  CFileDialog chooser(TRUE, "TRL", "*.trl", 0, filter.c_str(), this);
  if (chooser.DoModal() != IDOK) return;
  UpdateWindow();
  m_strSourcePath = chooser.GetPathName();
  SetDlgItemText(IDC_FORMAT_SOURCE_PATH, m_strSourcePath);
}

std::string CPageTrackLogFormat::ConvertOutputName(const std::string& source,
                                                   TrackOutputFormat format) {
  static const char* const kEndings[] = {".txt", ".kml", "NMEA.txt", ".gpx"};
  if (format < kTrackOutputText || format > kTrackOutputGpx) return {};
  const size_t separator = source.find_last_of("/\\");
  const size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
  const size_t size = source.size();
  // A base name of at least one character, a dot and three characters that
  // are no dot themselves: the three are the extension to replace.
  const bool threeLetterExtension = size >= nameStart + 5 && source[size - 4] == '.' &&
                                    source.find('.', size - 3) == std::string::npos;
  const std::string base = threeLetterExtension ? source.substr(0, size - 4) : source;
  return base + kEndings[format];
}

void CPageTrackLogFormat::ShowError(UINT formatId, const std::string& path,
                                    const std::string& detail) {
  m_strMessage = FormatString(LoadString(formatId).c_str(), path.c_str());
  if (!detail.empty()) m_strMessage += "\n" + detail;
  ShowMessageBox(GetSafeHwnd(), m_strMessage, LoadString(300), MB_ICONSTOP);
}

void CPageTrackLogFormat::OnConvert() {
  if (m_strSourcePath.empty()) {
    ShowMessageBox(GetSafeHwnd(), LoadString(IDS_FORMAT_SELECT_SOURCE), LoadString(300),
                   MB_ICONSTOP);
    return;
  }
  SetDlgItemTextRes(IDC_FORMAT_STATUS, IDS_FORMAT_CONVERTING);
  SetConversionTimeZone(m_nTimeZone);
  const int ticked[] = {m_bOutText, m_bOutKml, m_bOutNmea, m_bOutGpx};
  bool allWritten = true;
  for (int format = kTrackOutputText; format <= kTrackOutputGpx; ++format) {
    if (!ticked[format]) continue;
    const std::string output = ConvertOutputName(m_strSourcePath, format);
    m_nFormat = format;
    std::string error;
    const ConvertResult result = ConvertToFile(m_strSourcePath, output, &error);
    const int err = errno;
    if (result == ConvertResult::Done) continue;
    allWritten = false;
    if (result == ConvertResult::SourceFailed) {
      // Every further output would fail the same way.
      ShowError(IDS_FORMAT_CANNOT_OPEN, m_strSourcePath, std::strerror(err));
      break;
    }
    if (result == ConvertResult::OutputIsSource)
      ShowError(IDS_FORMAT_OUTPUT_IS_SOURCE, output, {});
    else
      ShowError(IDS_FORMAT_CANNOT_WRITE, output, std::strerror(err));
  }
  SetDlgItemTextRes(IDC_FORMAT_STATUS,
                    allWritten ? IDS_FORMAT_CONVERTED : IDS_FORMAT_CONVERT_FAILED);
}

void CPageTrackLogFormat::RestoreDefaults() {
  m_comboTimeZone.SetCurSel(PositionOfTimeZone(0));
  m_nTimeZone = 0;
  m_nFormat = m_nFormatChoice = kTrackOutputKml;
  m_bOutText = m_bOutNmea = m_bOutGpx = 0;
  m_bOutKml = 1;
  CheckDlgButton(IDC_FORMAT_OUT_TEXT, 0);
  CheckDlgButton(IDC_FORMAT_OUT_KML, 1);
  CheckDlgButton(IDC_FORMAT_OUT_NMEA, 0);
  CheckDlgButton(IDC_FORMAT_OUT_GPX, 0);
}

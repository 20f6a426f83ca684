// Format conversion page: the user picks a TRL file and a time zone, ticks
// the output formats and converts; each output goes beside the TRL file. The
// page object also owns the track-log writers (CTrackLogExport) that the
// chipset log download uses.
#pragma once

#include <string>

#include "common/Tool.h"
#include "formats/TrackLogExport.h"
#include "framework/Controls.h"
#include "logger/LoggerPage.h"
#include "res/formats_ids.h"

class CPageTrackLogFormat : public CLoggerPage, public CTrackLogExport {
 public:
  enum { IDD = IDD_PAGE_TRACKLOG_FORMAT };
  explicit CPageTrackLogFormat(CWnd* pParent = nullptr) : CLoggerPage(IDD, pParent) {}

  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;

  // The zone from the system's time-zone bias, also given to the settings
  // object as the photo zone.
  void InitTimeZone();
  // InitTimeZone, then the controls' values into the members.
  void RefreshTimeZone();
  void RestoreDefaults();

  void OnSelectSource();
  void OnConvert();
  void OnOutputCheck();
  void OnFormatRadio();
  void OnSelchangeTimeZone();
  void OnPageDefaults() override { RestoreDefaults(); }

  // The name of one Convert output beside the source: a name ending in a dot
  // and three characters has them replaced (".txt", ".kml", ".gpx", or
  // "NMEA.txt" for Nmea); any other name gets the extension appended.
  static std::string ConvertOutputName(const std::string& source, TrackOutputFormat format);

  CTool m_tool;
  std::string m_strSourcePath;
  std::string m_strMessage;
  int m_nTimeZone = 0;
  int m_bOutText = 0;
  int m_bOutKml = 1;
  int m_bOutNmea = 0;
  int m_bOutGpx = 0;
  int m_nFormatChoice = kTrackOutputKml;
  CComboBox m_comboTimeZone;

 protected:
  DECLARE_MESSAGE_MAP()

 private:
  // Writes one output; on failure shows a message naming the file.
  bool ConvertOne(TrackOutputFormat format);
  void ShowError(UINT formatId, const std::string& path, const std::string& detail);
};

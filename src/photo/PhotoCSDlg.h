// The Photo Combine Setting dialog: the photo time zone, the camera clock
// offset added to every photo's EXIF time, and whether geotagged copies of
// the photos are written.
#pragma once

#include <string>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "res/photo_ids.h"

class CPhotoCSDlg : public CDialog {
 public:
  enum { IDD = IDD_PHOTO_COMBINE_SETTING };
  explicit CPhotoCSDlg(CWnd* pParent = nullptr);
  ~CPhotoCSDlg() override;

  void GetTimeZone(int& zone) const { zone = m_nTimeZone; }
  void GetCalibrationSeconds(int& seconds) const { seconds = m_nCalibrationSeconds; }

  void LoadControlTexts();
  // The zone from the system's bias on the first dialog of the run, else
  // the stored one.
  void InitTimeZone();
  // Reads the four offset edits and stores zone and offset in the settings
  // object.
  void UpdateCalibration();
  // Any of the four offset edits changed (typed, by its up-down button or
  // by the dialog itself).
  void OnChangeOffset() { UpdateCalibration(); }
  void OnSelchangeTimeZone();
  void OnWriteGpsClicked();

  std::string m_strDay;
  std::string m_strHour;
  std::string m_strMin;
  std::string m_strSec;
  int m_nTimeZone = 0;
  int m_nCalibrationSeconds = 0;
  int m_nCalibrationDay = 0;
  int m_nCalibrationHour = 0;
  int m_nCalibrationMin = 0;
  int m_nCalibrationSec = 0;
  int m_bWriteGps = 0;

  CComboBox m_comboTimeZone;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnOK() override;

  DECLARE_MESSAGE_MAP()
};

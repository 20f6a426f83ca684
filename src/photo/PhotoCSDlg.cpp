#include "photo/PhotoCSDlg.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "common/UtilityManager.h"
#include "formats/TimeZoneTexts.h"
#include "framework/MessageMap.h"
#include "framework/Strings.h"
#include "platform/TimeZone.h"
#include "res/app_ids.h"

BEGIN_MESSAGE_MAP(CPhotoCSDlg, CDialog)
ON_EN_CHANGE(IDC_PCS_DAY, &CPhotoCSDlg::OnChangeOffset)
ON_EN_CHANGE(IDC_PCS_HOUR, &CPhotoCSDlg::OnChangeOffset)
ON_EN_CHANGE(IDC_PCS_MIN, &CPhotoCSDlg::OnChangeOffset)
ON_EN_CHANGE(IDC_PCS_SEC, &CPhotoCSDlg::OnChangeOffset)
ON_CBN_SELCHANGE(IDC_PCS_ZONE, &CPhotoCSDlg::OnSelchangeTimeZone)
ON_BN_CLICKED(IDC_PCS_WRITE_GPS, &CPhotoCSDlg::OnWriteGpsClicked)
END_MESSAGE_MAP()

namespace {

constexpr int kOffsetChars = 3;

struct OffsetField {
  int edit;
  int spin;
  int lower, upper;
};
// Days, hours, minutes and seconds.
constexpr OffsetField kOffsetFields[4] = {
    {IDC_PCS_DAY, IDC_PCS_DAY_SPIN, -30, 30},
    {IDC_PCS_HOUR, IDC_PCS_HOUR_SPIN, -23, 23},
    {IDC_PCS_MIN, IDC_PCS_MIN_SPIN, -59, 59},
    {IDC_PCS_SEC, IDC_PCS_SEC_SPIN, -59, 59},
};

}  // namespace

CPhotoCSDlg::CPhotoCSDlg(CWnd* pParent) : CDialog(IDD, pParent) {}

CPhotoCSDlg::~CPhotoCSDlg() = default;

void CPhotoCSDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_PCS_ZONE, m_comboTimeZone);
  DDX_Text(pDX, IDC_PCS_DAY, m_strDay);
  DDV_MaxChars(pDX, m_strDay, kOffsetChars);
  DDX_Text(pDX, IDC_PCS_HOUR, m_strHour);
  DDV_MaxChars(pDX, m_strHour, kOffsetChars);
  DDX_Text(pDX, IDC_PCS_MIN, m_strMin);
  DDV_MaxChars(pDX, m_strMin, kOffsetChars);
  DDX_Text(pDX, IDC_PCS_SEC, m_strSec);
  DDV_MaxChars(pDX, m_strSec, kOffsetChars);
}

void CPhotoCSDlg::LoadControlTexts() {
  SetWindowText(LoadResString(IDS_PHOTO_COMBINE_SETTING));
  static const struct {
    int control;
    UINT text;
  } kTexts[] = {
      {IDC_PCS_ZONE_LABEL, IDS_PCS_ZONE_LABEL},
      {IDC_PCS_CALIBRATE_LABEL, IDS_PCS_CALIBRATE_LABEL},
      {IDC_PCS_DAY_LABEL, IDS_PCS_DAY},
      {IDC_PCS_HOUR_LABEL, IDS_PCS_HOUR},
      {IDC_PCS_MIN_LABEL, IDS_PCS_MIN},
      {IDC_PCS_SEC_LABEL, IDS_PCS_SEC},
      {IDC_PCS_WRITE_GPS_FRAME, IDS_PCS_WRITE_GPS_FRAME},
      {IDC_PCS_WRITE_GPS, IDS_PCS_WRITE_GPS},
      {IDOK, IDS_MAIN_CLOSE},
      {IDCANCEL, IDS_MAIN_CANCEL},
  };
  for (const auto& t : kTexts) SetDlgItemText(t.control, LoadResString(t.text));
  // The discard rules, whatever their length in the current language.
  const std::string threshold = LoadResString(IDS_PCS_THRESHOLD) + "\r\n(1) " +
                                LoadResString(IDS_PCS_THRESHOLD_EARLY_LATE) + "\r\n(2) " +
                                LoadResString(IDS_PCS_THRESHOLD_GAP) + "\r\n";
  SetDlgItemText(IDC_PCS_THRESHOLD, threshold);
}

BOOL CPhotoCSDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  EnableTabDialogTheme(this);
  LoadControlTexts();

  g_utilityManager.GetPhotoTimeZone(m_nTimeZone);
  int stored[4] = {};
  g_utilityManager.GetCameraOffset(stored[0], stored[1], stored[2], stored[3]);
  m_nCalibrationDay = stored[0];
  m_nCalibrationHour = stored[1];
  m_nCalibrationMin = stored[2];
  m_nCalibrationSec = stored[3];

  // Inserted at their positions, the texts keep the table's order even
  // though the list is sorted: position i stands for zone 13 - i.
  for (const TimeZoneText& zone : g_timeZoneTexts)
    m_comboTimeZone.InsertString(zone.position, zone.text);

  if (g_utilityManager.m_bPhotoSettingsReset) {
    m_comboTimeZone.SetCurSel(PositionOfTimeZone(0));
    m_nTimeZone = 0;
    g_utilityManager.m_bPhotoSettingsReset = FALSE;
  } else {
    InitTimeZone();
  }
  m_comboTimeZone.SetCurSel(PositionOfTimeZone(m_nTimeZone));

  // The arrows start from the stored number as far as their range goes.
  // Setting an up-down position writes its edit, and every change of an
  // edit runs UpdateCalibration, which reads all four edits and stores
  // them; so each edit is then given its stored number in turn, and the
  // numbers beyond the arrows' ranges (typed, up to 3 digits) are what
  // the edits show and what is stored.
  for (int i = 0; i < 4; ++i) {
    auto* spin = static_cast<CSpinButtonCtrl*>(GetDlgItem(kOffsetFields[i].spin));
    spin->SetRange(static_cast<short>(kOffsetFields[i].lower),
                   static_cast<short>(kOffsetFields[i].upper));
    spin->SetPos(std::clamp(stored[i], kOffsetFields[i].lower, kOffsetFields[i].upper));
  }
  std::string* texts[4] = {&m_strDay, &m_strHour, &m_strMin, &m_strSec};
  for (int i = 0; i < 4; ++i) SetDlgItemText(kOffsetFields[i].edit, std::to_string(stored[i]));
  for (int i = 0; i < 4; ++i) *texts[i] = std::to_string(stored[i]);

  g_utilityManager.GetWriteGpsToPhoto(m_bWriteGps);
  CheckDlgButton(IDC_PCS_WRITE_GPS, m_bWriteGps ? BST_CHECKED : BST_UNCHECKED);

  UpdateData(FALSE);
  UpdateCalibration();
  return TRUE;
}

void CPhotoCSDlg::InitTimeZone() {
  std::string text;
  if (!g_utilityManager.m_bPhotoZoneInitialised) {
    TIME_ZONE_INFORMATION info;
    GetTimeZoneInformation(&info);
    // Local time is UTC - bias: a bias of -480 minutes is "+8", 0 is "-0".
    text = std::to_string(info.Bias / 60);
    if (text[0] == '-')
      text[0] = '+';
    else
      text.insert(0, "-");
    m_nTimeZone = std::atoi(text.c_str());
    g_utilityManager.m_bPhotoZoneInitialised = TRUE;
  }
  const int position = m_comboTimeZone.FindStringExact(-1, text);
  if (!text.empty() && position != CB_ERR) m_comboTimeZone.SetCurSel(position);
  g_utilityManager.SetPhotoTimeZone(m_nTimeZone);
}

void CPhotoCSDlg::UpdateCalibration() {
  if (GetDlgItem(IDC_PCS_DAY) == nullptr) return;
  UpdateData(TRUE);
  m_nCalibrationDay = std::atoi(m_strDay.c_str());
  m_nCalibrationHour = std::atoi(m_strHour.c_str());
  m_nCalibrationMin = std::atoi(m_strMin.c_str());
  m_nCalibrationSec = std::atoi(m_strSec.c_str());
  m_nCalibrationSeconds = m_nCalibrationDay * 86400 + m_nCalibrationHour * 3600 +
                          m_nCalibrationMin * 60 + m_nCalibrationSec;
  g_utilityManager.SetPhotoTimeZone(m_nTimeZone);
  g_utilityManager.SetCameraOffset(m_nCalibrationDay, m_nCalibrationHour, m_nCalibrationMin,
                                   m_nCalibrationSec);
}

void CPhotoCSDlg::OnSelchangeTimeZone() {
  m_nTimeZone = TimeZoneOfPosition(m_comboTimeZone.GetCurSel());
}

void CPhotoCSDlg::OnWriteGpsClicked() {
  m_bWriteGps = IsDlgButtonChecked(IDC_PCS_WRITE_GPS) == BST_CHECKED ? 1 : 0;
}

void CPhotoCSDlg::OnOK() {
  UpdateCalibration();
  g_utilityManager.SetWriteGpsToPhoto(m_bWriteGps);
  CDialog::OnOK();
}

// The chipset track-log page's controls: lists, radio buttons, captions and
// the display of the settings last read from or sent to the logger.
#include "logger/PageMTKTracklogSetting.h"

#include <iterator>

#include "common/UtilityManager.h"

namespace {

constexpr int kIntervals[] = {1, 5, 10, 15, 30, 60, 120};
constexpr const char* kIntervalTexts[] = {"1", "5", "10", "15", "30", "60", "120"};
constexpr const char* kDistanceTexts[] = {"50", "100", "150", "300", "500", "1000"};
// Tenths of a metre of each distance entry, in metres or in feet.
constexpr int kDistancesMetric[] = {500, 1000, 1500, 3000, 5000, 10000};
constexpr int kDistancesImperial[] = {152, 304, 457, 914, 1524, 3048};

const int* Distances(int imperial) { return imperial ? kDistancesImperial : kDistancesMetric; }

}  // namespace

BEGIN_MESSAGE_MAP(CPageMTKTracklogSetting, CLoggerPage)
ON_BN_CLICKED(IDC_MTK_ENABLE, &CPageMTKTracklogSetting::OnEnableRecording)
ON_BN_CLICKED(IDC_MTK_READ, &CPageMTKTracklogSetting::OnRead)
ON_BN_CLICKED(IDC_MTK_CLEAR, &CPageMTKTracklogSetting::OnClear)
ON_WM_PAINT()
ON_BN_CLICKED(IDC_MTK_FULL_STOP, &CPageMTKTracklogSetting::OnFullAndStop)
ON_BN_CLICKED(IDC_MTK_OVERWRITE, &CPageMTKTracklogSetting::OnOverwrite)
ON_CBN_SELCHANGE(IDC_MTK_INTERVAL, &CPageMTKTracklogSetting::OnSelchangeInterval)
ON_CBN_SELCHANGE(IDC_MTK_DISTANCE, &CPageMTKTracklogSetting::OnSelchangeDistance)
ON_BN_CLICKED(IDC_MTK_BY_DISTANCE, &CPageMTKTracklogSetting::OnByDistance)
ON_BN_CLICKED(IDC_MTK_BY_SECOND, &CPageMTKTracklogSetting::OnBySecond)
ON_BN_CLICKED(IDC_MTK_UPLOAD, &CPageMTKTracklogSetting::OnUpload)
ON_WM_TIMER()
ON_MESSAGE(WM_FILESTATUS_CLOSED, &CPageMTKTracklogSetting::OnFileStatusClosed)
END_MESSAGE_MAP()

void CPageMTKTracklogSetting::DoDataExchange(CDataExchange* pDX) {
  CLoggerPage::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_MTK_BY_DISTANCE, m_btnByDistance);
  DDX_Control(pDX, IDC_MTK_BY_SECOND, m_btnBySecond);
  DDX_Control(pDX, IDC_MTK_CLEAR_LABEL, m_stClearLabel);
  DDX_Control(pDX, IDC_MTK_UPLOAD_LABEL, m_stUploadLabel);
  DDX_Control(pDX, IDC_MTK_UNIT_LABEL, m_stUnitLabel);
  DDX_Control(pDX, IDC_MTK_SEC_LABEL, m_stSecLabel);
  DDX_Control(pDX, IDC_MTK_DISTANCE_EVERY, m_stDistanceEvery);
  DDX_Control(pDX, IDC_MTK_SECOND_EVERY, m_stSecondEvery);
  DDX_Control(pDX, IDC_MTK_STYLE_GROUP, m_stStyleGroup);
  DDX_Control(pDX, IDC_MTK_PROCESS_GROUP, m_stProcessGroup);
  DDX_Control(pDX, IDC_MTK_SETTING_GROUP, m_stSettingGroup);
  DDX_Control(pDX, IDC_MTK_CLEAR, m_btnClear);
  DDX_Control(pDX, IDC_MTK_UPLOAD, m_btnUpload);
  DDX_Control(pDX, IDC_MTK_DISTANCE, m_cbDistance);
  DDX_Control(pDX, IDC_MTK_INTERVAL, m_cbInterval);
  DDX_Control(pDX, IDC_MTK_PERCENT, m_stPercent);
  DDX_Control(pDX, IDC_MTK_PROGRESS, m_progress);
  DDX_Control(pDX, IDC_MTK_OVERWRITE, m_btnOverwrite);
  DDX_Control(pDX, IDC_MTK_FULL_STOP, m_btnFullStop);
  DDX_Control(pDX, IDC_MTK_SETTING_STATUS, m_stSettingStatus);
  DDX_Control(pDX, IDC_MTK_TRANSFER_STATUS, m_stTransferStatus);
  DDX_Control(pDX, IDC_MTK_ENABLE, m_btnEnable);
  DDX_Radio(pDX, IDC_MTK_FULL_STOP, m_nFullAndStop);
  DDX_Radio(pDX, IDC_MTK_OVERWRITE, m_nOverwrite);
  DDX_Radio(pDX, IDC_MTK_BY_DISTANCE, m_nByDistance);
  DDX_Radio(pDX, IDC_MTK_BY_SECOND, m_nBySecond);
}

BOOL CPageMTKTracklogSetting::OnInitDialog() {
  CLoggerPage::OnInitDialog();
  CWnd* parent = GetParent();
  m_pMainDlg = parent ? parent->GetParent() : nullptr;
  for (int i = 0; i < static_cast<int>(std::size(kIntervalTexts)); ++i)
    m_cbInterval.InsertString(i, kIntervalTexts[i]);
  for (int i = 0; i < static_cast<int>(std::size(kDistanceTexts)); ++i)
    m_cbDistance.InsertString(i, kDistanceTexts[i]);
  RestoreDefaults();
  LoadControlTexts();
  return TRUE;
}

void CPageMTKTracklogSetting::LoadControlTexts() {
  static const struct {
    int control;
    UINT text;
  } captions[] = {
      {IDC_MTK_SETTING_GROUP, IDS_MTK_SETTING_GROUP},
      {IDC_MTK_PROCESS_GROUP, IDS_MTK_PROCESS_GROUP},
      {IDC_MTK_STYLE_GROUP, IDS_MTK_STYLE_GROUP},
      {IDC_MTK_OVERWRITE, IDS_MTK_OVERWRITE},
      {IDC_MTK_FULL_STOP, IDS_MTK_FULL_STOP},
      {IDC_MTK_BY_SECOND, IDS_MTK_SECOND},
      {IDC_MTK_BY_DISTANCE, IDS_MTK_DISTANCE},
      {IDC_MTK_SEC_LABEL, IDS_MTK_SEC},
      {IDC_MTK_UPLOAD_LABEL, IDS_MTK_UPLOAD_LABEL},
      {IDC_MTK_CLEAR_LABEL, IDS_MTK_CLEAR_LABEL},
      {IDC_MTK_SETTING_STATUS, IDS_MTK_READ_STATUS},
      {IDC_MTK_TRANSFER_STATUS, IDS_MTK_TRANSFER_STATUS},
      {IDC_MTK_UPLOAD, IDS_MTK_UPLOAD},
      {IDC_MTK_CLEAR, IDS_MTK_CLEAR},
      // The template's own texts, so the page shows in the user's language.
      {IDC_MTK_ENABLE, IDS_MTK_ENABLE},
      {IDC_MTK_READ, IDS_MTK_READ},
      {IDC_MTK_SECOND_EVERY, IDS_MTK_EVERY},
      {IDC_MTK_DISTANCE_EVERY, IDS_MTK_EVERY},
  };
  for (const auto& c : captions) SetDlgItemTextRes(c.control, c.text);
  SetDlgItemTextRes(IDC_MTK_UNIT_LABEL, m_bImperial ? IDS_MTK_FEET : IDS_MTK_METER);
}

void CPageMTKTracklogSetting::RestoreDefaults() {
  m_btnEnable.SetCheck(BST_CHECKED);
  // Recording is on again: its lists take choices again.
  m_cbInterval.EnableWindow(TRUE);
  m_cbDistance.EnableWindow(TRUE);
  m_nIntervalSec = 5;
  m_cbInterval.SetCurSel(1);
  m_nDistance = m_bImperial ? kDistancesImperial[1] : kDistancesMetric[1];
  m_cbDistance.SetCurSel(1);
  m_nRecordMode = LOG_FULL_AND_STOP;
  m_nFullAndStop = 1;
  m_nOverwrite = 0;
  m_btnOverwrite.SetCheck(BST_UNCHECKED);
  m_btnFullStop.SetCheck(BST_CHECKED);
  m_btnByDistance.SetCheck(BST_UNCHECKED);
  m_btnBySecond.SetCheck(BST_CHECKED);
  m_nLogBy = 0;
  m_progress.SetRange(0, 100);
  m_progress.SetPos(0);
  m_progress.SetWindowText("0%");
  UpdateData(TRUE);
}

void CPageMTKTracklogSetting::OnEnableRecording() {
  m_bRecordEnabled = m_btnEnable.GetCheck();
  if (m_bRecordEnabled) {
    // The page holds what the lists show, so Apply sends what the user sees.
    m_nIntervalSec = kIntervals[0];
    m_cbInterval.SetCurSel(0);
    m_nDistance = Distances(m_bImperial)[0];
    m_cbDistance.SetCurSel(0);
    m_cbInterval.EnableWindow(TRUE);
    m_cbDistance.EnableWindow(TRUE);
  } else {
    m_nIntervalSec = 0;
    m_nDistance = 0;
    m_cbInterval.EnableWindow(FALSE);
    m_cbDistance.EnableWindow(FALSE);
  }
  UpdateData(TRUE);
}

void CPageMTKTracklogSetting::OnSelchangeInterval() {
  const int i = m_cbInterval.GetCurSel();
  if (i >= 0 && i < static_cast<int>(std::size(kIntervals))) m_nIntervalSec = kIntervals[i];
}

void CPageMTKTracklogSetting::OnSelchangeDistance() {
  const int i = m_cbDistance.GetCurSel();
  if (i >= 0 && i < static_cast<int>(std::size(kDistancesMetric)))
    m_nDistance = Distances(m_bImperial)[i];
}

void CPageMTKTracklogSetting::OnFullAndStop() {
  m_nFullAndStop = 1;
  m_nOverwrite = 0;
  m_nRecordMode = LOG_FULL_AND_STOP;
  m_btnOverwrite.SetCheck(BST_UNCHECKED);
  m_btnFullStop.SetCheck(BST_CHECKED);
}

void CPageMTKTracklogSetting::OnOverwrite() {
  m_nFullAndStop = 0;
  m_nOverwrite = 1;
  m_nRecordMode = LOG_OVERWRITE;
  m_btnOverwrite.SetCheck(BST_CHECKED);
  m_btnFullStop.SetCheck(BST_UNCHECKED);
}

void CPageMTKTracklogSetting::OnByDistance() {
  m_btnByDistance.SetCheck(BST_CHECKED);
  m_btnBySecond.SetCheck(BST_UNCHECKED);
  m_nLogBy = 1;
}

void CPageMTKTracklogSetting::OnBySecond() {
  m_btnByDistance.SetCheck(BST_UNCHECKED);
  m_btnBySecond.SetCheck(BST_CHECKED);
  m_nLogBy = 0;
}

void CPageMTKTracklogSetting::OnPaint() { CPaintDC dc(this); }

int CPageMTKTracklogSetting::ValueToListIndex(int list, int value) {
  if (list == 0) {
    switch (value) {
      case 1:
        return 0;
      case 10:
        return 2;
      case 15:
        return 3;
      case 30:
        return 4;
      case 60:
        return 5;
      case 120:
        return 6;
      default:
        return 1;
    }
  }
  switch (value) {
    case 100:
      return 1;
    case 150:
      return 2;
    case 300:
      return 3;
    case 500:
      return 4;
    case 1000:
      return 5;
    default:
      return 0;
  }
}

void CPageMTKTracklogSetting::ShowCachedSettings() {
  const CUtilityManager& settings = g_utilityManager;
  m_stPercent.SetWindowText("100%");
  m_progress.SetRange(0, 100);
  m_progress.SetPos(0);
  // A full log takes no new settings; once there is room again they are
  // offered again.
  const BOOL room = settings.m_nFreeRecords > 3;
  for (CWnd* control : {static_cast<CWnd*>(&m_btnByDistance), static_cast<CWnd*>(&m_btnBySecond),
                        static_cast<CWnd*>(&m_cbInterval), static_cast<CWnd*>(&m_cbDistance),
                        static_cast<CWnd*>(&m_btnOverwrite), static_cast<CWnd*>(&m_btnFullStop)})
    control->EnableWindow(room);
  if (room) {
    // The mode held follows the mode shown, so Apply sends what is shown.
    if (settings.m_nLogRecordMode == LOG_FULL_AND_STOP) {
      m_nRecordMode = LOG_FULL_AND_STOP;
      m_nFullAndStop = 1;
      m_nOverwrite = 0;
      m_btnFullStop.SetCheck(BST_CHECKED);
      m_btnOverwrite.SetCheck(BST_UNCHECKED);
    } else {
      m_nFullAndStop = 0;
      m_nOverwrite = 1;
      m_btnOverwrite.SetCheck(BST_CHECKED);
      m_btnFullStop.SetCheck(BST_UNCHECKED);
      m_nRecordMode = LOG_OVERWRITE;
      g_utilityManager.m_nLogRecordMode = LOG_OVERWRITE;
    }
    m_nIntervalSec = static_cast<int>(settings.m_nLogInterval * 0.1);
    m_cbInterval.SetCurSel(ValueToListIndex(0, m_nIntervalSec));
    m_bImperial = settings.m_bImperialUnits;
    const int* distances = Distances(m_bImperial);
    for (int i = 0; i < static_cast<int>(std::size(kDistancesMetric)); ++i)
      if (distances[i] == settings.m_nLogDistance) {
        m_cbDistance.SetCurSel(i);
        m_nDistance = distances[i];
      }
    m_nLogBy = settings.m_nLogByChoice;
    m_btnByDistance.SetCheck(m_nLogBy ? BST_CHECKED : BST_UNCHECKED);
    m_btnBySecond.SetCheck(m_nLogBy ? BST_UNCHECKED : BST_CHECKED);
  }
  SetDlgItemTextRes(IDC_MTK_UNIT_LABEL, m_bImperial ? IDS_MTK_FEET : IDS_MTK_METER);
  SetDlgItemTextRes(IDC_MTK_SETTING_STATUS, IDS_MTK_READ_STATUS);
  SetDlgItemTextRes(IDC_MTK_TRANSFER_STATUS, IDS_MTK_TRANSFER_STATUS);
  UpdateData(TRUE);
}

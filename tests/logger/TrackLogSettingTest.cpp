// The track-log setting page's sentences against the simulated logger:
// recording switch, units, Apply, Defaults and Read.
#include "logger/LoggerPageFixture.h"
#include "logger/PageTrackLogSetting.h"

namespace {

// A sentence as the logger records it: checksum, no CR LF.
std::string Sentence(const std::string& body) {
  std::string s = sim::SimLogger::WithChecksum(body);
  return s.substr(0, s.find('\r'));
}

class TrackLogSettingTest : public LoggerPortTest {
 protected:
  void SetUp() override {
    LoggerPortTest::SetUp();
    page.SetDevicePage(&device);
    ASSERT_TRUE(page.Create(IDD_PAGE_TRACKLOG_SETTING, nullptr));
    logger.ClearReceived();
  }
  void TearDown() override {
    page.DestroyWindow();
    LoggerPortTest::TearDown();
  }
  std::string Text(int id) const { return page.GetDlgItem(id)->GetWindowTextString(); }
  bool Enabled(int id) const { return page.GetDlgItem(id)->IsWindowEnabled(); }
  // A click on a radio button of a group.
  void Choose(CButton& on, CButton& off) {
    on.SetCheck(BST_CHECKED);
    off.SetCheck(BST_UNCHECKED);
  }
  void Apply() { page.SendMessage(WM_PAGE_COMMAND, PAGECMD_APPLY, 0); }

  CPageTrackLogSetting page;
};

TEST_F(TrackLogSettingTest, RecordingSwitchSendsAtOnceAndApplySendsWhatDiffers) {
  EXPECT_EQ(page.m_btnEnable.GetCheck(), BST_CHECKED);
  EXPECT_EQ(Text(IDC_TLS_SECONDS), "10");
  EXPECT_EQ(Text(IDC_TLS_DISTANCE), "100");
  EXPECT_TRUE(Enabled(IDC_TLS_SECONDS));
  EXPECT_FALSE(Enabled(IDC_TLS_DISTANCE));

  page.m_btnEnable.SetCheck(BST_UNCHECKED);
  page.OnEnableRecording();
  EXPECT_EQ(Count("$PMTK182,11*"), 1);
  EXPECT_FALSE(settings->recording);
  for (int id :
       {IDC_TLS_BY_TIME, IDC_TLS_SECONDS, IDC_TLS_SECOND_LABEL, IDC_TLS_BY_DISTANCE,
        IDC_TLS_DISTANCE, IDC_TLS_METER, IDC_TLS_FOOT, IDC_TLS_UNIT, IDC_TLS_CYCLE, IDC_TLS_ONCE})
    EXPECT_FALSE(Enabled(id)) << id;

  // The sent value still says on, so Apply sends the switch again, and
  // nothing else has changed.
  Apply();
  EXPECT_EQ(Count("$PMTK182,11*"), 2);
  EXPECT_EQ(logger.Received().size(), 2u);
  Apply();
  EXPECT_EQ(logger.Received().size(), 2u);

  page.m_btnEnable.SetCheck(BST_CHECKED);
  page.OnEnableRecording();
  EXPECT_TRUE(settings->recording);
  Choose(page.m_btnByDistance, page.m_btnByTime);
  page.OnLogBy();
  EXPECT_FALSE(Enabled(IDC_TLS_SECONDS));
  EXPECT_TRUE(Enabled(IDC_TLS_DISTANCE));
  page.m_edSeconds.SetWindowText("15");
  Choose(page.m_btnOnce, page.m_btnCycle);
  page.OnFlashMode();
  logger.ClearReceived();
  Apply();
  const auto sent = logger.Received();
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[0].substr(0, 11), "$PMTK182,10");
  EXPECT_EQ(sent[1], Sentence("$PMTK182,1,1,3"));
  EXPECT_EQ(sent[2], Sentence("$PMTK182,1,3,15"));
  EXPECT_EQ(sent[3], Sentence("$PMTK182,1,6,2"));
  EXPECT_EQ(logger.LogParameter(3), 15u);
  EXPECT_EQ(logger.LogParameter(6), 2u);
}

TEST_F(TrackLogSettingTest, FeetAndMetres) {
  // 100 m shows as 328 ft and back as 100 m.
  Choose(page.m_btnFoot, page.m_btnMeter);
  page.OnUnits();
  EXPECT_EQ(Text(IDC_TLS_DISTANCE), "328");
  EXPECT_EQ(Text(IDC_TLS_UNIT), "Foot");
  Choose(page.m_btnMeter, page.m_btnFoot);
  page.OnUnits();
  EXPECT_EQ(Text(IDC_TLS_DISTANCE), "100");
  EXPECT_EQ(Text(IDC_TLS_UNIT), "Meter");

  // 50 ft applied goes out in feet and keeps 15 m.
  Choose(page.m_btnFoot, page.m_btnMeter);
  page.OnUnits();
  page.m_edDistance.SetWindowText("50");
  Apply();
  ASSERT_EQ(logger.Received().size(), 1u);
  EXPECT_EQ(logger.Received()[0], Sentence("$PMTK182,1,5,50"));
  EXPECT_EQ(page.m_nMetres, 15);
  EXPECT_EQ(page.m_nMetresSent, 15);
  EXPECT_EQ(logger.LogParameter(4), 15u);

  // Defaults show metres; switching units then starts from those metres.
  page.SendMessage(WM_PAGE_COMMAND, PAGECMD_DEFAULTS, 0);
  EXPECT_EQ(Text(IDC_TLS_DISTANCE), "100");
  EXPECT_EQ(page.m_btnMeter.GetCheck(), BST_CHECKED);
  Choose(page.m_btnFoot, page.m_btnMeter);
  page.OnUnits();
  EXPECT_EQ(Text(IDC_TLS_DISTANCE), "328");
  // Defaults keep the sent metres, so Apply sends the default distance.
  logger.ClearReceived();
  Choose(page.m_btnMeter, page.m_btnFoot);
  page.OnUnits();
  Apply();
  ASSERT_EQ(logger.Received().size(), 1u);
  EXPECT_EQ(logger.Received()[0], Sentence("$PMTK182,1,4,100"));
}

TEST_F(TrackLogSettingTest, ReadTakesWholeFieldsAndChangesNothingOnTheLogger) {
  page.m_btnEnable.SetCheck(BST_UNCHECKED);
  page.OnEnableRecording();
  logger.SetLogParameter(3, 15);
  logger.SetLogParameter(4, 1000);
  logger.SetLogParameter(6, 2);
  logger.ClearReceived();

  page.OnRead();
  EXPECT_EQ(Text(IDC_TLS_SETTING_STATUS), "Update Setting Successfully.");
  EXPECT_EQ(Text(IDC_TLS_SECONDS), "15");
  EXPECT_EQ(Text(IDC_TLS_DISTANCE), "1000");
  EXPECT_EQ(page.m_nFeet, 3280);
  EXPECT_EQ(page.m_btnOnce.GetCheck(), BST_CHECKED);
  EXPECT_EQ(page.m_btnByTime.GetCheck(), BST_CHECKED);
  // No recording command went out; the switch shows what it held.
  EXPECT_EQ(Count("$PMTK182,10"), 0);
  EXPECT_EQ(Count("$PMTK182,11"), 0);
  EXPECT_FALSE(settings->recording);
  EXPECT_EQ(page.m_btnEnable.GetCheck(), BST_UNCHECKED);
  EXPECT_FALSE(Enabled(IDC_TLS_SECONDS));
  // What was read counts as sent: Apply sends only the switch the user changed.
  logger.ClearReceived();
  Apply();
  ASSERT_EQ(logger.Received().size(), 1u);
  EXPECT_EQ(logger.Received()[0].substr(0, 12), "$PMTK182,11*");

  // An interval of 0 means logging by distance.
  logger.SetLogParameter(3, 0);
  page.OnRead();
  EXPECT_EQ(page.m_nLogByKind, 3);
  EXPECT_EQ(page.m_btnByDistance.GetCheck(), BST_CHECKED);
}

TEST_F(TrackLogSettingTest, SilentOrAbsentLoggerIsReportedAndChangesNothing) {
  sim::Faults silent;
  silent.silent = true;
  logger.SetFaults(silent);
  logger.SetLogParameter(3, 15);
  page.OnRead();
  EXPECT_EQ(Text(IDC_TLS_SETTING_STATUS),
            "The device does not answer. Check the connection and try again.");
  EXPECT_EQ(Text(IDC_TLS_SECONDS), "10");
  // The sender gives up after a bounded number of tries.
  EXPECT_EQ(Count("$PMTK182,2*"), CPageTrackLogSetting::kRetryAttempts);

  page.m_edSeconds.SetWindowText("20");
  Apply();
  EXPECT_EQ(page.m_nSecondsSent, 10);  // not taken as sent: the next Apply tries again

  logger.SetFaults(sim::Faults{});
  g_bPortOpen = FALSE;
  page.SetDlgItemText(IDC_TLS_SETTING_STATUS, "");
  page.OnRead();
  EXPECT_EQ(Text(IDC_TLS_SETTING_STATUS), "Not Connected");
  EXPECT_EQ(page.m_nSeconds, 20);
  EXPECT_EQ(page.m_nLogByKindSent, 2);

  // Apply without a port sends nothing and keeps the change for later.
  page.SetDlgItemText(IDC_TLS_SETTING_STATUS, "");
  Apply();
  EXPECT_EQ(Text(IDC_TLS_SETTING_STATUS), "Not Connected");
  EXPECT_EQ(page.m_nSecondsSent, 10);
  g_bPortOpen = TRUE;
  device.m_strComPort = logger.PortPath();
  ASSERT_TRUE(device.OpenPort());
  logger.ClearReceived();
  Apply();
  EXPECT_EQ(Count("$PMTK182,1,3,20*"), 1);
  EXPECT_EQ(page.m_nSecondsSent, 20);
}

TEST_F(TrackLogSettingTest, ARefusalIsReportedAndNothingCountsAsSent) {
  settings->refusal = 2;
  page.m_edSeconds.SetWindowText("20");
  Apply();
  EXPECT_EQ(Text(IDC_TLS_SETTING_STATUS), "The device refused the setting.");
  EXPECT_EQ(page.m_nSecondsSent, 10);
  page.SetDlgItemText(IDC_TLS_SETTING_STATUS, "");
  page.m_btnEnable.SetCheck(BST_UNCHECKED);
  page.OnEnableRecording();
  EXPECT_EQ(Text(IDC_TLS_SETTING_STATUS), "The device refused the setting.");
  EXPECT_TRUE(settings->recording);
}

TEST_F(TrackLogSettingTest, AnEmptyIntervalOrDistanceIsNotSent) {
  page.m_edSeconds.SetWindowText("");
  Apply();
  EXPECT_EQ(Text(IDC_TLS_SETTING_STATUS), "Enter an interval of at least 1 second.");
  EXPECT_EQ(page.m_nSecondsSent, 10);
  page.m_edSeconds.SetWindowText("20");
  page.m_edDistance.SetWindowText("0");
  Apply();
  EXPECT_EQ(Text(IDC_TLS_SETTING_STATUS), "Enter a distance of at least 1.");
  EXPECT_EQ(page.m_nMetresSent, 100);
  ASSERT_EQ(logger.Received().size(), 1u);
  EXPECT_EQ(logger.Received()[0], Sentence("$PMTK182,1,3,20"));
  // A logger that logs by distance holds an interval of 0: nothing is missing.
  logger.SetLogParameter(3, 0);
  page.OnRead();
  page.m_edDistance.SetWindowText("300");
  Apply();
  EXPECT_NE(Text(IDC_TLS_SETTING_STATUS), "Enter an interval of at least 1 second.");
  EXPECT_EQ(logger.Received().back(), Sentence("$PMTK182,1,4,300"));
}

TEST_F(TrackLogSettingTest, AValueThePageCannotShowIsABadReply) {
  // 700,000,000 m is more feet than the page can hold.
  logger.SetLogParameter(4, 700000000);
  logger.SetLogParameter(6, 1);
  page.OnRead();
  EXPECT_EQ(Text(IDC_TLS_SETTING_STATUS), "The device sent a setting out of range.");
  EXPECT_EQ(Text(IDC_TLS_DISTANCE), "100");
  EXPECT_EQ(page.m_nFeet, 328);
}

}  // namespace

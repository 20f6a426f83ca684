// Handler dispatch through message maps, as the pages declare them.
#include <gtest/gtest.h>

#include "framework/Controls.h"
#include "framework/Resources.h"
#include "framework/UserInput.h"
#include "support/ScriptedUi.h"

namespace {

constexpr UINT IDD_TEST_PAGE = 9100;
constexpr int IDC_GO = 1001;
constexpr int IDC_PORT = 1002;
constexpr int IDC_NAME = 1003;
constexpr int IDC_TAB = 1004;
constexpr int IDC_CHECK = 1005;
constexpr UINT WM_TEST_COMMAND = WM_USER + 100;

void RegisterTestPage() {
  RegisterDialogTemplate(
      DialogTemplate{static_cast<int>(IDD_TEST_PAGE),
                     200,
                     120,
                     "Arial",
                     8,
                     "Test page",
                     {
                         {IDC_GO, CtrlKind::Button, 10, 10, 50, 14, CS_VISIBLE, "Go"},
                         {IDC_PORT, CtrlKind::ComboList, 10, 30, 50, 60, CS_VISIBLE, ""},
                         {IDC_NAME, CtrlKind::Edit, 10, 50, 50, 12, CS_VISIBLE, ""},
                         {IDC_TAB, CtrlKind::Tab, 70, 10, 120, 80, CS_VISIBLE, ""},
                         {IDC_CHECK, CtrlKind::CheckBox, 10, 70, 50, 10, CS_VISIBLE, "Check"},
                         {IDOK, CtrlKind::Button, 100, 100, 40, 14, CS_VISIBLE | CS_DEFAULT, "OK"},
                         {IDCANCEL, CtrlKind::Button, 150, 100, 40, 14, CS_VISIBLE, "Cancel"},
                     }});
}

class CTestPage : public CDialog {
 public:
  CTestPage() : CDialog(IDD_TEST_PAGE) {}
  int clicks = 0, selChanges = 0, nameChanges = 0, tabChanges = 0, okCount = 0, cancelCount = 0;
  LRESULT lastCommand = -1;
  CComboBox m_cbPort;
  CButton m_chk;
  std::string m_strName;
  int m_bCheck = 0;

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PORT, m_cbPort);
    DDX_Control(pDX, IDC_CHECK, m_chk);
    DDX_Text(pDX, IDC_NAME, m_strName);
    DDX_Check(pDX, IDC_CHECK, m_bCheck);
  }
  void OnOK() override { ++okCount; }
  void OnCancel() override { ++cancelCount; }
  afx_msg void OnGo() { ++clicks; }
  afx_msg void OnSelchangePort() { ++selChanges; }
  afx_msg void OnChangeName() { ++nameChanges; }
  afx_msg void OnSelchangeTab(NMHDR*, LRESULT* pResult) {
    ++tabChanges;
    *pResult = 0;
  }
  afx_msg LRESULT OnTestCommand(WPARAM wParam, LPARAM) {
    lastCommand = static_cast<LRESULT>(wParam);
    return 42;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestPage, CDialog)
ON_BN_CLICKED(IDC_GO, &CTestPage::OnGo)
ON_CBN_SELCHANGE(IDC_PORT, &CTestPage::OnSelchangePort)
ON_EN_CHANGE(IDC_NAME, &CTestPage::OnChangeName)
ON_NOTIFY(TCN_SELCHANGE, IDC_TAB, &CTestPage::OnSelchangeTab)
ON_MESSAGE(WM_TEST_COMMAND, &CTestPage::OnTestCommand)
END_MESSAGE_MAP()

TEST(MessageMap, UserActionsReachTheirHandlers) {
  RegisterTestPage();
  CTestPage page;
  ASSERT_TRUE(page.Create(IDD_TEST_PAGE, nullptr));
  page.ShowWindow(SW_SHOW);
  page.m_cbPort.AddString("COM1");
  page.m_cbPort.AddString("COM2");

  UserClick(page, IDC_GO);
  UserSelect(page, IDC_PORT, 1);
  UserType(page, IDC_NAME, "abc");
  EXPECT_EQ(page.clicks, 1);
  EXPECT_EQ(page.selChanges, 1);
  EXPECT_EQ(page.nameChanges, 1);
  EXPECT_EQ(page.m_cbPort.GetCurSel(), 1);

  // Setting state from code sends no click or selection notification, but
  // a new edit text reports EN_CHANGE.
  page.m_cbPort.SetCurSel(0);
  page.SetDlgItemText(IDC_NAME, "xyz");
  EXPECT_EQ(page.selChanges, 1);
  EXPECT_EQ(page.nameChanges, 2);

  EXPECT_EQ(page.SendMessage(WM_TEST_COMMAND, 3, 0), 42);
  EXPECT_EQ(page.lastCommand, 3);

  // Escape and Enter reach the overridden Cancel and OK.
  UserDialogKey(page, VK_ESCAPE);
  UserDialogKey(page, VK_RETURN);
  EXPECT_EQ(page.cancelCount, 1);
  EXPECT_EQ(page.okCount, 1);
}

TEST(MessageMap, DisabledOrHiddenControlsIgnoreTheUser) {
  RegisterTestPage();
  CTestPage page;
  ASSERT_TRUE(page.Create(IDD_TEST_PAGE, nullptr));
  page.ShowWindow(SW_SHOW);
  page.GetDlgItem(IDC_GO)->EnableWindow(FALSE);
  UserClick(page, IDC_GO);
  page.GetDlgItem(IDC_GO)->EnableWindow(TRUE);
  page.GetDlgItem(IDC_GO)->ShowWindow(SW_HIDE);
  UserClick(page, IDC_GO);
  EXPECT_EQ(page.clicks, 0);
}

TEST(MessageMap, DataExchangeBothWays) {
  RegisterTestPage();
  CTestPage page;
  ASSERT_TRUE(page.Create(IDD_TEST_PAGE, nullptr));
  page.m_strName = "hello";
  page.m_bCheck = 1;
  page.UpdateData(FALSE);
  std::string text;
  page.GetDlgItemText(IDC_NAME, text);
  EXPECT_EQ(text, "hello");
  EXPECT_EQ(page.m_chk.GetCheck(), 1);
  page.ShowWindow(SW_SHOW);
  UserType(page, IDC_NAME, "typed");
  UserClick(page, IDC_CHECK);
  ASSERT_TRUE(page.UpdateData(TRUE));
  EXPECT_EQ(page.m_strName, "typed");
  EXPECT_EQ(page.m_bCheck, 0);
}

}  // namespace

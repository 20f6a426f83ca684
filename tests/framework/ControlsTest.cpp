// Control classes over the framework's state.
#include <gtest/gtest.h>

#include "FrameworkTestSupport.h"
#include "framework/UserInput.h"

using namespace fwtest;

namespace {

class CPage : public CDialog {
 public:
  CPage() : CDialog(IDD_PAGE) {}
  CComboBox m_combo;
  CListBox m_list;
  CProgressCtrl m_progress;
  CEdit m_edit;
  CSpinButtonCtrl m_spin;
  std::string m_strEdit;
  int m_nFull = -1, m_nBy = -1;
  int editChanges = 0, deltas = 0, refuseSpin = 0, radioClicks = 0;

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Control(pDX, IDC_COMBO, m_combo);
    DDX_Control(pDX, IDC_LIST, m_list);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
    DDX_Control(pDX, IDC_EDIT, m_edit);
    DDX_Control(pDX, IDC_SPIN, m_spin);
    DDX_Text(pDX, IDC_EDIT, m_strEdit);
    DDV_MaxChars(pDX, m_strEdit, 3);
    DDX_Radio(pDX, IDC_RADIO_A, m_nFull);
    DDX_Radio(pDX, IDC_RADIO_C, m_nBy);
  }
  void OnOK() override {}
  void OnCancel() override {}
  afx_msg void OnChangeEdit() { ++editChanges; }
  afx_msg void OnDeltaPos(NMHDR* hdr, LRESULT* result) {
    ++deltas;
    EXPECT_EQ(reinterpret_cast<NMUPDOWN*>(hdr)->hdr.code, UDN_DELTAPOS);
    *result = refuseSpin;
  }
  afx_msg void OnRadio(UINT) { ++radioClicks; }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPage, CDialog)
ON_EN_CHANGE(IDC_EDIT, &CPage::OnChangeEdit)
ON_NOTIFY(UDN_DELTAPOS, IDC_SPIN, &CPage::OnDeltaPos)
ON_CONTROL_RANGE(BN_CLICKED, IDC_RADIO_A, IDC_RADIO_D, &CPage::OnRadio)
END_MESSAGE_MAP()

struct Fixture : ::testing::Test {
  Headless headless;
  CPage page;
  void SetUp() override {
    RegisterTemplates();
    ASSERT_TRUE(page.Create(IDD_PAGE, nullptr));
    page.ShowWindow(SW_SHOW);
  }
};

}  // namespace

using Controls = Fixture;

TEST_F(Controls, ComboInsertKeepsPositionsAndSelectionFollowsItsItem) {
  CComboBox& c = page.m_combo;
  EXPECT_EQ(c.GetCurSel(), CB_ERR);
  for (const char* z : {"+13", "+12", "0", "-1"}) c.InsertString(-1, z);
  EXPECT_EQ(c.InsertString(1, "x"), 1);
  EXPECT_EQ(c.InsertString(9, "y"), CB_ERR);
  std::string t;
  c.GetLBText(1, t);
  EXPECT_EQ(t, "x");
  EXPECT_EQ(c.SetCurSel(3), 3);
  EXPECT_EQ(c.GetWindowTextString(), "0");
  c.InsertString(0, "first");  // the selected item moves down with its text
  EXPECT_EQ(c.GetCurSel(), 4);
  EXPECT_EQ(c.SetCurSel(99), CB_ERR);
  EXPECT_EQ(c.GetCurSel(), CB_ERR);
  EXPECT_EQ(c.FindStringExact(-1, "X"), 2);
  EXPECT_EQ(c.GetLBText(42, t), CB_ERR);
  c.ResetContent();
  EXPECT_EQ(c.GetCount(), 0);
}

TEST_F(Controls, ListDeletionKeepsTheSelectionOnItsItem) {
  CListBox& l = page.m_list;
  for (const char* s : {"a", "b", "c", "d"}) l.AddString(s);
  l.SetCurSel(2);
  EXPECT_EQ(l.DeleteString(0), 3);
  EXPECT_EQ(l.GetCurSel(), 1);
  EXPECT_EQ(l.DeleteString(1), 2);
  EXPECT_EQ(l.GetCurSel(), LB_ERR);
  EXPECT_EQ(l.DeleteString(7), LB_ERR);
  l.SetHorizontalExtent(120);
  EXPECT_EQ(l.GetHorizontalExtent(), 120);
  // The fixed measure: 7 pixels per character in the page's 10 pt font.
  EXPECT_EQ(l.MeasureItemText("abcd"), 28);
}

TEST_F(Controls, ProgressPositionStaysInItsRange) {
  CProgressCtrl& p = page.m_progress;
  p.SetRange(0, 100);
  EXPECT_EQ(p.SetPos(50), 0);
  EXPECT_EQ(p.SetPos(150), 50);
  EXPECT_EQ(p.GetPos(), 100);
  p.SetPos(-5);
  EXPECT_EQ(p.GetPos(), 0);
  p.SetRange32(10, 20);
  EXPECT_EQ(p.GetPos(), 10);
  p.SetStep(6);
  p.StepIt();
  p.StepIt();
  EXPECT_EQ(p.GetPos(), 10);  // past the end: back to the start
}

TEST_F(Controls, SpinArrowsAskTheParentThenMoveAndShowInTheBuddy) {
  page.m_spin.SetRange(-30, 30);
  page.m_spin.SetPos(0);
  EXPECT_EQ(page.m_edit.GetWindowTextString(), "0");
  int before = page.editChanges;
  UserSpin(page, IDC_SPIN, +1);
  EXPECT_EQ(page.m_spin.GetPos(), 1);
  EXPECT_EQ(page.m_edit.GetWindowTextString(), "1");
  EXPECT_EQ(page.editChanges, before + 1);  // the buddy reports the change
  page.refuseSpin = 1;
  UserSpin(page, IDC_SPIN, +1);
  EXPECT_EQ(page.m_spin.GetPos(), 1);
  page.refuseSpin = 0;
  page.m_spin.SetPos(30);
  UserSpin(page, IDC_SPIN, +1);
  EXPECT_EQ(page.m_spin.GetPos(), 30);
  EXPECT_EQ(page.deltas, 3);
}

TEST_F(Controls, EditTakesDigitsOnlyAndHonoursTheLimitFromDataExchange) {
  UserType(page, IDC_EDIT, "1a2b34");
  EXPECT_EQ(page.m_edit.GetWindowTextString(), "123");  // digits, at most 3
  page.m_edit.SetReadOnly(TRUE);
  UserType(page, IDC_EDIT, "9");
  EXPECT_EQ(page.m_edit.GetWindowTextString(), "123");
  // Code may still set a longer text; saving it then fails the check.
  page.m_edit.SetWindowText("12345");
  EXPECT_FALSE(page.UpdateData(TRUE));
}

TEST_F(Controls, TypingPastTheLimitNeverCutsACharacterInTwo) {
  auto* name = static_cast<CEdit*>(page.GetDlgItem(IDC_NAME));
  name->SetLimitText(16);
  UserType(page, IDC_NAME, "ABCDEFGHIJKLMNOPQRS");
  EXPECT_EQ(name->GetWindowTextString(), "ABCDEFGHIJKLMNOP");
  // Six characters of three bytes each: the limit of 16 bytes keeps five.
  UserType(page, IDC_NAME,
           "\xE8\xA3\x9D\xE7\xBD\xAE\xE5\x9E\x8B\xE8\x99\x9F\xE9\x9B\xBB\xE8\x85\xA6");
  EXPECT_EQ(name->GetWindowTextString(),
            "\xE8\xA3\x9D\xE7\xBD\xAE\xE5\x9E\x8B\xE8\x99\x9F\xE9\x9B\xBB");
  UserType(page, IDC_NAME, "ABCDEFGHIJKLMNO\xC3\xA9");  // 15 + a two-byte character
  EXPECT_EQ(name->GetWindowTextString(), "ABCDEFGHIJKLMNO");
}

TEST_F(Controls, RadioGroupsStopAtTheNextGroupStart) {
  UserClick(page, IDC_RADIO_B);
  UserClick(page, IDC_RADIO_D);
  EXPECT_EQ(page.IsDlgButtonChecked(IDC_RADIO_B), 1u);  // other group untouched
  EXPECT_EQ(page.IsDlgButtonChecked(IDC_RADIO_D), 1u);
  UserClick(page, IDC_RADIO_A);
  EXPECT_EQ(page.IsDlgButtonChecked(IDC_RADIO_B), 0u);
  EXPECT_EQ(page.radioClicks, 3);
  page.m_strEdit = "1";
  ASSERT_TRUE(page.UpdateData(TRUE));
  EXPECT_EQ(page.m_nFull, 0);
  EXPECT_EQ(page.m_nBy, 1);
  page.m_nFull = 1;
  page.m_nBy = -1;
  page.UpdateData(FALSE);
  EXPECT_EQ(page.GetCheckedRadioButton(IDC_RADIO_A, IDC_RADIO_B), IDC_RADIO_B);
  EXPECT_EQ(page.GetCheckedRadioButton(IDC_RADIO_C, IDC_RADIO_D), 0);
}

TEST_F(Controls, ObjectsOfDestroyedControlsAreHarmless) {
  CWnd* status = page.GetDlgItem(IDC_STATUS);
  ASSERT_NE(status, nullptr);
  page.DestroyWindow();
  EXPECT_EQ(page.m_hWnd, nullptr);
  EXPECT_EQ(page.m_combo.m_hWnd, nullptr);
  status->SetWindowText("late worker");  // does nothing
  EXPECT_EQ(status->GetWindowTextString(), "");
  EXPECT_EQ(page.m_progress.SetPos(3), 0);
  EXPECT_EQ(page.GetDlgItem(IDC_STATUS), nullptr);
}

namespace {
// A list box that keeps its extent, as a derived class would.
class CWideList : public CListBox {
 public:
  int widest = 0;
  int AddString(TextArg text) {
    int r = CListBox::AddString(text);
    if (r >= 0 && MeasureItemText(text) > widest)
      SetHorizontalExtent(widest = MeasureItemText(text));
    return r;
  }
};
}  // namespace

TEST_F(Controls, DerivedListBoxMeasuresItsItemsInItsFont) {
  CWideList list;
  ASSERT_TRUE(list.SubclassDlgItem(IDC_LIST, &page));
  list.AddString("short");
  list.AddString("a much longer line");
  list.AddString("mid");
  EXPECT_EQ(list.GetCount(), 3);
  EXPECT_EQ(list.GetHorizontalExtent(), list.MeasureItemText("a much longer line"));
  EXPECT_EQ(page.GetDlgItem(IDC_LIST), &list);  // the bound object answers for the control
}

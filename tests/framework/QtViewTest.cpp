// The Qt view (offscreen): modal loops, timers and posted messages under
// Qt's event loop, and dialogs saved as PNG images.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <filesystem>

#include "FrameworkTestSupport.h"
#include "framework/BitmapRegistry.h"
#include "framework/Resources.h"
#include "framework/Thread.h"
#include "framework/UserInput.h"
#include "framework/qt/ListBoxWidget.h"
#include "framework/qt/QtInternal.h"
#include "support/ScriptedUi.h"
#include "support/test_support.h"

using namespace fwtest;

namespace {

constexpr UINT IDB_TEST_PICTURE = 9300;

class CPage : public CDialog {
 public:
  CPage() : CDialog(IDD_PAGE) {}
  CComboBox m_combo;
  CProgressCtrl m_progress;

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Control(pDX, IDC_COMBO, m_combo);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
  }
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    for (int i = 1; i <= 22; ++i) m_combo.AddString("COM" + std::to_string(i));
    m_combo.SetCurSel(11);
    m_progress.SetRange(0, 100);
    m_progress.SetPos(60);
    SetDlgItemText(IDC_WARNING, "[Warning] Do not disconnect cable from device or PC.");
    return TRUE;
  }
  void OnOK() override {}
  void OnCancel() override {}
  afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor) {
    if (nCtlColor == CTLCOLOR_STATIC && pWnd->GetDlgCtrlID() == IDC_WARNING)
      pDC->SetTextColor(RGB(255, 0, 0));
    return nullptr;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPage, CDialog)
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

// Owner-drawn tabs: greyed text for the second tab.
class CGreyTab : public CTabCtrl {
 public:
  int drawn = 0;
  void DrawItem(LPDRAWITEMSTRUCT dis) override {
    ++drawn;
    CDC* dc = CDC::FromHandle(dis->hDC);
    char text[64];
    TCITEM item;
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    GetItem(static_cast<int>(dis->itemID), &item);
    dc->SetTextColor(dis->itemID == 1 ? GetSysColor(COLOR_GRAYTEXT) : GetSysColor(COLOR_BTNTEXT));
    dc->DrawText(text, &dis->rcItem, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  }
};

class CMain : public CDialog {
 public:
  CMain() : CDialog(IDD_MAIN) {}
  CGreyTab m_tab;
  CPage m_page;
  int timerTicks = 0;
  int posted = 0;

 protected:
  void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_TAB, m_tab); }
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    m_tab.InsertItem(0, "Device");
    m_tab.InsertItem(1, "Log");
    m_tab.ModifyStyle(0, TCS_OWNERDRAWFIXED);
    m_page.Create(IDD_PAGE, &m_tab);
    CRect item;
    m_tab.GetItemRect(0, &item);
    m_page.SetWindowPos(nullptr, item.left + 8, item.top + 28, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    m_page.ShowWindow(SW_SHOW);
    return TRUE;
  }
  afx_msg void OnTimer(UINT_PTR) {
    if (++timerTicks == 3) EndDialog(IDOK);
  }
  afx_msg LRESULT OnPosted(WPARAM, LPARAM) {
    ++posted;
    SetTimer(7, 10);
    return 0;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMain, CDialog)
ON_WM_TIMER()
ON_MESSAGE(WM_USER + 1, &CMain::OnPosted)
END_MESSAGE_MAP()

}  // namespace

TEST(QtView, ModalLoopRunsTimersAndPostedMessagesInQtsEventLoop) {
  SharedView();
  RegisterTemplates();
  ScriptedUi ui;
  ui.LetModalRun(IDD_MAIN);
  CMain dlg;
  ui.OnModal(IDD_MAIN, [](CDialog& d) { d.PostMessage(WM_USER + 1); });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.posted, 1);
  EXPECT_EQ(dlg.timerTicks, 3);
}

TEST(QtView, DialogSavedAsPngShowsItsControlsAndPages) {
  SharedView();
  RegisterTemplates();
  RegisterImagePainter(ImageKind::Bitmap, IDB_TEST_PICTURE, 40, 20, [](BitmapCanvas& c) {
    c.FillRect(RECT{0, 0, 40, 20}, RGB(0, 0, 255));
  });
  CMain dlg;
  ASSERT_TRUE(dlg.Create(IDD_MAIN));
  dlg.ShowWindow(SW_SHOW);
  testsupport::TempDir dir;
  std::string mainPng = (dir.path() / "main.png").string();
  std::string pagePng = (dir.path() / "page.png").string();
  ASSERT_TRUE(SaveDialogPng(dlg, mainPng));
  ASSERT_TRUE(SaveDialogPng(dlg.m_page, pagePng));
  if (const char* keep = std::getenv("NAVREL_KEEP_PNG")) {
    std::filesystem::copy_file(mainPng, std::string(keep) + "/framework-main.png",
                               std::filesystem::copy_options::overwrite_existing);
  }

  QImage main(QString::fromStdString(mainPng));
  ASSERT_FALSE(main.isNull());
  CRect client;
  dlg.GetClientRect(&client);
  EXPECT_EQ(main.width(), client.Width());
  EXPECT_EQ(main.height(), client.Height());
  EXPECT_GT(dlg.m_tab.drawn, 0);  // the tabs were drawn by DrawItem

  // The warning static of the page is drawn in red (OnCtlColor).
  QImage page(QString::fromStdString(pagePng));
  ASSERT_FALSE(page.isNull());
  CRect warning;
  dlg.m_page.GetDlgItem(IDC_WARNING)->GetWindowRect(&warning);
  dlg.m_page.ScreenToClient(&warning);
  bool red = false;
  for (int y = warning.top; y < warning.bottom && !red; ++y)
    for (int x = warning.left; x < warning.right && !red; ++x) {
      QColor c = page.pixelColor(x, y);
      red = c.red() > 150 && c.green() < 90 && c.blue() < 90;
    }
  EXPECT_TRUE(red);
}

TEST(QtView, FontMetricsOfTheViewPlaceTheControls) {
  SharedView();
  RegisterTemplates();
  CDialog dlg(IDD_MAIN);
  ASSERT_TRUE(dlg.Create(IDD_MAIN));
  RECT r{0, 0, 4, 8};
  dlg.MapDialogRect(&r);
  // One base unit in each direction, from the view's font: plausible for 8 pt.
  EXPECT_GE(r.right, 4);
  EXPECT_LE(r.right, 9);
  EXPECT_GE(r.bottom, 10);
  EXPECT_LE(r.bottom, 18);
}

namespace {

// The widget the view made for a control, found by its window handle.
template <class W>
W* WidgetOf(HWND h) {
  for (QWidget* top : QApplication::topLevelWidgets())
    for (W* w : top->template findChildren<W*>())
      if (reinterpret_cast<HWND>(w->property("navrelHwnd").template value<quintptr>()) == h)
        return w;
  return nullptr;
}

QWidget* WindowOf(HWND h) {
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->isVisible() &&
        reinterpret_cast<HWND>(top->property("navrelHwnd").value<quintptr>()) == h)
      return top;
  return nullptr;
}

}  // namespace

TEST(QtView, ClicksOnWidgetsAndTheCloseBoxReachTheDialog) {
  SharedView();
  RegisterTemplates();
  ScriptedUi ui;
  ui.LetModalRun(IDD_MAIN);
  CDialog dlg(IDD_MAIN);
  int about = 0;
  dlg.BindCommand(IDC_ABOUT, BN_CLICKED, [&] {
    ++about;
    // Later, the user closes the window with its close box.
    QTimer::singleShot(0, [&] {
      QWidget* window = WindowOf(dlg.m_hWnd);
      ASSERT_NE(window, nullptr);
      window->close();
    });
  });
  ui.OnModal(IDD_MAIN, [&](CDialog& d) {
    // Once the window is up, the user presses About.
    QTimer::singleShot(0, [&] {
      auto* button = WidgetOf<QPushButton>(d.GetDlgItem(IDC_ABOUT)->m_hWnd);
      ASSERT_NE(button, nullptr);
      button->click();
    });
  });
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_EQ(about, 1);
}

TEST(QtView, WorkerMessageBoxIsShownOnTheGuiThread) {
  SharedView();
  RegisterTemplates();
  ScriptedUi ui;
  ui.LetModalRun(IDD_MAIN);
  SharedView().InstallDialogHooks();  // the Qt message boxes, not the scripted ones
  CDialog dlg(IDD_MAIN);
  std::atomic<int> answer{0};
  std::thread::id boxThread;
  ui.OnModal(IDD_MAIN, [&](CDialog& d) {
    AfxBeginThread(
        [](LPVOID p) -> UINT {
          auto* a = static_cast<std::atomic<int>*>(p);
          *a = AfxMessageBox("Update finished.", MB_YESNO | MB_ICONINFORMATION);
          return 0;
        },
        &answer);
    // Answer the box when it shows, then end the dialog.
    auto* timer = new QTimer(&*qApp);
    QObject::connect(timer, &QTimer::timeout, [&, timer] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        boxThread = std::this_thread::get_id();
        EXPECT_EQ(box->text(), "Update finished.");
        box->button(QMessageBox::Yes)->click();
      } else if (answer.load() != 0) {
        timer->stop();
        timer->deleteLater();
        d.EndDialog(IDOK);
      }
    });
    timer->start(10);
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(answer.load(), IDYES);
  EXPECT_EQ(boxThread, std::this_thread::get_id());
}

namespace {

// The list box of a page on the shown main window.
struct ShownList {
  CDialog main{IDD_MAIN};
  CPage page;
  CListBox* list = nullptr;
  ShownList() {
    SharedView();
    RegisterTemplates();
    EXPECT_TRUE(main.Create(IDD_MAIN));
    main.ShowWindow(SW_SHOW);
    EXPECT_TRUE(page.Create(IDD_PAGE, main.GetDlgItem(IDC_TAB)));
    page.ShowWindow(SW_SHOW);
    list = static_cast<CListBox*>(page.GetDlgItem(IDC_LIST));
  }
};

}  // namespace

TEST(QtView, ListWidgetFollowsAppendsInsertsAndDeletes) {
  ShownList shown;
  ASSERT_NE(shown.list, nullptr);
  CListBox* list = shown.list;
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 20000; ++i) {
    list->AddString("photo " + std::to_string(i));
    if (i % 100 == 0) AfxPumpMessages();  // a long loop keeping the window alive
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  list->InsertString(1, "inserted");
  list->DeleteString(0);
  AfxPumpMessages();
  QCoreApplication::processEvents();
  auto* widget = WidgetOf<qtview::ListBoxWidget>(list->m_hWnd);
  ASSERT_NE(widget, nullptr);
  ASSERT_EQ(widget->Count(), 20000);
  EXPECT_EQ(widget->Line(0), "inserted");
  EXPECT_EQ(widget->Line(19999), "photo 19999");
  // A click on the second row, then the Down key, reach the dialog.
  QMouseEvent click(QEvent::MouseButtonPress, QPointF(5, widget->fontMetrics().height() * 1.5),
                    QPointF(), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget->viewport(), &click);
  EXPECT_EQ(list->GetCurSel(), 1);
  QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &down);
  EXPECT_EQ(list->GetCurSel(), 2);
  list->ResetContent();
  list->AddString("only");
  AfxPumpMessages();
  QCoreApplication::processEvents();
  ASSERT_EQ(widget->Count(), 1);
  EXPECT_EQ(widget->Line(0), "only");
}

// Lines added one at a time to a shown list, each shown before the next:
// a line costs the same on a long list as on a short one.
TEST(QtView, AShownListAddsALineInTimeIndependentOfItsLength) {
  ShownList shown;
  ASSERT_NE(shown.list, nullptr);
  CListBox* list = shown.list;
  const auto addShown = [&](int lines) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < lines; ++i) {
      list->AddString("line " + std::to_string(i));
      AfxPumpMessages();
      QCoreApplication::processEvents();
    }
    return std::chrono::steady_clock::now() - start;
  };
  const auto onShort = addShown(300);
  for (int i = 0; i < 80000; ++i) list->AddString("filler " + std::to_string(i));
  AfxPumpMessages();
  QCoreApplication::processEvents();
  const auto onLong = addShown(300);
  // Laying out every row on each line makes the second run several times
  // slower; the allowance covers a busy machine.
  EXPECT_LT(onLong, 2 * onShort + std::chrono::milliseconds(50))
      << std::chrono::duration<double>(onShort).count() << " s on a short list, "
      << std::chrono::duration<double>(onLong).count() << " s on a long one";
  auto* widget = WidgetOf<qtview::ListBoxWidget>(list->m_hWnd);
  ASSERT_NE(widget, nullptr);
  EXPECT_EQ(widget->Count(), 80600);
}

TEST(QtView, HooksOfAViewThatWentAwayAnswerWithoutAUser) {
  SharedView();
  { QtView second; }
  EXPECT_EQ(AfxMessageBox("After the view", MB_YESNO), IDNO);
  EXPECT_EQ(BrowseForFolder("Folder"), "");
  SharedView();
}

namespace {

void PressKey(QWidget* target, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(target, &press);
}

// The main test dialog with its page shown on the tab, run modally.
class CKeyMain : public CDialog {
 public:
  CKeyMain() : CDialog(IDD_MAIN) {}
  CDialog m_page{IDD_PAGE};
  int about = 0, pageButton = 0;

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    auto* tab = static_cast<CTabCtrl*>(GetDlgItem(IDC_TAB));
    tab->InsertItem(0, "Device");
    m_page.Create(IDD_PAGE, tab);
    m_page.SetWindowPos(nullptr, 10, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    m_page.ShowWindow(SW_SHOW);
    BindCommand(IDC_ABOUT, BN_CLICKED, [this] { ++about; });
    return TRUE;
  }
};

}  // namespace

TEST(QtView, EnterPressesTheFocusedButtonElseTheDefaultAndEscapeCancels) {
  SharedView();
  RegisterTemplates();
  ScriptedUi ui;
  ui.LetModalRun(IDD_MAIN);
  CKeyMain dlg;
  ui.OnModal(IDD_MAIN, [&](CDialog& d) {
    QTimer::singleShot(0, [&] {
      QWidget* window = WindowOf(d.m_hWnd);
      ASSERT_NE(window, nullptr);
      auto* about = WidgetOf<QPushButton>(d.GetDlgItem(IDC_ABOUT)->m_hWnd);
      ASSERT_NE(about, nullptr);
      about->setFocus();
      PressKey(about, Qt::Key_Return);  // the focused button, not Close
      EXPECT_EQ(dlg.about, 1);
      EXPECT_FALSE(d.IsModalEnded());
      auto* name = WidgetOf<QLineEdit>(dlg.m_page.GetDlgItem(IDC_NAME)->m_hWnd);
      ASSERT_NE(name, nullptr);
      name->setFocus();
      PressKey(name, Qt::Key_Enter);  // an edit: the default button, Close (IDOK)
    });
  });
  EXPECT_EQ(dlg.DoModal(), IDOK);
  EXPECT_EQ(dlg.about, 1);

  CKeyMain again;
  ui.OnModal(IDD_MAIN, [&](CDialog& d) {
    QTimer::singleShot(0, [&] {
      auto* name = WidgetOf<QLineEdit>(again.m_page.GetDlgItem(IDC_NAME)->m_hWnd);
      ASSERT_NE(name, nullptr);
      name->setFocus();
      PressKey(name, Qt::Key_Escape);  // from inside the page: the main dialog's Cancel
    });
    (void)d;
  });
  EXPECT_EQ(again.DoModal(), IDCANCEL);
  EXPECT_EQ(again.about, 0);
}

TEST(QtView, TabKeyVisitsTheControlsInTemplateOrder) {
  SharedView();
  RegisterTemplates();
  CKeyMain dlg;
  ASSERT_TRUE(dlg.Create(IDD_MAIN));
  dlg.ShowWindow(SW_SHOW);
  QCoreApplication::processEvents();
  QWidget* window = WindowOf(dlg.m_hWnd);
  ASSERT_NE(window, nullptr);
  std::vector<int> ids;
  for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
    if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisibleTo(window) || !w->isEnabled()) continue;
    auto h = reinterpret_cast<HWND>(w->property("navrelHwnd").value<quintptr>());
    ids.push_back(CWnd::FromHandle(h) ? CWnd::FromHandle(h)->GetDlgCtrlID() : 0);
  }
  // The hidden Cancel button, the statics, the progress bar and the frame
  // take no focus; the up-down control leaves it to its buddy.
  std::vector<int> expected = {IDC_ABOUT,   IDOK,        IDC_TAB,     IDC_COMBO,
                               IDC_LIST,    IDC_EDIT,    IDC_RADIO_A, IDC_RADIO_B,
                               IDC_RADIO_C, IDC_RADIO_D, IDC_NAME};
  EXPECT_EQ(ids, expected);
  dlg.DestroyWindow();
}

TEST(QtView, ChooserFiltersBecomeQtFiltersThatShowEveryFileForStarDotStar) {
  EXPECT_EQ(qtview::QtFileFilter("_VNT (*.bin)|*.bin|").toStdString(), "_VNT (*.bin)");
  EXPECT_EQ(qtview::QtFileFilter("Track log|*.trl;*.TRL|All Files (*.*)|*.*||").toStdString(),
            "Track log (*.trl *.TRL);;All Files (*)");
  EXPECT_EQ(qtview::QtFileFilter("").toStdString(), "");
}

TEST(QtView, SaveChooserShowsTheAskedTypeAndGivesABareNameTheChosenTypesExtension) {
  SharedView();
  ScriptedUi ui;
  SharedView().InstallDialogHooks();  // the Qt chooser, not the scripted one
  testsupport::TempDir dir;
  const std::string folder = dir.path().string();
  CFileDialog save(FALSE, "trl", "*.trl", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                   "Log (*.trl)|*.trl|Text (*.txt)|*.txt|Map (*.kml)|*.kml||");
  save.m_ofn.lpstrInitialDir = folder.c_str();
  save.m_ofn.nFilterIndex = 2;
  QString shown;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!chooser) return;
    timer.stop();
    shown = chooser->selectedNameFilter();
    // The user picks the third type and types a name without extension.
    if (auto* types = chooser->findChild<QComboBox*>("fileTypeCombo")) {
      types->setCurrentIndex(2);
      emit types->activated(2);
      emit types->textActivated(types->currentText());
    }
    if (auto* name = chooser->findChild<QLineEdit*>("fileNameEdit")) name->setText("trip");
    static_cast<QDialog*>(chooser)->accept();
  });
  timer.start(10);
  ASSERT_EQ(save.DoModal(), IDOK);
  EXPECT_EQ(shown.toStdString(), "Text (*.txt)");
  EXPECT_EQ(save.m_ofn.nFilterIndex, 3u);
  EXPECT_EQ(std::filesystem::path(save.GetPathName()).filename(), "trip.kml");
}

TEST(QtView, TraditionalChineseTextsHaveAFontWithTheirGlyphs) {
  SharedView();
  QStringList families = QFontDatabase::families(QFontDatabase::TraditionalChinese);
  ASSERT_FALSE(families.isEmpty()) << "no font for Traditional Chinese (fonts-noto-cjk)";
  // Every Chinese text of the string table can be drawn by one of them.
  std::vector<QFontMetrics> fonts;
  for (const QString& f : families) fonts.emplace_back(QFont(f));
  for (const StringTableArea& area : StringTableAreas())
    for (const StringEntry& e : area.entries) {
      if (!e.zh) continue;
      for (char32_t c : QString::fromUtf8(e.zh).toUcs4()) {
        if (c < 0x2E80) continue;  // Latin, digits and punctuation: any font
        bool found = false;
        for (const QFontMetrics& fm : fonts)
          if ((found = fm.inFontUcs4(c))) break;
        EXPECT_TRUE(found) << "string " << e.id << " character U+" << std::hex
                           << static_cast<unsigned>(c);
      }
    }
}

// The Qt view: top-level windows for the framework's dialogs, refreshed on
// the GUI thread when their state changes, and the framework's queue and
// timers pumped from Qt's event loop.
#include "framework/qt/QtView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <atomic>
#include <mutex>
#include <set>

#include "framework/FileDialog.h"
#include "framework/MessageQueue.h"
#include "framework/UserInput.h"
#include "framework/ViewHooks.h"
#include "framework/qt/QtInternal.h"

using namespace qtview;

namespace {

UINT KeyToVk(int key) {
  switch (key) {
    case Qt::Key_Escape:
      return VK_ESCAPE;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return VK_RETURN;
    default:
      return 0;
  }
}

// A top-level dialog window.
class DialogWindow : public QWidget {
 public:
  explicit DialogWindow(HWND h) : QWidget(nullptr), m_tree(h, this) {
    setAttribute(Qt::WA_DeleteOnClose, false);
  }
  WidgetTree& Tree() { return m_tree; }
  HWND Handle() const { return m_tree.Dialog(); }

 protected:
  void closeEvent(QCloseEvent* e) override {
    // The framework decides; the window goes when the dialog is destroyed.
    e->ignore();
    if (CWnd* d = CWnd::FromHandle(Handle())) UserCloseBox(*d);
  }
  void keyPressEvent(QKeyEvent* e) override {
    UINT vk = KeyToVk(e->key());
    CWnd* d = CWnd::FromHandle(Handle());
    if (!vk || !d) return QWidget::keyPressEvent(e);
    // Enter on the push button that has the focus presses that button (in
    // the page that holds it); elsewhere it presses the default button.
    if (vk == VK_RETURN) {
      auto* button = qobject_cast<QPushButton*>(focusWidget());
      if (button && button->isEnabled() && button->isVisible()) {
        button->click();
        return;
      }
    }
    UserDialogKey(*d, vk);
  }
  void contextMenuEvent(QContextMenuEvent* e) override {
    // The system menu: the program's items and Close.
    std::vector<MenuItem> items =
        fw::Read(Handle(), std::vector<MenuItem>(), [](const fw::Window& w) { return w.sysMenu; });
    QMenu menu(this);
    for (const MenuItem& item : items) {
      if (item.flags & MF_SEPARATOR) {
        menu.addSeparator();
        continue;
      }
      QAction* a = menu.addAction(StripMnemonic(item.text));
      a->setData(QVariant::fromValue(static_cast<qulonglong>(item.id)));
      a->setEnabled(!(item.flags & (MF_GRAYED | MF_DISABLED)));
    }
    menu.addSeparator();
    QAction* close = menu.addAction("Close");
    close->setData(QVariant::fromValue(static_cast<qulonglong>(SC_CLOSE)));
    QAction* chosen = menu.exec(e->globalPos());
    CWnd* d = CWnd::FromHandle(Handle());
    if (chosen && d) UserSystemMenu(*d, static_cast<UINT>(chosen->data().toULongLong()));
  }

 private:
  WidgetTree m_tree;
};

}  // namespace

class QtView::Impl : public QObject, public ViewBackend {
 public:
  Impl() : m_thread(std::this_thread::get_id()) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { Pump(); });
  }
  ~Impl() override { m_windows.clear(); }

  std::unique_ptr<QApplication> app;

  // ---- ViewBackend ----
  void WindowChanged(HWND) override {
    if (!m_refreshPending.exchange(true))
      QMetaObject::invokeMethod(
          this, [this] { Refresh(); }, Qt::QueuedConnection);
  }
  void WindowDestroyed(HWND) override { WindowChanged(nullptr); }
  void UpdateNow(HWND) override {
    Refresh();
    for (auto& [h, w] : m_windows)
      if (w->isVisible()) w->repaint();
  }
  void Wake() override {
    if (!m_pumpPending.exchange(true))
      QMetaObject::invokeMethod(
          this, [this] { Pump(); }, Qt::QueuedConnection);
  }
  void RunModal(CDialog& dlg) override {
    Refresh();
    QEventLoop loop;
    HWND h = dlg.m_hWnd;
    m_modalLoops.push_back({&dlg, h, &loop});
    Pump();
    if (!dlg.IsModalEnded() && IsWindow(h)) loop.exec();
    std::erase_if(m_modalLoops, [&](const ModalLoop& m) { return m.loop == &loop; });
  }
  void ProcessEvents() override { QCoreApplication::processEvents(QEventLoop::AllEvents); }
  bool FontBaseUnits(std::string_view face, int pointSize, int& baseX, int& baseY) override {
    QFontMetrics fm(QtFont(CFont(std::string(face), pointSize)));
    int w = fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    baseX = (w / 26 + 1) / 2;
    baseY = fm.height();
    return baseX > 0 && baseY > 0;
  }
  int TextWidth(std::string_view face, int pointSize, bool bold, std::string_view text) override {
    QFontMetrics fm(QtFont(CFont(std::string(face), pointSize, bold)));
    return fm.horizontalAdvance(
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  }
  std::thread::id ViewThread() const override { return m_thread; }

  // Brings the top-level windows in step with the framework.
  void Refresh() {
    m_refreshPending = false;
    std::vector<HWND> tops;
    std::map<HWND, bool> visible;
    {
      std::lock_guard lock(fw::Lock());
      for (HWND h : fw::AllWindows()) {
        const fw::Window* w = fw::Find(h);
        if (w && w->isDialog && w->topLevel) {
          tops.push_back(h);
          visible[h] = w->visible;
        }
      }
    }
    for (auto it = m_windows.begin(); it != m_windows.end();) {
      if (!visible.count(it->first))
        it = m_windows.erase(it);
      else
        ++it;
    }
    for (HWND h : tops) {
      auto& win = m_windows[h];
      if (!win) {
        if (!visible[h]) {
          m_windows.erase(h);
          continue;
        }
        win = std::make_unique<DialogWindow>(h);
        Place(*win, h);
      }
      win->Tree().Sync(false);
      auto title = fw::Read(h, std::string(), [](const fw::Window& w) { return w.text; });
      win->setWindowTitle(QString::fromUtf8(title));
      CRect r = fw::Read(h, CRect(), [](const fw::Window& w) { return w.rect; });
      win->setFixedSize(r.Width(), r.Height());
      HICON icon = fw::Read(h, HICON{}, [](const fw::Window& w) { return w.bigIcon; });
      if (icon) {
        QImage img = LoadImage(ImageKind::Icon, IconResourceId(icon));
        if (!img.isNull()) win->setWindowIcon(QIcon(QPixmap::fromImage(img)));
      }
      win->setVisible(visible[h]);
    }
  }

  // A new window: modal dialogs block the others; it opens centred over
  // its owner's window, or on the screen.
  void Place(DialogWindow& win, HWND h) {
    bool modal = false;
    HWND owner = nullptr;
    CRect r;
    fw::Read(h, 0, [&](const fw::Window& w) {
      modal = w.modal;
      owner = w.parent;
      r = w.rect;
      return 0;
    });
    if (modal) win.setWindowModality(Qt::ApplicationModal);
    QRect area;
    if (HWND top = fw::TopLevelOf(owner); top && m_windows.count(top) && m_windows[top])
      area = m_windows[top]->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
      area = screen->availableGeometry();
    if (!area.isEmpty())
      win.move(area.center().x() - r.Width() / 2,
               std::max(area.top(), area.center().y() - r.Height() / 2));
  }

  void Pump() {
    m_pumpPending = false;
    int delay = AfxViewPump();
    if (delay >= 0)
      m_timer.start(delay);
    else
      m_timer.stop();
    for (const ModalLoop& m : m_modalLoops)
      if (m.dlg->IsModalEnded() || !IsWindow(m.hwnd)) m.loop->quit();
  }

 private:
  struct ModalLoop {
    CDialog* dlg;
    HWND hwnd;
    QEventLoop* loop;
  };
  std::thread::id m_thread;
  std::atomic<bool> m_refreshPending{false};
  std::atomic<bool> m_pumpPending{false};
  QTimer m_timer;
  std::map<HWND, std::unique_ptr<DialogWindow>> m_windows;
  std::vector<ModalLoop> m_modalLoops;
};

namespace {

QtView::Impl* g_impl = nullptr;

// Runs fn on the GUI thread through the framework's queue (so a GUI thread
// waiting inside the framework still answers) and returns its result.
template <class R>
R OnGuiThread(std::function<R()> fn, R whenNoView) {
  // The view may be gone while its hooks are still installed.
  if (!g_impl) return whenNoView;
  R result{};
  fw::RunOnThread(
      g_impl->ViewThread(), [&] { result = fn(); }, true);
  return result;
}

QMessageBox::Icon IconOf(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
      return QMessageBox::Critical;
    case MB_ICONQUESTION:
      return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
      return QMessageBox::Warning;
    case MB_ICONASTERISK:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

int QtMessageBox(const MessageBoxRequest& r) {
  QMessageBox box(IconOf(r.type), QString::fromUtf8(r.caption), QString::fromUtf8(r.text));
  struct B {
    QMessageBox::StandardButton b;
    int id;
  };
  std::vector<B> buttons;
  switch (r.Buttons()) {
    case MB_OKCANCEL:
      buttons = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
      break;
    case MB_YESNO:
      buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
      break;
    case MB_YESNOCANCEL:
      buttons = {
          {QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
      break;
    case MB_RETRYCANCEL:
      buttons = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
      break;
    case MB_ABORTRETRYIGNORE:
      buttons = {{QMessageBox::Abort, IDABORT},
                 {QMessageBox::Retry, IDRETRY},
                 {QMessageBox::Ignore, IDIGNORE}};
      break;
    default:
      buttons = {{QMessageBox::Ok, IDOK}};
      break;
  }
  QMessageBox::StandardButtons all;
  for (const B& b : buttons) all |= b.b;
  box.setStandardButtons(all);
  size_t def = (r.type & MB_DEFBUTTON3) ? 2 : (r.type & MB_DEFBUTTON2) ? 1 : 0;
  if (def < buttons.size()) box.setDefaultButton(buttons[def].b);
  int chosen = box.exec();
  for (const B& b : buttons)
    if (chosen == b.b) return b.id;
  return DefaultMessageBoxAnswer(r.type);
}

}  // namespace

// "Name (*.a;*.b)|*.a;*.b|...||" -> "Name (*.a *.b);;...": the patterns of
// the second field replace any the name shows, and "*.*" means every file.
QString qtview::QtFileFilter(const std::string& filter) {
  QStringList parts = QString::fromUtf8(filter).split('|');
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty()) break;
    QString name = parts[i].trimmed();
    if (name.endsWith(')') && name.contains('(')) name = name.left(name.lastIndexOf('(')).trimmed();
    QStringList patterns;
    for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts))
      patterns << (p.trimmed() == "*.*" ? QString("*") : p.trimmed());
    out << (name.isEmpty() ? QString() : name + " ") + "(" + patterns.join(' ') + ")";
  }
  return out.join(";;");
}

namespace {

// The Qt chooser: it opens on the asked file type, a save chooser gives a
// name typed without extension the extension of the type shown at the time,
// and the type chosen comes back with the path.
std::optional<FileDialogChoice> QtChooseFile(const FileDialogRequest& r) {
  QString dir = QString::fromUtf8(r.initialDir);
  if (!r.fileName.empty())
    dir = dir.isEmpty() ? QString::fromUtf8(r.fileName) : dir + "/" + QString::fromUtf8(r.fileName);
  QFileDialog chooser(nullptr, QString::fromUtf8(r.title), dir);
  chooser.setAcceptMode(r.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  chooser.setFileMode(r.open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  const QStringList types = qtview::QtFileFilter(r.filter).split(";;", Qt::SkipEmptyParts);
  if (!types.isEmpty()) chooser.setNameFilters(types);
  auto indexOf = [&](const QString& type) { return static_cast<DWORD>(types.indexOf(type) + 1); };
  auto follow = [&](const QString& type) {
    if (!r.open) chooser.setDefaultSuffix(QString::fromUtf8(SaveExtension(r, indexOf(type))));
  };
  if (r.filterIndex >= 1 && r.filterIndex <= static_cast<DWORD>(types.size()))
    chooser.selectNameFilter(types[static_cast<qsizetype>(r.filterIndex) - 1]);
  follow(chooser.selectedNameFilter());
  QObject::connect(&chooser, &QFileDialog::filterSelected, &chooser, follow);
  if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return std::nullopt;
  const QString path = chooser.selectedFiles().front();
  if (path.isEmpty()) return std::nullopt;
  return FileDialogChoice{path.toStdString(), indexOf(chooser.selectedNameFilter())};
}

}  // namespace

QtView::QtView(int& argc, char** argv) {
  std::unique_ptr<QApplication> app;
  if (!QApplication::instance()) app = std::make_unique<QApplication>(argc, argv);
  m_impl = std::make_unique<Impl>();
  m_impl->app = std::move(app);
  Activate();
  InstallDialogHooks();
  AfxInstallPumpingSleep();
}

namespace {
int g_defaultArgc = 1;
char g_defaultName[] = "navrel";
char* g_defaultArgv[] = {g_defaultName, nullptr};
}  // namespace

QtView::QtView() : QtView(g_defaultArgc, g_defaultArgv) {}

QtView::~QtView() {
  SetViewBackend(nullptr);
  g_impl = nullptr;
  auto app = std::move(m_impl->app);
  m_impl.reset();
}

void QtView::Activate() {
  g_impl = m_impl.get();
  SetViewBackend(m_impl.get());
}

void QtView::InstallDialogHooks() {
  SetMessageBoxHook([](const MessageBoxRequest& r) {
    return OnGuiThread<int>([r] { return QtMessageBox(r); }, DefaultMessageBoxAnswer(r.type));
  });
  SetFileDialogHook([](const FileDialogRequest& r) {
    return OnGuiThread<std::optional<FileDialogChoice>>([r] { return QtChooseFile(r); },
                                                        std::nullopt);
  });
  SetFolderDialogHook([](const FolderRequest& r) {
    return OnGuiThread<std::optional<std::string>>(
        [r]() -> std::optional<std::string> {
          QString path = QFileDialog::getExistingDirectory(nullptr, QString::fromUtf8(r.title),
                                                           QString::fromUtf8(r.initialDir));
          if (path.isEmpty()) return std::nullopt;
          return path.toStdString();
        },
        std::nullopt);
  });
}

bool SaveDialogPng(CWnd& dialog, const std::string& path) {
  if (!g_impl || !dialog.m_hWnd) return false;
  return OnGuiThread<bool>(
      [&dialog, &path] {
        // A fresh widget tree of the dialog, shown even when the dialog is
        // hidden (pages), rendered off the screen.
        QWidget root;
        root.setAttribute(Qt::WA_DontShowOnScreen);
        root.setAutoFillBackground(true);
        WidgetTree tree(dialog.m_hWnd, &root);
        tree.Sync(false);
        CRect r = fw::Read(dialog.m_hWnd, CRect(), [](const fw::Window& w) { return w.rect; });
        root.resize(r.Width(), r.Height());
        root.show();
        QCoreApplication::processEvents();
        QImage img = root.grab().toImage();
        return img.save(QString::fromStdString(path), "PNG");
      },
      false);
}

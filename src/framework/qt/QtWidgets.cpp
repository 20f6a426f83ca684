// Widgets mirroring the framework's windows, and user input fed back.
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "framework/BitmapRegistry.h"
#include "framework/Controls.h"
#include "framework/UserInput.h"
#include "framework/qt/QtInternal.h"

namespace qtview {

namespace {

const char* kHwndProperty = "navrelHwnd";

HWND HwndOf(const QWidget* w) {
  return reinterpret_cast<HWND>(w->property(kHwndProperty).value<quintptr>());
}

// The dialog holding control `ctrl`, for the user-input calls.
CWnd* DialogOf(HWND ctrl) {
  HWND parent = fw::Read(ctrl, HWND{}, [](const fw::Window& w) { return w.parent; });
  return CWnd::FromHandle(parent);
}
int IdOf(HWND ctrl) {
  return fw::Read(ctrl, 0, [](const fw::Window& w) { return w.id; });
}

// A canvas for artwork drawn in code.
class QtCanvas : public BitmapCanvas {
 public:
  explicit QtCanvas(QPainter& p) : m_p(p) {}
  void FillRect(const RECT& r, COLORREF c) override {
    m_p.fillRect(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), ToQColor(c));
  }
  void FillEllipse(const RECT& r, COLORREF c) override {
    m_p.setPen(Qt::NoPen);
    m_p.setBrush(ToQColor(c));
    m_p.drawEllipse(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top));
  }
  void DrawLine(POINT a, POINT b, COLORREF c, int width) override {
    m_p.setPen(QPen(ToQColor(c), width));
    m_p.drawLine(a.x, a.y, b.x, b.y);
  }
  void DrawText(const std::string& text, const RECT& r, COLORREF c, int pixelHeight, bool bold,
                UINT format) override {
    QFont f("Sans");
    f.setPixelSize(pixelHeight);
    f.setBold(bold);
    m_p.setFont(f);
    m_p.setPen(ToQColor(c));
    int align = (format & DT_CENTER)  ? Qt::AlignHCenter
                : (format & DT_RIGHT) ? Qt::AlignRight
                                      : Qt::AlignLeft;
    align |= (format & DT_VCENTER) ? Qt::AlignVCenter : Qt::AlignTop;
    if (format & DT_WORDBREAK) align |= Qt::TextWordWrap;
    m_p.drawText(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top), align,
                 QString::fromUtf8(text));
  }

 private:
  QPainter& m_p;
};

// Replays what an owner-drawn item recorded.
void Replay(QPainter& p, const CDC& dc) {
  for (const DcOp& op : dc.Ops()) {
    if (auto* f = std::get_if<DcFillRect>(&op)) {
      p.fillRect(QRect(f->rect.left, f->rect.top, f->rect.right - f->rect.left,
                       f->rect.bottom - f->rect.top),
                 ToQColor(f->color));
    } else if (auto* t = std::get_if<DcText>(&op)) {
      p.setFont(QtFont(CFont(t->fontFace, t->fontPointSize)));
      p.setPen(ToQColor(t->color));
      int align = (t->format & DT_CENTER)  ? Qt::AlignHCenter
                  : (t->format & DT_RIGHT) ? Qt::AlignRight
                                           : Qt::AlignLeft;
      align |= (t->format & DT_VCENTER)  ? Qt::AlignVCenter
               : (t->format & DT_BOTTOM) ? Qt::AlignBottom
                                         : Qt::AlignTop;
      if (t->format & DT_WORDBREAK) align |= Qt::TextWordWrap;
      p.drawText(QRect(t->rect.left, t->rect.top, t->rect.right - t->rect.left,
                       t->rect.bottom - t->rect.top),
                 align, StripMnemonic(t->text));
    } else if (auto* im = std::get_if<DcImage>(&op)) {
      QImage img = LoadImage(im->icon ? ImageKind::Icon : ImageKind::Bitmap, im->resourceId);
      if (img.isNull()) continue;
      if (im->disabled) img = img.convertToFormat(QImage::Format_Grayscale8);
      p.setOpacity(im->disabled ? 0.5 : 1.0);
      p.drawImage(QPoint(im->pos.x, im->pos.y), img);
      p.setOpacity(1.0);
    }
  }
}

// The tab control: items in a row, the body frame below; clicks and arrow
// keys go to the framework, owner-drawn items are painted by DrawItem.
class TabWidget : public QWidget {
 public:
  explicit TabWidget(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::StrongFocus); }
  Snapshot state;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    int stripBottom = state.tabRects.empty() ? 0 : state.tabRects.front().bottom;
    p.setPen(QColor(160, 160, 160));
    p.drawRect(QRect(0, stripBottom, width() - 1, height() - stripBottom - 1));
    HWND h = state.handle;
    auto* ctrl = dynamic_cast<CTabCtrl*>(CWnd::FromHandle(h));
    for (size_t i = 0; i < state.tabRects.size() && i < state.tabs.size(); ++i) {
      const CRect& r = state.tabRects[i];
      bool selected = static_cast<int>(i) == state.curSel;
      QRect qr(r.left, r.top - (selected ? 2 : 0), r.Width(), r.Height() + (selected ? 3 : 0));
      p.fillRect(qr, selected ? QColor(255, 255, 255) : QColor(235, 235, 235));
      p.setPen(QColor(160, 160, 160));
      p.drawRect(qr.adjusted(0, 0, -1, selected ? 0 : -1));
      if (state.ownerDraw && ctrl) {
        CDC dc;
        DRAWITEMSTRUCT dis;
        dis.CtlType = ODT_TAB;
        dis.CtlID = static_cast<UINT>(state.id);
        dis.itemID = static_cast<UINT>(i);
        dis.itemState = selected ? static_cast<UINT>(ODS_SELECTED) : 0u;
        dis.hwndItem = h;
        dis.hDC = &dc;
        dis.rcItem = r;
        dc.SelectObject(&state.font);
        ctrl->DrawItem(&dis);
        Replay(p, dc);
      } else {
        p.setFont(QtFont(state.font));
        p.setPen(isEnabled() ? Qt::black : QColor(109, 109, 109));
        p.drawText(qr, Qt::AlignCenter, StripMnemonic(state.tabs[i].text));
      }
      // The keyboard focus shows as a dotted frame inside the current tab.
      if (selected && hasFocus()) {
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(qr.adjusted(3, 3, -4, -3));
      }
    }
  }
  void mousePressEvent(QMouseEvent* e) override {
    if (CWnd* dlg = DialogOf(state.handle))
      UserClickTabAt(*dlg, state.id,
                     POINT{e->position().toPoint().x(), e->position().toPoint().y()});
  }
  void keyPressEvent(QKeyEvent* e) override {
    UINT vk = 0;
    switch (e->key()) {
      case Qt::Key_Left:
        vk = VK_LEFT;
        break;
      case Qt::Key_Right:
        vk = VK_RIGHT;
        break;
      case Qt::Key_Up:
        vk = VK_UP;
        break;
      case Qt::Key_Down:
        vk = VK_DOWN;
        break;
      default:
        QWidget::keyPressEvent(e);
        return;
    }
    if (CWnd* dlg = DialogOf(state.handle)) UserKey(*dlg, state.id, vk);
  }
};

// A group box: an etched frame whose top edge runs through the middle of
// the title, so the frame sits where the template places it.
class GroupFrame : public QWidget {
 public:
  explicit GroupFrame(QWidget* parent) : QWidget(parent) {}
  void setTitle(const QString& title) {
    if (title == m_title) return;
    m_title = title;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    QFontMetrics fm(font());
    int top = fm.height() / 2;
    QRect frame(0, top, width() - 2, height() - top - 2);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(frame);
    p.setPen(palette().color(QPalette::Light));
    p.drawRect(frame.translated(1, 1));
    if (m_title.isEmpty()) return;
    int x = fm.averageCharWidth() + 2;
    QRect text(x, 0, std::min(fm.horizontalAdvance(m_title) + 4, width() - x - 2), fm.height());
    p.fillRect(text, palette().color(QPalette::Window));
    p.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(text.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               m_title);
  }

 private:
  QString m_title;
};

// The up-down control: two arrow buttons.
class SpinWidget : public QWidget {
 public:
  explicit SpinWidget(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int delta : {+1, -1}) {
      auto* b = new QToolButton(this);
      b->setArrowType(delta > 0 ? Qt::UpArrow : Qt::DownArrow);
      b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
      b->setAutoRepeat(true);
      b->setFocusPolicy(Qt::NoFocus);  // the buddy takes the keyboard
      layout->addWidget(b);
      connect(b, &QToolButton::clicked, this, [this, delta] {
        HWND h = HwndOf(this);
        if (CWnd* dlg = DialogOf(h)) UserSpin(*dlg, IdOf(h), delta);
      });
    }
  }
};

QString WrapToWidth(const QString& text, const QFontMetrics& fm, int width) {
  QStringList lines;
  for (const QString& para : text.split('\n')) {
    QString line;
    for (const QString& word : para.split(' ')) {
      QString tryLine = line.isEmpty() ? word : line + ' ' + word;
      if (!line.isEmpty() && fm.horizontalAdvance(tryLine) > width) {
        lines << line;
        line = word;
      } else {
        line = tryLine;
      }
    }
    lines << line;
  }
  return lines.join('\n');
}

}  // namespace

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

QFont QtFont(const CFont& font) {
  QFont f(QString::fromStdString(font.FaceName().empty() ? "Sans" : font.FaceName()));
  f.setPixelSize((font.PointSize() * 96 + 36) / 72);
  f.setBold(font.Bold());
  return f;
}

QString StripMnemonic(const std::string& text) {
  QString in = QString::fromUtf8(text), out;
  in.replace("\r\n", "\n");
  for (qsizetype i = 0; i < in.size(); ++i) {
    if (in[i] == '&') {
      if (i + 1 < in.size() && in[i + 1] == '&') out += '&', ++i;
      continue;
    }
    out += in[i];
  }
  return out;
}

QImage LoadImage(ImageKind kind, UINT id) {
  static std::map<std::pair<ImageKind, UINT>, QImage> cache;
  auto key = std::make_pair(kind, id);
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  ImageResource res;
  QImage img;
  if (id && FindImageResource(kind, id, res)) {
    if (!res.file.empty()) {
      img.load(QString::fromStdString(res.file));
    } else if (!res.png.empty()) {
      img.loadFromData(res.png.data(), static_cast<int>(res.png.size()), "PNG");
    } else if (res.painter && res.width > 0 && res.height > 0) {
      img = QImage(res.width, res.height, QImage::Format_ARGB32);
      img.fill(Qt::transparent);
      QPainter p(&img);
      p.setRenderHint(QPainter::Antialiasing);
      QtCanvas canvas(p);
      res.painter(canvas);
    }
    if (!img.isNull() && res.width > 0 && res.height > 0 &&
        img.size() != QSize(res.width, res.height))
      img = img.scaled(res.width, res.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  cache[key] = img;
  return img;
}

std::vector<Snapshot> TakeSnapshots(HWND root, const std::map<HWND, Known>& known) {
  std::vector<Snapshot> out;
  std::lock_guard lock(fw::Lock());
  std::vector<HWND> pending{root};
  for (size_t next = 0; next < pending.size(); ++next) {
    HWND h = pending[next];
    const fw::Window* w = fw::Find(h);
    if (!w) continue;
    Snapshot s;
    s.handle = h;
    s.parent = w->parent;
    s.isDialog = w->isDialog;
    s.topLevel = w->topLevel;
    s.kind = w->kind;
    s.children = w->children;
    s.visible = w->visible;
    s.version = w->version;
    s.itemsGen = w->itemsGen;
    s.itemCount = w->items.size();
    pending.insert(pending.end(), w->children.begin(), w->children.end());
    auto k = known.find(h);
    if (k != known.end() && k->second.version == w->version) {
      s.unchanged = true;
      out.push_back(std::move(s));
      continue;
    }
    s.id = w->id;
    s.style = w->ctrlStyle;
    s.addedStyle = w->addedStyle;
    s.rect = w->rect;
    s.enabled = w->enabled;
    s.text = w->text;
    s.check = w->check;
    if (k != known.end() && k->second.itemsGen == w->itemsGen &&
        k->second.itemCount <= w->items.size()) {
      s.itemsAppended = true;
      s.items.assign(w->items.begin() + static_cast<long>(k->second.itemCount), w->items.end());
    } else {
      s.items = w->items;
    }
    s.curSel = w->curSel;
    s.rangeMin = w->rangeMin;
    s.rangeMax = w->rangeMax;
    s.pos = w->pos;
    s.hExtent = w->hExtent;
    s.textColor = w->textColor;
    s.bitmapId = w->bitmapId;
    s.iconId = w->iconId;
    s.bigIcon = w->bigIcon;
    s.font = w->font;
    s.limitText = w->limitText;
    s.tabs = w->tabs;
    if (w->kind == CtrlKind::Tab && !w->isDialog) s.tabRects = fw::TabItemRects(*w);
    s.sysMenu = w->sysMenu;
    s.modal = w->modal;
    s.ownerDraw = !w->isDialog && w->kind == CtrlKind::Tab &&
                  ((w->ctrlStyle & CS_OWNERDRAW) || (w->addedStyle & TCS_OWNERDRAWFIXED));
    out.push_back(std::move(s));
  }
  return out;
}

QWidget* WidgetTree::WidgetFor(const Snapshot& s, QWidget* parent) {
  auto it = m_widgets.find(s.handle);
  if (it != m_widgets.end()) return it->second;
  QWidget* w = nullptr;
  HWND h = s.handle;
  if (s.isDialog) {
    w = new QWidget(parent);
  } else {
    switch (s.kind) {
      case CtrlKind::Static:
      case CtrlKind::Bitmap:
      case CtrlKind::Icon: {
        auto* l = new QLabel(parent);
        l->setWordWrap(s.kind == CtrlKind::Static);
        l->setAlignment(((s.style & CS_CENTER)  ? Qt::AlignHCenter
                         : (s.style & CS_RIGHT) ? Qt::AlignRight
                                                : Qt::AlignLeft) |
                        Qt::AlignTop);
        if (s.style & CS_SUNKEN) l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        w = l;
        break;
      }
      case CtrlKind::GroupBox:
        // A frame: below the controls it holds, and never in their way.
        w = new GroupFrame(parent);
        w->setAttribute(Qt::WA_TransparentForMouseEvents);
        w->lower();
        break;
      case CtrlKind::Button: {
        auto* b = new QPushButton(parent);
        b->setAutoDefault(false);
        // A flat button keeps a thin frame (the desktop's flat look); Qt's
        // flat buttons show none and would read as plain text.
        if (s.style & CS_FLAT)
          b->setStyleSheet(
              "QPushButton { border: 1px solid palette(dark); background: palette(button); }"
              "QPushButton:pressed { background: palette(mid); }");
        QObject::connect(b, &QPushButton::clicked, b, [h] {
          if (CWnd* d = DialogOf(h)) UserClick(*d, IdOf(h));
        });
        w = b;
        break;
      }
      case CtrlKind::CheckBox: {
        auto* b = new QCheckBox(parent);
        QObject::connect(b, &QCheckBox::clicked, b, [h] {
          if (CWnd* d = DialogOf(h)) UserClick(*d, IdOf(h));
        });
        w = b;
        break;
      }
      case CtrlKind::RadioButton: {
        auto* b = new QRadioButton(parent);
        b->setAutoExclusive(false);  // the framework keeps the groups
        QObject::connect(b, &QRadioButton::clicked, b, [h] {
          if (CWnd* d = DialogOf(h)) UserClick(*d, IdOf(h));
        });
        w = b;
        break;
      }
      case CtrlKind::Edit:
        if (s.style & CS_MULTILINE) {
          auto* e = new QPlainTextEdit(parent);
          QObject::connect(e, &QPlainTextEdit::textChanged, e, [e, h] {
            if (CWnd* d = DialogOf(h)) UserType(*d, IdOf(h), e->toPlainText().toStdString());
          });
          w = e;
        } else {
          auto* e = new QLineEdit(parent);
          if (s.style & CS_PASSWORD) e->setEchoMode(QLineEdit::Password);
          QObject::connect(e, &QLineEdit::textEdited, e, [h](const QString& t) {
            if (CWnd* d = DialogOf(h)) UserType(*d, IdOf(h), t.toStdString());
          });
          w = e;
        }
        break;
      case CtrlKind::ComboList: {
        auto* c = new QComboBox(parent);
        QObject::connect(c, &QComboBox::activated, c, [h](int index) {
          if (CWnd* d = DialogOf(h)) UserSelect(*d, IdOf(h), index);
        });
        w = c;
        break;
      }
      case CtrlKind::ListBox: {
        auto* l = new QListWidget(parent);
        l->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        l->setUniformItemSizes(true);  // long lists (photo results) lay out in constant time
        QObject::connect(l, &QListWidget::currentRowChanged, l, [h](int row) {
          if (CWnd* d = DialogOf(h)) UserSelect(*d, IdOf(h), row);
        });
        w = l;
        break;
      }
      case CtrlKind::Progress: {
        auto* p = new QProgressBar(parent);
        p->setTextVisible(false);
        w = p;
        break;
      }
      case CtrlKind::UpDown:
        w = new SpinWidget(parent);
        break;
      case CtrlKind::Tab:
        w = new TabWidget(parent);
        break;
    }
  }
  w->setProperty(kHwndProperty, QVariant::fromValue(reinterpret_cast<quintptr>(h)));
  m_widgets[h] = w;
  return w;
}

void WidgetTree::Apply(const Snapshot& s, QWidget* w) {
  QSignalBlocker block(w);
  // Unchanged fonts and palettes are not set again: a list of many items
  // lays all of them out anew on a font change.
  if (QFont f = QtFont(s.font); w->font() != f) w->setFont(f);
  w->setEnabled(s.enabled);
  QRect geometry(s.rect.left, s.rect.top, s.rect.Width(), s.rect.Height());
  if (s.isDialog) {
    w->setGeometry(QRect(s.rect.left, s.rect.top, s.rect.Width(), s.rect.Height()));
    return;
  }
  QPalette pal = w->palette();
  if (s.textColor != CLR_INVALID) {
    pal.setColor(QPalette::WindowText, ToQColor(s.textColor));
    pal.setColor(QPalette::ButtonText, ToQColor(s.textColor));
    pal.setColor(QPalette::Text, ToQColor(s.textColor));
  }
  // The dialog may colour its statics (OnCtlColor) when it runs on this thread.
  if ((s.kind == CtrlKind::Static || s.kind == CtrlKind::CheckBox ||
       s.kind == CtrlKind::RadioButton || s.kind == CtrlKind::GroupBox) &&
      fw::Read(s.parent, false,
               [](const fw::Window& p) { return p.owner == std::this_thread::get_id(); })) {
    CDC dc;
    AfxCtlColorArgs args{&dc, CWnd::FromHandle(s.handle), CTLCOLOR_STATIC};
    ::SendMessage(s.parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(&dc),
                  reinterpret_cast<LPARAM>(&args));
    if (dc.TextColorSet()) pal.setColor(QPalette::WindowText, ToQColor(dc.GetTextColor()));
  }
  if (w->palette() != pal) w->setPalette(pal);
  QString text = StripMnemonic(s.text);
  switch (s.kind) {
    case CtrlKind::Static:
      static_cast<QLabel*>(w)->setText(text);
      break;
    case CtrlKind::Bitmap:
    case CtrlKind::Icon: {
      QImage img = LoadImage(s.kind == CtrlKind::Icon ? ImageKind::Icon : ImageKind::Bitmap,
                             s.kind == CtrlKind::Icon ? s.iconId : s.bitmapId);
      auto* l = static_cast<QLabel*>(w);
      if (img.isNull())
        l->clear();
      else
        l->setPixmap(QPixmap::fromImage(img));
      if (!s.enabled && !img.isNull())
        l->setPixmap(QPixmap::fromImage(img.convertToFormat(QImage::Format_Grayscale8)));
      break;
    }
    case CtrlKind::GroupBox:
      static_cast<GroupFrame*>(w)->setTitle(text);
      break;
    case CtrlKind::Button: {
      auto* b = static_cast<QPushButton*>(w);
      b->setText((s.style & CS_MULTILINE)
                     ? WrapToWidth(text, QFontMetrics(QtFont(s.font)), s.rect.Width() - 6)
                     : QString::fromUtf8(s.text));
      QImage img = s.bitmapId ? LoadImage(ImageKind::Bitmap, s.bitmapId)
                              : LoadImage(ImageKind::Icon, s.iconId);
      if (!img.isNull()) {
        b->setIcon(QIcon(QPixmap::fromImage(img)));
        b->setIconSize(img.size());
      }
      break;
    }
    case CtrlKind::CheckBox: {
      auto* b = static_cast<QCheckBox*>(w);
      // A multi-line check box wraps its text in the room beside the box.
      const int box = b->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, b) +
                      b->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, b);
      b->setText((s.style & CS_MULTILINE)
                     ? WrapToWidth(text, QFontMetrics(QtFont(s.font)), s.rect.Width() - box - 2)
                     : text);
      b->setChecked(s.check != 0);
      break;
    }
    case CtrlKind::RadioButton:
      static_cast<QRadioButton*>(w)->setText(text);
      static_cast<QRadioButton*>(w)->setChecked(s.check != 0);
      break;
    case CtrlKind::Edit:
      if (auto* e = dynamic_cast<QLineEdit*>(w)) {
        if (e->text() != QString::fromUtf8(s.text)) e->setText(QString::fromUtf8(s.text));
        e->setReadOnly((s.style & CS_READONLY) != 0);
        // A read-only edit shows the dialog's face colour, as the user
        // expects of a field that cannot be typed into.
        QPalette ep = e->palette();
        ep.setColor(QPalette::Base,
                    (s.style & CS_READONLY) ? ep.color(QPalette::Window) : QColor(Qt::white));
        if (e->palette() != ep) e->setPalette(ep);
        e->setMaxLength(s.limitText ? static_cast<int>(s.limitText) : 32767);
      } else if (auto* pe = dynamic_cast<QPlainTextEdit*>(w)) {
        if (pe->toPlainText() != QString::fromUtf8(s.text))
          pe->setPlainText(QString::fromUtf8(s.text));
        pe->setReadOnly((s.style & CS_READONLY) != 0);
      }
      break;
    case CtrlKind::ComboList: {
      auto* c = static_cast<QComboBox*>(w);
      QStringList items;
      for (const auto& i : s.items) items << QString::fromUtf8(i);
      if (!s.itemsAppended) c->clear();
      c->addItems(items);
      c->setCurrentIndex(s.curSel);
      // The template gives the height of the dropped list; the box itself
      // is one line high.
      geometry.setHeight(std::min(geometry.height(), QFontMetrics(QtFont(s.font)).height() + 10));
      break;
    }
    case CtrlKind::ListBox: {
      auto* l = static_cast<QListWidget*>(w);
      QStringList items;
      for (const auto& i : s.items) items << QString::fromUtf8(i);
      if (!s.itemsAppended) l->clear();
      l->addItems(items);
      l->setCurrentRow(s.curSel);
      break;
    }
    case CtrlKind::Progress: {
      auto* p = static_cast<QProgressBar*>(w);
      p->setRange(std::min(s.rangeMin, s.rangeMax), std::max(s.rangeMin, s.rangeMax));
      p->setValue(s.pos);
      break;
    }
    case CtrlKind::UpDown:
      break;
    case CtrlKind::Tab:
      static_cast<TabWidget*>(w)->state = s;
      w->update();
      break;
  }
  w->setGeometry(geometry);
}

void WidgetTree::Sync(bool forceRootVisible) {
  std::vector<Snapshot> snaps = TakeSnapshots(m_dialog, m_known);
  std::map<HWND, bool> alive;
  for (const Snapshot& s : snaps) {
    alive[s.handle] = true;
    if (s.handle == m_dialog) {
      m_widgets[s.handle] = m_root;
      m_root->setProperty(kHwndProperty, QVariant::fromValue(reinterpret_cast<quintptr>(s.handle)));
      if (!s.unchanged && !s.topLevel) {
        m_root->setEnabled(s.enabled);
        m_root->setGeometry(QRect(0, 0, s.rect.Width(), s.rect.Height()));
      }
    } else {
      auto pit = m_widgets.find(s.parent);
      if (pit == m_widgets.end()) continue;
      bool fresh = !m_widgets.count(s.handle);
      QWidget* w = WidgetFor(s, pit->second);
      if (s.unchanged && !fresh) continue;
      Apply(s, w);
      w->setVisible(s.visible);
    }
    if (!s.unchanged) m_known[s.handle] = Known{s.version, s.itemsGen, s.itemCount};
  }
  // Widgets of windows that went away.
  for (auto it = m_widgets.begin(); it != m_widgets.end();) {
    if (!alive.count(it->first)) {
      if (it->second != m_root) it->second->deleteLater();
      m_known.erase(it->first);
      it = m_widgets.erase(it);
    } else {
      ++it;
    }
  }
  if (forceRootVisible) m_root->setVisible(true);
}

}  // namespace qtview

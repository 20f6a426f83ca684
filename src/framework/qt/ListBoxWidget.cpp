#include "framework/qt/ListBoxWidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace qtview {

namespace {
constexpr int kTextMargin = 3;
constexpr int kFrameMs = 16;
}  // namespace

ListBoxWidget::ListBoxWidget(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
}

int ListBoxWidget::RowHeight() const { return fontMetrics().height() + 2; }

int ListBoxWidget::TextWidth(const QString& line) const {
  return fontMetrics().horizontalAdvance(line) + 2 * kTextMargin;
}

void ListBoxWidget::Update(bool replace, const QStringList& lines, int row) {
  if (replace) {
    m_lines.clear();
    m_widest = 0;
  }
  for (const QString& line : lines) m_widest = std::max(m_widest, TextWidth(line));
  m_lines += lines;
  if (row < -1 || row >= Count()) row = -1;
  const bool rowChanged = row != m_current;
  if (rowChanged) m_scrollPending = row >= 0;
  m_current = row;
  if (replace || !lines.isEmpty() || rowChanged) Refresh();
}

void ListBoxWidget::Refresh() {
  // Scroll bars and drawing cost far more than a line: once per frame.
  if (m_frame.isActive()) {
    m_pending = true;
    return;
  }
  UpdateScrollBars();
  if (m_scrollPending) ScrollToCurrent();
  viewport()->update();
  m_frame.start(kFrameMs, this);
}

void ListBoxWidget::timerEvent(QTimerEvent* event) {
  if (event->timerId() != m_frame.timerId()) return QAbstractScrollArea::timerEvent(event);
  m_frame.stop();
  if (m_pending) {
    m_pending = false;
    Refresh();
  }
}

void ListBoxWidget::ScrollToCurrent() {
  m_scrollPending = false;
  if (m_current < 0) return;
  QScrollBar* bar = verticalScrollBar();
  const int rows = std::max(1, viewport()->height() / RowHeight());
  if (m_current < bar->value())
    bar->setValue(m_current);
  else if (m_current >= bar->value() + rows)
    bar->setValue(m_current - rows + 1);
}

void ListBoxWidget::UpdateScrollBars() {
  // The vertical bar scrolls by rows, the horizontal one by pixels.
  const int rows = std::max(1, viewport()->height() / RowHeight());
  verticalScrollBar()->setRange(0, std::max(0, Count() - rows));
  verticalScrollBar()->setPageStep(rows);
  horizontalScrollBar()->setRange(0, std::max(0, m_widest - viewport()->width()));
  horizontalScrollBar()->setPageStep(viewport()->width());
}

void ListBoxWidget::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  const int h = RowHeight();
  const int first = verticalScrollBar()->value();
  const int last = std::min(Count(), first + viewport()->height() / h + 1);
  const int x = kTextMargin - horizontalScrollBar()->value();
  const QPalette::ColorGroup group = !isEnabled() ? QPalette::Disabled
                                     : hasFocus() ? QPalette::Active
                                                  : QPalette::Inactive;
  for (int row = first; row < last; ++row) {
    const QRect rect(0, (row - first) * h, viewport()->width(), h);
    if (row == m_current) {
      p.fillRect(rect, palette().brush(group, QPalette::Highlight));
      p.setPen(palette().color(group, QPalette::HighlightedText));
    } else {
      p.setPen(palette().color(group, QPalette::Text));
    }
    p.drawText(rect.adjusted(x, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, m_lines[row]);
  }
}

void ListBoxWidget::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void ListBoxWidget::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    m_widest = 0;
    for (const QString& line : m_lines) m_widest = std::max(m_widest, TextWidth(line));
    UpdateScrollBars();
  }
}

void ListBoxWidget::mousePressEvent(QMouseEvent* event) {
  QAbstractScrollArea::mousePressEvent(event);
  if (event->button() != Qt::LeftButton) return;
  const int row = verticalScrollBar()->value() + event->position().toPoint().y() / RowHeight();
  if (row < Count()) UserSelect(row);
}

void ListBoxWidget::keyPressEvent(QKeyEvent* event) {
  const int page = std::max(1, viewport()->height() / RowHeight());
  int row = m_current;
  switch (event->key()) {
    case Qt::Key_Up:
      row = std::max(0, row - 1);
      break;
    case Qt::Key_Down:
      row = row + 1;
      break;
    case Qt::Key_PageUp:
      row = std::max(0, row - page);
      break;
    case Qt::Key_PageDown:
      row = row + page;
      break;
    case Qt::Key_Home:
      row = 0;
      break;
    case Qt::Key_End:
      row = Count() - 1;
      break;
    default:
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
  if (Count() > 0) UserSelect(std::clamp(row, 0, Count() - 1));
}

void ListBoxWidget::UserSelect(int row) {
  if (row == m_current) return;
  m_current = row;
  ScrollToCurrent();
  viewport()->update();
  if (onUserSelect) onUserSelect(row);
}

}  // namespace qtview

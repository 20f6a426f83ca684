// The list box of the Qt view: lines of text in a scrolled area, one line
// current. The lines are a plain list and only the rows in view are drawn,
// so a line added to a long shown list costs what it costs on a short one
// (Qt's item views lay out every row again on each insertion). Lines that
// arrive faster than the screen refreshes are shown together, at most one
// frame later.
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QStringList>
#include <functional>

namespace qtview {

class ListBoxWidget : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit ListBoxWidget(QWidget* parent);

  // Takes the lines (after emptying the list when `replace`) and makes row
  // current (-1: none), scrolled into view.
  void Update(bool replace, const QStringList& lines, int row);
  int CurrentRow() const { return m_current; }
  int Count() const { return static_cast<int>(m_lines.size()); }
  QString Line(int row) const { return m_lines.value(row); }

  // Called when the user makes a row current (click or keys).
  std::function<void(int)> onUserSelect;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  int RowHeight() const;
  int TextWidth(const QString& line) const;
  void UpdateScrollBars();
  void ScrollToCurrent();
  // Shows the changes now, or when the frame's time is up.
  void Refresh();
  void UserSelect(int row);

  QStringList m_lines;
  int m_current = -1;
  int m_widest = 0;  // widest line in pixels, for the horizontal scroll bar
  QBasicTimer m_frame;
  bool m_pending = false;  // changes wait for the frame's end
  bool m_scrollPending = false;
};

}  // namespace qtview

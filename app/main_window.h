#pragma once

// The one window of the program, its controls and the program-wide values the
// commands share.
//
// The controls keep the names the commands know them by, as members and as Qt
// object names. Two of them, the scratch box 编辑框1 and the keyword list
// 超级列表框1, sit to the right of the client area: the user never sees them,
// but the commands work through them all the same.

#include <QLabel>
#include <QPlainTextEdit>
#include <QString>
#include <optional>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "text/byte_text.h"

class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace quorvane {

// One keyword read back from the scratch file; never empty.
struct KeywordEntry {
  Text keyword;
};

// A label that reports presses of the left mouse button (on the press, not the
// release).
class PressLabel : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;

 signals:
  void leftButtonPressed();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

// The scratch box: holds the last recommended-word answer between its request
// and its reading. Nobody sees it, and laying out a long single-line answer in
// a wrapping box costs more than all the rest of a Query, so it keeps the text
// as the commands wrote it and lays it out only when it gets the keyboard
// focus (the user can tab into it and type).
class ScratchBox : public QPlainTextEdit {
  Q_OBJECT
 public:
  using QPlainTextEdit::QPlainTextEdit;

  void setCommandText(Text text);
  [[nodiscard]] Text commandText() const;

 protected:
  void focusInEvent(QFocusEvent* event) override;

 private:
  std::optional<Text> m_pending;
};

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  // `programDirectory`: where a.txt, b.txt and about.html live, without a
  // trailing separator.
  explicit MainWindow(QString programDirectory);
  ~MainWindow() override;

  // Shows the window centred on the primary screen with its outer size,
  // frame included, fixed at 277 x 413.
  void showCentred();

  // The controls, in creation (and tab) order.
  QLineEdit* 编辑框_数据;
  QPushButton* 按钮1;
  QPushButton* 按钮2;
  QPlainTextEdit* 编辑框2;
  QPushButton* 按钮3;
  QPushButton* 按钮5;
  QPushButton* 按钮4;
  PressLabel* 标签1;
  ScratchBox* 编辑框1;
  QTreeWidget* 超级列表框1;

  // The program-wide values the commands share.
  const QString programDirectory;
  std::vector<KeywordEntry> keywordTable;
  std::int32_t crawlCursor = 0;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void createControls();
  void initActionsConnections();
};

}  // namespace quorvane

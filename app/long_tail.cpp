// The long-tail run: walks the keyword list from crawlCursor to its end and
// appends every row's recommended words to the results box.
//
// The run is a loop, not a recursion, so a list of any length runs to its
// end. It keeps the order of the steps, checks and waits all the same, and so
// their nesting: a Stop, Query or second run clicked during a wait runs inside
// this one and shares crawlCursor, the list and the boxes with it.

#include <QAbstractItemView>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTreeWidget>
#include <limits>

#include "app/answers.h"
#include "app/commands.h"
#include "app/event_wait.h"
#include "app/gbk_text.h"
#include "app/main_window.h"
#include "service/keyword_service.h"

namespace quorvane {
namespace {

constexpr int kFetchWait = 100;
constexpr int kStepPause = 2;

// The selected row's number, or -1 when no row is selected.
int selectedRow(const QTreeWidget* list) {
  const QModelIndexList rows = list->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

// Selects and focuses `row` without scrolling the list; a row that does not
// exist leaves the selection as it was.
void selectRow(QTreeWidget* list, std::int32_t row) {
  if (row < 0 || row >= list->topLevelItemCount()) return;
  const bool autoScroll = list->hasAutoScroll();
  list->setAutoScroll(false);
  list->setCurrentItem(list->topLevelItem(row), 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  list->setAutoScroll(autoScroll);
}

// Appends at the end of the results box, scrolled into view, as one edit that
// the user cannot undo.
void appendToResults(QPlainTextEdit* box, const Text& words) {
  if (words.empty()) return;
  QTextCursor cursor = box->textCursor();
  cursor.movePosition(QTextCursor::End);
  box->setTextCursor(cursor);
  box->ensureCursorVisible();
  QTextDocument* document = box->document();
  const bool undo = document->isUndoRedoEnabled();
  document->setUndoRedoEnabled(false);
  cursor.insertText(toWidgetText(words));
  document->setUndoRedoEnabled(undo);
  box->setTextCursor(cursor);
}

// Ends the run with its message once the cursor has reached the row count;
// otherwise pauses before the next step. True when the run goes on.
bool crawlCheck(MainWindow& window) {
  if (window.crawlCursor >= window.超级列表框1->topLevelItemCount()) {
    showNotice(QStringLiteral("查询完毕"));
    return false;
  }
  return pumpDelay(kStepPause);
}

}  // namespace

bool fetchItemWords(MainWindow& window) {
  QTreeWidget* list = window.超级列表框1;
  const int row = selectedRow(list);
  const QTreeWidgetItem* item = row >= 0 ? list->topLevelItem(row) : nullptr;
  const Text keyword = item ? toCommandText(item->text(1)) : Text();

  const Text answer = requestRecommendedWords(keyword);
  window.编辑框1->setCommandText(answer);
  if (!pumpDelay(kFetchWait)) return false;

  const Text words = extractWordList(window.编辑框1->commandText());
  appendToResults(window.编辑框2, words);
  return true;
}

void crawlStep(MainWindow& window) {
  do {
    selectRow(window.超级列表框1, window.crawlCursor);
    if (!fetchItemWords(window)) return;
    if (window.crawlCursor < std::numeric_limits<std::int32_t>::max()) ++window.crawlCursor;
  } while (crawlCheck(window));
}

void stopCrawl(MainWindow& window) {
  window.crawlCursor = window.超级列表框1->topLevelItemCount();
  (void)crawlCheck(window);
}

void showNotice(const QString& text) {
  // After the window has closed the program is on its way out: a box now
  // would only flash, or hold the exit up.
  if (programClosing()) return;
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("提示"), text, QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

}  // namespace quorvane

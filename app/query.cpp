// The Query command: recommended words, then search volumes, then the keyword
// table. Each stage reads the controls afresh, because a command nested in a
// wait may have changed them.

#include <QLineEdit>
#include <QPlainTextEdit>

#include "app/answers.h"
#include "app/commands.h"
#include "app/event_wait.h"
#include "app/gbk_text.h"
#include "app/main_window.h"
#include "service/keyword_service.h"

namespace quorvane {
namespace {

constexpr int kStageWait = 100;

// "当前关键词今日搜索量  " and "总搜索量  ", in the label's caption.
const QString kTodayCaption = QStringLiteral("当前关键词今日搜索量  ");
const QString kTotalCaption = QStringLiteral("总搜索量  ");

bool runRecommendedWordStage(MainWindow& window) {
  const Text keyword = toCommandText(window.编辑框_数据->text());
  const Text answer = requestRecommendedWords(keyword);
  window.编辑框1->setCommandText(answer);
  if (!pumpDelay(kStageWait)) return false;

  // What the scratch box holds now, not the answer above: a Query nested in
  // the wait may have replaced it.
  const Text scratch = window.编辑框1->commandText();
  window.编辑框2->setPlainText(toWidgetText(extractWordList(scratch)));
  return pumpDelay(kStageWait);
}

bool runVolumeStage(MainWindow& window) {
  const Text todayAnswer = requestVolumeStats(toCommandText(window.编辑框_数据->text()));
  const Text today = textBetween(todayAnswer, kTodayLeft, kTodayRight);
  // A second request, with the keyword read again: the box may have been
  // edited meanwhile, and the answers are not assumed to agree.
  const Text totalAnswer = requestVolumeStats(toCommandText(window.编辑框_数据->text()));
  const Text total = textBetween(totalAnswer, kTotalLeft, kTotalRight);

  window.标签1->setText(kTodayCaption + toWidgetText(today) + kTotalCaption + toWidgetText(total));
  return pumpDelay(kStageWait);
}

}  // namespace

void runQuery(MainWindow& window) {
  if (!runRecommendedWordStage(window)) return;
  if (!runVolumeStage(window)) return;
  (void)buildKeywordTable(window);
}

}  // namespace quorvane

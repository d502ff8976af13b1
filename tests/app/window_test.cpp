// The main window: its controls, its size and place, Esc and Enter.

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "app/event_wait.h"
#include "tests/app/gui_support.h"

namespace quorvane::testing {
namespace {

struct ControlRow {
  const char* name;
  const char* kind;
  QRect place;
  QString text;
};

TEST(MainWindow, HasEveryControlWithItsKindPlaceAndText) {
  WindowFixture fixture;
  MainWindow& window = *fixture.window;
  const ControlRow rows[] = {
      {"编辑框_数据", "QLineEdit", {10, 15, 94, 24}, "Belmoth"},
      {"按钮1", "QPushButton", {114, 11, 70, 29}, "查询"},
      {"按钮2", "QPushButton", {192, 10, 70, 29}, "关于"},
      {"编辑框2", "QPlainTextEdit", {10, 49, 256, 248}, ""},
      {"按钮3", "QPushButton", {16, 312, 70, 29}, "长尾关键词"},
      {"按钮5", "QPushButton", {102, 312, 70, 29}, "停止获取"},
      {"按钮4", "QPushButton", {192, 312, 70, 29}, "保存数据"},
      {"标签1", "QLabel", {8, 353, 272, 16}, ""},
      {"编辑框1", "QPlainTextEdit", {440, 96, 88, 64}, ""},
      {"超级列表框1", "QTreeWidget", {520, 248, 100, 100}, ""},
  };
  for (const ControlRow& row : rows) {
    SCOPED_TRACE(row.name);
    auto* control = window.findChild<QWidget*>(QString::fromUtf8(row.name));
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->parentWidget(), &window);
    EXPECT_TRUE(control->inherits(row.kind));
    EXPECT_EQ(control->geometry(), row.place);
    EXPECT_TRUE(control->isVisible());
    EXPECT_TRUE(control->isEnabled());
    if (auto* button = qobject_cast<QPushButton*>(control)) {
      EXPECT_EQ(button->text(), row.text);
      EXPECT_FALSE(button->isDefault());
      EXPECT_FALSE(button->autoDefault());
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
      EXPECT_EQ(edit->text(), row.text);
    } else if (auto* box = qobject_cast<QPlainTextEdit*>(control)) {
      EXPECT_EQ(box->toPlainText(), row.text);
    }
    const bool tabStop = (control->focusPolicy() & Qt::TabFocus) != 0;
    EXPECT_EQ(tabStop, std::string_view(row.name) != "标签1");
  }

  EXPECT_EQ(window.编辑框2->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(window.编辑框2->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(window.编辑框2->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(window.编辑框1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(window.编辑框_数据->maxLength(), std::numeric_limits<int>::max());

  QTreeWidget* list = window.超级列表框1;
  EXPECT_EQ(list->headerItem()->text(0), "序号");
  EXPECT_EQ(list->headerItem()->text(1), "关键词");
  EXPECT_EQ(list->columnWidth(0), 50);
  EXPECT_EQ(list->columnWidth(1), 50);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_FALSE(list->isSortingEnabled());
  EXPECT_EQ(list->topLevelItemCount(), 0);
}

TEST(MainWindow, IsFixedAtItsOuterSizeWithoutMaximiseButton) {
  WindowFixture fixture;
  MainWindow& window = *fixture.window;
  EXPECT_EQ(window.windowTitle(), "Quorvane");
  EXPECT_EQ(window.frameGeometry().size(), QSize(277, 413));
  EXPECT_EQ(window.minimumSize(), window.maximumSize());
  EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(window.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(window.windowIcon().isNull());
}

TEST(MainWindow, EscClosesTheWindowFromEveryControl) {
  const char* names[] = {"编辑框_数据", "按钮1", "按钮2", "编辑框2", "按钮3", "按钮5", "按钮4", "编辑框1", "超级列表框1"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    WindowFixture fixture;
    auto* control = fixture.window->findChild<QWidget*>(QString::fromUtf8(name));
    ASSERT_NE(control, nullptr);
    control->setFocus();
    QTest::keyClick(control, Qt::Key_Escape);
    EXPECT_FALSE(fixture.window->isVisible());
    EXPECT_TRUE(programClosing());
  }
}

TEST(MainWindow, ScratchBoxShowsItsTextOnceFocusedAndKeepsWhatIsTyped) {
  WindowFixture fixture;
  ScratchBox* box = fixture.window->编辑框1;
  box->setCommandText("{\"word\":\"\xD6\xD0\",\"total\"\r\nx");
  EXPECT_EQ(box->commandText(), "{\"word\":\"\xD6\xD0\",\"total\"\r\nx");
  fixture.window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(fixture.window.get()));
  box->setFocus();
  EXPECT_EQ(box->toPlainText(), QStringLiteral("{\"word\":\"中\",\"total\"\nx"));
  QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
  QTest::keyClicks(box, "y");
  EXPECT_EQ(box->commandText(), "{\"word\":\"\xD6\xD0\",\"total\"\r\nxy");
}

TEST(MainWindow, EnterStartsNoCommand) {
  WindowFixture fixture;
  for (QWidget* control : std::initializer_list<QWidget*>{fixture.window->编辑框_数据, fixture.window->按钮1}) {
    control->setFocus();
    QTest::keyClick(control, Qt::Key_Return);
    QTest::keyClick(control, Qt::Key_Enter);
  }
  QTest::qWait(50);
  EXPECT_TRUE(fixture.service.wordRequests().empty());
  EXPECT_TRUE(fixture.window->isVisible());
}

}  // namespace
}  // namespace quorvane::testing

#include "app/main_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QWindow>
#include <limits>

#include "app/commands.h"
#include "app/event_wait.h"
#include "app/gbk_text.h"

namespace quorvane {
namespace {

constexpr int kOuterWidth = 277;
constexpr int kOuterHeight = 413;

// A magnifying glass over a bar chart: search volumes, looked into.
QIcon programIcon() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x2e, 0x7d, 0x32));
  painter.drawRect(3, 20, 5, 9);
  painter.drawRect(10, 14, 5, 15);
  painter.drawRect(17, 8, 5, 21);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(QColor(0x15, 0x65, 0xc0), 3));
  painter.drawEllipse(QPointF(19, 11), 7, 7);
  painter.drawLine(QPointF(24, 16), QPointF(30, 22));
  return QIcon(pixmap);
}

void blackOnWhite(QWidget* widget) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, Qt::black);
  widget->setPalette(palette);
}

}  // namespace

void PressLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit leftButtonPressed();
  QLabel::mousePressEvent(event);
}

void ScratchBox::setCommandText(Text text) {
  m_pending = std::move(text);
  if (!document()->isEmpty()) clear();
}

Text ScratchBox::commandText() const { return m_pending ? *m_pending : toCommandText(toPlainText()); }

void ScratchBox::focusInEvent(QFocusEvent* event) {
  if (m_pending) {
    setPlainText(toWidgetText(*m_pending));
    m_pending.reset();
  }
  QPlainTextEdit::focusInEvent(event);
}

MainWindow::MainWindow(QString directory)
    : QWidget(nullptr,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                  Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      programDirectory(std::move(directory)) {
  clearProgramClosing();
  setWindowTitle(QStringLiteral("Quorvane"));
  setWindowIcon(programIcon());
  setFixedSize(kOuterWidth, kOuterHeight);
  createControls();
  initActionsConnections();
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls() {
  编辑框_数据 = new QLineEdit(QStringLiteral("Belmoth"), this);
  编辑框_数据->setGeometry(10, 15, 94, 24);
  编辑框_数据->setMaxLength(std::numeric_limits<int>::max());
  blackOnWhite(编辑框_数据);

  按钮1 = new QPushButton(QStringLiteral("查询"), this);
  按钮1->setGeometry(114, 11, 70, 29);
  按钮2 = new QPushButton(QStringLiteral("关于"), this);
  按钮2->setGeometry(192, 10, 70, 29);

  编辑框2 = new QPlainTextEdit(this);
  编辑框2->setGeometry(10, 49, 256, 248);
  编辑框2->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  编辑框2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  编辑框2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  编辑框2->setTabChangesFocus(true);
  blackOnWhite(编辑框2);

  按钮3 = new QPushButton(QStringLiteral("长尾关键词"), this);
  按钮3->setGeometry(16, 312, 70, 29);
  按钮5 = new QPushButton(QStringLiteral("停止获取"), this);
  按钮5->setGeometry(102, 312, 70, 29);
  按钮4 = new QPushButton(QStringLiteral("保存数据"), this);
  按钮4->setGeometry(192, 312, 70, 29);

  标签1 = new PressLabel(this);
  标签1->setGeometry(8, 353, 272, 16);
  标签1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  标签1->setWordWrap(false);
  标签1->setTextFormat(Qt::PlainText);
  QPalette labelPalette = 标签1->palette();
  labelPalette.setColor(QPalette::WindowText, Qt::black);
  标签1->setPalette(labelPalette);

  编辑框1 = new ScratchBox(this);
  编辑框1->setGeometry(440, 96, 88, 64);
  编辑框1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  编辑框1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  编辑框1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  编辑框1->setTabChangesFocus(true);
  编辑框1->setUndoRedoEnabled(false);

  超级列表框1 = new QTreeWidget(this);
  超级列表框1->setGeometry(520, 248, 100, 100);
  超级列表框1->setColumnCount(2);
  超级列表框1->setHeaderLabels({QStringLiteral("序号"), QStringLiteral("关键词")});
  超级列表框1->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  超级列表框1->header()->setSectionsMovable(false);
  超级列表框1->header()->setStretchLastSection(false);
  超级列表框1->setColumnWidth(0, 50);
  超级列表框1->setColumnWidth(1, 50);
  超级列表框1->setRootIsDecorated(false);
  超级列表框1->setItemsExpandable(false);
  超级列表框1->setUniformRowHeights(true);
  超级列表框1->setSelectionMode(QAbstractItemView::SingleSelection);
  超级列表框1->setSelectionBehavior(QAbstractItemView::SelectRows);
  超级列表框1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  超级列表框1->setSortingEnabled(false);
  blackOnWhite(超级列表框1);

  const QList<QWidget*> controls{编辑框_数据, 按钮1, 按钮2, 编辑框2, 按钮3, 按钮5, 按钮4, 标签1, 编辑框1, 超级列表框1};
  const QStringList names{"编辑框_数据", "按钮1", "按钮2", "编辑框2", "按钮3", "按钮5", "按钮4", "标签1", "编辑框1", "超级列表框1"};
  for (qsizetype i = 0; i < controls.size(); ++i) {
    controls[i]->setObjectName(names[i]);
    controls[i]->installEventFilter(this);
  }
  for (QPushButton* button : {按钮1, 按钮2, 按钮3, 按钮5, 按钮4}) {
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setFocusPolicy(Qt::StrongFocus);
  }
  // Esc must reach the window from inside the list's viewport too.
  超级列表框1->viewport()->installEventFilter(this);
  编辑框2->viewport()->installEventFilter(this);
  编辑框1->viewport()->installEventFilter(this);
}

void MainWindow::initActionsConnections() {
  connect(按钮1, &QPushButton::clicked, this, [this] { runQuery(*this); });
  connect(按钮2, &QPushButton::clicked, this, [this] { openWebPage(*this); });
  connect(按钮3, &QPushButton::clicked, this, [this] { crawlStep(*this); });
  connect(按钮4, &QPushButton::clicked, this, [this] { saveResults(*this); });
  connect(按钮5, &QPushButton::clicked, this, [this] { stopCrawl(*this); });
  connect(标签1, &PressLabel::leftButtonPressed, this, [this] { openWebPage(*this); });
  connect(超级列表框1, &QTreeWidget::itemActivated, this, [this] { fetchItemWords(*this); });
}

void MainWindow::showCentred() {
  show();
  // The frame is known only once the window system has the window; make the
  // outer size, not the client size, 277 x 413.
  if (QWindow* handle = windowHandle()) {
    const QMargins frame = handle->frameMargins();
    setFixedSize(kOuterWidth - frame.left() - frame.right(), kOuterHeight - frame.top() - frame.bottom());
  }
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect available = screen->availableGeometry();
    QRect outer = frameGeometry();
    outer.moveCenter(available.center());
    move(outer.topLeft());
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  markProgramClosing();
  event->accept();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    close();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace quorvane

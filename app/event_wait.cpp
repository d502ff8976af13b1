#include "app/event_wait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace quorvane {
namespace {

bool g_closing = false;

}  // namespace

bool pumpDelay(int milliseconds) {
  if (g_closing) return false;
  if (milliseconds <= 0) return true;

  // A loop of our own, ended by a precise timer: it blocks on the event queue
  // between events, so a long-tail run does not hold a core busy. A nested
  // wait that outlasts this one ends this loop only once control is back here.
  QEventLoop loop;
  QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
  return !g_closing;
}

bool processEvents() {
  if (g_closing) return false;
  QCoreApplication::processEvents();
  return !g_closing;
}

void markProgramClosing() { g_closing = true; }

void clearProgramClosing() { g_closing = false; }

bool programClosing() { return g_closing; }

}  // namespace quorvane

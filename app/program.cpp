#include "app/program.h"

#include <QApplication>
#include <QDir>

#include "app/main_window.h"
#include "service/http_get.h"

namespace quorvane {

int runProgram(QApplication& application) {
  const QString programDirectory = QCoreApplication::applicationDirPath();
  QDir::setCurrent(programDirectory);

  int exitCode = 0;
  {
    // Lives until the loop has ended: a command still unwinding from a wait
    // when the window closed may look at it on its way out.
    MainWindow window(programDirectory);
    window.showCentred();
    exitCode = application.exec();
  }
  releaseHttpClient();
  return exitCode;
}

}  // namespace quorvane

// dbwizard: the build front-end window of the address DB tools.
//
//   dbwizard                   open the window
//   dbwizard --screenshot FILE open it, save a picture of it to FILE, quit
#include <QApplication>
#include <QCoreApplication>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdio>

#include "build_steps.h"
#include "form1.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  QString screenshot;
  const qsizetype option = args.indexOf(QStringLiteral("--screenshot"));
  if (option > 0) {
    if (option + 1 >= args.size()) {
      std::fprintf(stderr, "usage: dbwizard [--screenshot FILE]\n");
      return 2;
    }
    screenshot = args[option + 1];
  }

  krv::wizard::Form1 window(QCoreApplication::applicationDirPath(), krv::wizard::TimeLimitSeconds());
  window.show();
  if (!screenshot.isEmpty()) {
    int status = 0;
    QTimer::singleShot(500, &window, [&] {
      if (!window.grab().save(screenshot)) {
        std::fprintf(stderr, "dbwizard: cannot write %s\n", qPrintable(screenshot));
        status = 1;
      }
      app.quit();
    });
    app.exec();
    return status;
  }
  return app.exec();
}

// zararod-screenshot: a review aid, not shipped. Renders the main window
// after its first showing (reading vedid.ini beside this executable, as the
// program does), the message dialog with one and with three buttons, and the
// error box, each to a PNG file in the directory given as the one argument.
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "ui/error_box.h"
#include "ui/msg_form.h"
#include "util/exception.h"
#include "util/format_settings.h"
#include "window/unit2.h"

namespace {

using zararod::TForm1;

// Saves the next modal window once it is open, then closes it.
void saveNextModal(const QString& path) {
  auto* poll = new QTimer(qApp);
  poll->setInterval(20);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, path] {
    QWidget* window = QApplication::activeModalWidget();
    if (window == nullptr || !window->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    // Give the window system a moment to map and paint it.
    QTimer::singleShot(300, window, [window, path] {
      if (!window->grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
      window->close();
    });
  });
  poll->start();
}

void waitPainted(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT-DIRECTORY\n", argv[0]);
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  int toolkitArgc = 1;
  QApplication application(toolkitArgc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  QCoreApplication::setApplicationName(QStringLiteral("Zararod"));
  zararod::LoadFormatSettingsFromLocale();
  QDir().mkpath(out);

  TForm1 form;
  form.show();
  waitPainted(500);
  form.grab().save(out + "/main-window.png");

  saveNextModal(out + "/message-one-button.png");
  form.ShowMessage(
      "Odesl\xE1no 4 nov\xFD"
      "ch VL",
      zararod::JobReporter::Icon::Information);

  form.dotaz.Text = QString::fromUtf8(
      "Nyní bude aktualizován program Zararod.\rBude proveden restart programu! Opravdu "
      "pokračovat?");
  form.dotaz.ButtonCount = 3;
  form.dotaz.Button1Caption = QStringLiteral("Ano");
  form.dotaz.Button2Caption = QStringLiteral("Ne");
  form.dotaz.Button3Caption = QStringLiteral("Storno");
  form.dotaz.IconType = zararod::suiWarning;
  saveNextModal(out + "/message-three-buttons.png");
  form.dotaz.ShowModal();

  saveNextModal(out + "/error-box.png");
  form.RunHandler(
      [] { throw zararod::Exception("SQL Error: Table 'dovodi.adresar_99' doesn't exist"); });

  form.close();
  return 0;
}

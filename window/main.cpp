// zararod: the program entry. Reads no arguments; shows the main window and
// runs the event loop until the window is closed, then ends with exit code 0.
#include <QApplication>
#include <QIcon>

#include "ui/error_box.h"
#include "ui/skin_form.h"
#include "util/format_settings.h"
#include "window/unit2.h"

int main(int, char** argv) {
  // The window and its dialogs keep their pixel design on every screen: no
  // scaling for the screen's resolution.
  qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
  // The window toolkit sees the program name only.
  int toolkitArgc = 1;
  char* toolkitArgv[] = {argv[0], nullptr};
  QApplication application(toolkitArgc, toolkitArgv);
  QCoreApplication::setApplicationName(
      zararod::ApplicationTitle(QCoreApplication::applicationFilePath()));
  QApplication::setWindowIcon(QIcon(zararod::ApplicationIcon(32)));
  // The toolkit switched the C locale to the user's; take the decimal
  // separator from it and go back to the C locale.
  zararod::LoadFormatSettingsFromLocale();
  {
    zararod::TForm1 form;
    form.show();
    QApplication::exec();
  }  // destroying the window disconnects both connections
  return 0;
}

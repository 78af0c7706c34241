#include "ui/error_box.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <exception>

#include "ui/text.h"
#include "util/exception.h"

namespace zararod {

QString ApplicationTitle(const QString& executablePath) {
  QString name = QFileInfo(executablePath).fileName();
  const qsizetype dot = name.indexOf(QLatin1Char('.'));
  if (dot >= 0) name.truncate(dot);
  if (name.size() > 1) name = name.left(1) + name.mid(1).toLower();
  return name;
}

void ShowErrorBox(const std::string& message) {
  try {
    QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(),
                    FromCp1250(ErrorBoxText(message)), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
  } catch (...) {
    // Nothing is left to report the failure with.
  }
}

void RunGuarded(const std::function<void()>& handler) noexcept {
  try {
    handler();
  } catch (const Exception& error) {
    ShowErrorBox(error.Message());
  } catch (const std::exception& error) {
    ShowErrorBox(error.what());
  } catch (...) {
    ShowErrorBox("Unknown error");
  }
}

}  // namespace zararod

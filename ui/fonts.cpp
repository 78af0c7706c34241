#include "ui/fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QString>
#include <QStringList>

#include "ui/text.h"
#include "util/platform.h"

namespace zararod {
namespace {

constexpr const char* kTahomaFamily = "Tahoma";
constexpr const char* kFallbackFamily = "DejaVu Sans";
// Tahoma's line box in font units: ascent 2049 plus descent 423 of an em of
// 2048. Qt's own metrics for the face are tighter than the design's.
constexpr double kTahomaLineBoxPerEm = (2049.0 + 423.0) / 2048.0;

// Where the Tahoma files are looked for when the system has no such family:
// on Linux the copy that the Wine fonts package ships, on Windows a copy
// beside the executable.
QString tahomaFile(bool bold) {
  return FromCp1250(tahomaFontFolder() + (bold ? "tahomabd.ttf" : "tahoma.ttf"));
}

QString loadFamily(const QString& path) {
  const int id = QFontDatabase::addApplicationFont(path);
  if (id < 0) return {};
  const QStringList families = QFontDatabase::applicationFontFamilies(id);
  return families.isEmpty() ? QString() : families.first();
}

// Loaded once per process; both files name the same family, the bold file
// only adds the bold weight.
const QString& tahomaFamily() {
  static const QString family = [] {
    if (kSystemHasTahoma && QFontDatabase::hasFamily(QString::fromUtf8(kTahomaFamily)))
      return QString::fromUtf8(kTahomaFamily);
    QString regular = loadFamily(tahomaFile(false));
    loadFamily(tahomaFile(true));
    return regular.isEmpty() ? QString::fromUtf8(kFallbackFamily) : regular;
  }();
  return family;
}

}  // namespace

QFont TahomaFont(int pixelSize, bool bold) {
  QFont font(tahomaFamily());
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

int LineHeight(const QFont& font) {
  if (QFontInfo(font).family() == QString::fromUtf8(kTahomaFamily) && font.pixelSize() > 0) {
    return static_cast<int>(font.pixelSize() * kTahomaLineBoxPerEm + 0.5);
  }
  return QFontMetrics(font).height();
}

}  // namespace zararod

#include "ui/fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QString>
#include <QStringList>

namespace zararod {
namespace {

constexpr const char* kTahomaFile = "/usr/share/wine/fonts/tahoma.ttf";
constexpr const char* kTahomaBoldFile = "/usr/share/wine/fonts/tahomabd.ttf";
constexpr const char* kFallbackFamily = "DejaVu Sans";
// Tahoma's line box in font units: ascent 2049 plus descent 423 of an em of
// 2048. Qt's own metrics for the face are tighter than the design's.
constexpr double kTahomaLineBoxPerEm = (2049.0 + 423.0) / 2048.0;

QString loadFamily(const char* path) {
  const int id = QFontDatabase::addApplicationFont(QString::fromUtf8(path));
  if (id < 0) return {};
  const QStringList families = QFontDatabase::applicationFontFamilies(id);
  return families.isEmpty() ? QString() : families.first();
}

// Loaded once per process; both files name the same family, the bold file
// only adds the bold weight.
const QString& tahomaFamily() {
  static const QString family = [] {
    QString regular = loadFamily(kTahomaFile);
    loadFamily(kTahomaBoldFile);
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
  if (QFontInfo(font).family() == QStringLiteral("Tahoma") && font.pixelSize() > 0) {
    return static_cast<int>(font.pixelSize() * kTahomaLineBoxPerEm + 0.5);
  }
  return QFontMetrics(font).height();
}

}  // namespace zararod

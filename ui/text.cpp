#include "ui/text.h"

#include "util/cp1250.h"

namespace zararod {

QString FromCp1250(std::string_view bytes) {
  const std::u16string utf16 = cp1250ToUtf16(bytes);
  return QString::fromUtf16(utf16.data(), static_cast<qsizetype>(utf16.size()));
}

}  // namespace zararod

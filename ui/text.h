// Text at the widget boundary: the logic below the window speaks cp1250
// bytes, the widgets speak QString.
#pragma once

#include <QString>
#include <string_view>

namespace zararod {

QString FromCp1250(std::string_view bytes);

}  // namespace zararod

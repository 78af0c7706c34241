#include "update/built_in_update.h"

#ifndef ZARAROD_UPDATE_URL
#error "update/CMakeLists.txt passes ZARAROD_UPDATE_URL"
#endif

namespace zararod {

const char* builtInUpdateUrl() { return ZARAROD_UPDATE_URL; }

}  // namespace zararod

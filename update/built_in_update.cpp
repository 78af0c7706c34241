#include "update/built_in_update.h"

#if !defined(ZARAROD_UPDATE_URL) || !defined(ZARAROD_UPDATE_KEY)
#error "update/CMakeLists.txt passes ZARAROD_UPDATE_URL and ZARAROD_UPDATE_KEY"
#endif

namespace zararod {

const char* builtInUpdateUrl() { return ZARAROD_UPDATE_URL; }

const char* builtInUpdateKey() { return ZARAROD_UPDATE_KEY; }

}  // namespace zararod

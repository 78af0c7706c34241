// How an error message is shown to the person at the site: in the window's
// error box and on zararod-cli's standard error alike.
#pragma once

#include <string>

namespace zararod {

// The message as shown: "." appended when the message is not empty and its
// last byte sorts after "." (is not one of 0x00..0x2E such as ".", "!", ","
// or a blank). cp1250 bytes in and out. Never throws (apart from
// std::bad_alloc).
std::string ErrorBoxText(const std::string& message);

}  // namespace zararod

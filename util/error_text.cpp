#include "util/error_text.h"

namespace zararod {

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + '.';
  return message;
}

}  // namespace zararod

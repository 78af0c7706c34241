// The version line of the update check: the server's stamp taken from any
// second line of a version file is trimmed of bytes up to 0x20, and the
// comparison of stamps is a strict order. A NUL byte, when there is one,
// separates the line from a second stamp to compare with.
#include "fuzz/fuzz_check.h"
#include "update/check_for_update.h"

using namespace zararod;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  const std::string_view input = fuzz::textOf(data, size);
  const std::size_t cut = input.find('\0');
  const std::string line(input.substr(0, cut));
  const std::string other(cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1));

  const std::string stamp = serverStamp(line, kUpdateExeName);
  const auto control = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  fuzz::require(stamp.empty() || (!control(stamp.front()) && !control(stamp.back())),
                "the stamp is trimmed");
  fuzz::require(stamp.size() <= line.size(), "the stamp is part of the line");
  fuzz::require(!isNewerStamp(stamp, stamp), "a stamp is not newer than itself");
  fuzz::require(!(isNewerStamp(stamp, other) && isNewerStamp(other, stamp)),
                "of two stamps at most one is newer");
  return 0;
}

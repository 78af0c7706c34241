// The settings reader on any file content: a read never throws, a value is
// at most 2047 bytes, a key is either found (the same value whatever the
// default) or not (the default), and a number read falls back to its default
// exactly when the text is empty or no number.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "fuzz/fuzz_check.h"
#include "settings/settings_file.h"
#include "util/file_io.h"

using namespace zararod;

namespace {

// The settings file of this process, removed at exit; in memory where the
// system offers a memory file system, since every read opens it anew.
class ScratchFile {
 public:
  ScratchFile()
      : name_((::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
              std::string("/zararod-fuzz-settings-") + std::to_string(::getpid()) + ".ini") {}
  ~ScratchFile() { std::remove(name_.c_str()); }
  const std::string& name() const { return name_; }

 private:
  std::string name_;
};

void checkKey(const SettingsFile& file, const std::string& section, const std::string& key) {
  const std::string a = file.ReadText(section, key, "\x01");
  const std::string b = file.ReadText(section, key, "\x02");
  fuzz::require(a.size() <= 2047, "at most 2047 bytes");
  fuzz::require(a == b || (a == "\x01" && b == "\x02"), "found, or the default");
  const std::int32_t n1 = file.ReadNumber(section, key, 1);
  const std::int32_t n2 = file.ReadNumber(section, key, 2);
  fuzz::require(n1 == n2 || (n1 == 1 && n2 == 2), "a number, or the default");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  static const ScratchFile scratch;
  {
    FilePtr out(std::fopen(scratch.name().c_str(), "wb"));
    fuzz::require(out != nullptr, "the scratch file opens");
    fuzz::require(std::fwrite(data, 1, size, out.get()) == size, "the scratch file is written");
  }
  const SettingsFile file(scratch.name());
  try {
    for (const char* section : {"LogON", "LogON]"}) {
      for (const char* key : {"IP", ""}) checkKey(file, section, key);
    }
  } catch (...) {
    fuzz::require(false, "a read never throws");
  }
  return 0;
}

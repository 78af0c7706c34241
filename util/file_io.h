// Reading and writing whole files and streaming into a new file, raising the
// file errors of util/file_errors.h. Bytes pass unchanged in both directions;
// file names are cp1250 (see util/platform.h).
#pragma once

#include <string>
#include <string_view>

#include "util/platform.h"

namespace zararod {

// The whole content of the file.
// Throws EFOpenError when it cannot be opened, EReadError when reading fails.
std::string readFileBytes(const std::string& fileName);

// Creates the file, or truncates an existing one, and writes the bytes.
// Throws EFCreateError when it cannot be created, EWriteError when writing or
// closing fails.
void writeFileBytes(const std::string& fileName, std::string_view bytes);

// A file created for writing, closed when the object goes away.
// Use close() to learn whether the last bytes reached the disk; the destructor
// closes silently.
class OutputFile {
 public:
  // Creates the file, or truncates an existing one. Throws EFCreateError.
  explicit OutputFile(std::string fileName);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Appends the bytes. Throws EWriteError.
  // REQUIRES: the file is not closed.
  void write(std::string_view bytes);

  // Closes the file. Throws EWriteError when closing fails. Closing a closed
  // file does nothing.
  void close();

  const std::string& fileName() const noexcept { return fileName_; }

 private:
  std::string fileName_;
  FilePtr file_;
};

}  // namespace zararod

// The errors raised when a file cannot be opened, created, read or written.
//
// Each carries the file's full name and the system's message for the failure
// (systemErrorMessage), in the program's fixed wording, for example
//   Cannot create file "/opt/zararod/verze.log". Permission denied
// They reach the error box like every other Exception.
#pragma once

#include <string>
#include <utility>

#include "util/exception.h"

namespace zararod {

// Root of the file errors; carries the file name.
class EFileError : public Exception {
 public:
  EFileError(std::string message, std::string fileName)
      : Exception(std::move(message)), fileName_(std::move(fileName)) {}
  const std::string& FileName() const noexcept { return fileName_; }

 private:
  std::string fileName_;
};

// "Cannot create file "%s". %s": a file to be written could not be created or
// truncated.
class EFCreateError : public EFileError {
 public:
  EFCreateError(const std::string& fileName, int errorNumber);
};

// "Cannot open file "%s". %s": a file to be read could not be opened.
class EFOpenError : public EFileError {
 public:
  EFOpenError(const std::string& fileName, int errorNumber);
};

// "Cannot read file "%s". %s": reading an opened file failed.
class EReadError : public EFileError {
 public:
  EReadError(const std::string& fileName, int errorNumber);
};

// "Cannot write file "%s". %s": writing or closing a created file failed
// (for example a full disk), so the file on disk is not complete.
class EWriteError : public EFileError {
 public:
  EWriteError(const std::string& fileName, int errorNumber);
};

}  // namespace zararod

#include "util/file_errors.h"

#include "util/platform.h"

namespace zararod {
namespace {

std::string fileMessage(const char* what, const std::string& fileName, int errorNumber) {
  return std::string(what) + " \"" + fileName + "\". " + systemErrorMessage(errorNumber);
}

}  // namespace

EFCreateError::EFCreateError(const std::string& fileName, int errorNumber)
    : EFileError(fileMessage("Cannot create file", fileName, errorNumber), fileName) {}

EFOpenError::EFOpenError(const std::string& fileName, int errorNumber)
    : EFileError(fileMessage("Cannot open file", fileName, errorNumber), fileName) {}

EReadError::EReadError(const std::string& fileName, int errorNumber)
    : EFileError(fileMessage("Cannot read file", fileName, errorNumber), fileName) {}

EWriteError::EWriteError(const std::string& fileName, int errorNumber)
    : EFileError(fileMessage("Cannot write file", fileName, errorNumber), fileName) {}

}  // namespace zararod

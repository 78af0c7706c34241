#include "util/file_io.h"

#include <cerrno>
#include <utility>

#include "util/file_errors.h"

namespace zararod {
namespace {

FilePtr createForWriting(const std::string& fileName) {
  FilePtr file = openFile(fileName, "wb");
  if (!file) throw EFCreateError(fileName, errno);
  return file;
}

}  // namespace

std::string readFileBytes(const std::string& fileName) {
  const FilePtr file = openFile(fileName, "rb");
  if (!file) throw EFOpenError(fileName, errno);
  std::string content;
  char buffer[65536];
  for (;;) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
    content.append(buffer, n);
    if (n < sizeof buffer) {
      if (std::ferror(file.get())) throw EReadError(fileName, errno);
      break;
    }
  }
  return content;
}

void writeFileBytes(const std::string& fileName, std::string_view bytes) {
  OutputFile file(fileName);
  file.write(bytes);
  file.close();
}

OutputFile::OutputFile(std::string fileName)
    : fileName_(std::move(fileName)), file_(createForWriting(fileName_)) {}

OutputFile::~OutputFile() = default;

void OutputFile::write(std::string_view bytes) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size())
    throw EWriteError(fileName_, errno);
}

void OutputFile::close() {
  if (!file_) return;
  // A failing close may be the first report of a lost write (a full disk, a
  // network file system): the stream's last bytes are written out here.
  if (std::fclose(file_.release()) != 0) throw EWriteError(fileName_, errno);
}

}  // namespace zararod

#include "update/download_file.h"

#include <curl/curl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

#include "util/file_errors.h"
#include "util/file_io.h"
#include "util/strings.h"

namespace zararod {
namespace {

constexpr const char* kUserAgent = "Voruzi";

struct CurlEasyCloser {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyCloser>;

struct CurlListFreer {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlList = std::unique_ptr<curl_slist, CurlListFreer>;

void ensureCurlInitialised() {
  // Once per process, before the first handle; thread-safe by the static.
  static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
  (void)initialised;
}

std::string randomSuffix() {
  std::random_device device;
  char text[9];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(device()));
  return text;
}

// The temporary file that receives the body. Removed when destroyed unless
// it was committed over the target.
class PartFile {
 public:
  explicit PartFile(std::string target) : target_(std::move(target)) {}
  PartFile(const PartFile&) = delete;
  PartFile& operator=(const PartFile&) = delete;
  ~PartFile() {
    file_.reset();
    if (!path_.empty()) deleteFile(path_);
  }

  bool isOpen() const { return file_ != nullptr; }
  long long size() const { return size_; }

  // Creates the temporary file. Throws EFCreateError naming the target when
  // the target could not be created or replaced.
  void open() {
    // An existing target that cannot be opened for writing (a folder, a
    // read-only or locked file) could not be replaced either; say so before
    // any byte is stored. Opening it this way changes nothing in it.
    std::error_code ignored;
    if (std::filesystem::exists(nativePath(target_), ignored)) {
      const FilePtr probe = openFile(target_, "r+b");
      if (!probe) throw EFCreateError(target_, errno);
    }
    for (int attempt = 0;; ++attempt) {
      std::string path = target_ + ".part-" + randomSuffix();
      // "x": never reuse a name that exists (a leftover or another download).
      file_ = openFile(path, "wbx");
      if (file_) {
        path_ = std::move(path);
        return;
      }
      if (errno != EEXIST || attempt == 8) throw EFCreateError(target_, errno);
    }
  }

  bool write(const char* data, size_t size) {
    if (std::fwrite(data, 1, size, file_.get()) != size) return false;
    size_ += static_cast<long long>(size);
    return true;
  }

  // Puts the complete body in place of the target. Returns false when the
  // body could not be written out; throws EFCreateError when the target
  // cannot be replaced.
  bool commit() {
    // The setup program must not turn up empty after a power cut.
    bool flushed = flushToDisk(file_.get());
    flushed = (std::fclose(file_.release()) == 0) && flushed;
    if (!flushed) return false;
    if (const int error = replaceFile(path_, target_)) throw EFCreateError(target_, error);
    path_.clear();
    return true;
  }

 private:
  std::string target_;
  std::string path_;
  FilePtr file_;
  long long size_ = 0;
};

struct Transfer {
  CURL* curl;
  PartFile* part;
  long long maxBytes;  // negative: no limit
  std::exception_ptr error;  // raised inside the write callback
  bool writeFailed = false;
};

size_t receiveBody(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  long status = 0;
  curl_easy_getinfo(transfer->curl, CURLINFO_RESPONSE_CODE, &status);
  // Only the body of a 200 answer is stored; anything else is read and
  // dropped (the result will be false).
  if (status != 200) return bytes;
  if (transfer->maxBytes >= 0 &&
      static_cast<unsigned long long>(transfer->part->size()) + bytes >
          static_cast<unsigned long long>(transfer->maxBytes)) {
    return 0;  // too long: ends the transfer with a write error
  }
  try {
    if (!transfer->part->isOpen()) transfer->part->open();
  } catch (...) {
    transfer->error = std::current_exception();
    return 0;  // ends the transfer with a write error
  }
  if (!transfer->part->write(data, bytes)) {
    transfer->writeFailed = true;
    return 0;
  }
  return bytes;
}

}  // namespace

bool DownloadFile(const std::string& Url, const std::string& FileName) {
  return DownloadFile(Url, FileName, DownloadOptions{});
}

bool DownloadFile(const std::string& Url, const std::string& FileName,
                  const DownloadOptions& options) {
  ensureCurlInitialised();
  CurlEasy curl(curl_easy_init());
  if (!curl) return false;

  CurlList headers;
  for (const char* header : {"Cache-Control: no-cache", "Pragma: no-cache"}) {
    curl_slist* list = curl_slist_append(headers.get(), header);
    if (!list) return false;
    if (!headers) headers.reset(list);  // appending keeps the head
  }

  PartFile part(FileName);
  Transfer transfer{curl.get(), &part, options.maxBytes, nullptr, false};

  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, Url.c_str());
  curl_easy_setopt(c, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  // A transfer that began over https never drops to plain http on a
  // redirection: the setup program fetched here is started afterwards.
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR,
                   sameText(std::string_view(Url).substr(0, 6), "https:") ? "https"
                                                                          : "http,https");
  curl_easy_setopt(c, CURLOPT_BUFFERSIZE, kTransferBufferSize);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!options.caFile.empty()) {
    curl_easy_setopt(c, CURLOPT_CAINFO, options.caFile.c_str());
  } else if (kTlsNeedsSystemRootStore) {
    curl_easy_setopt(c, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_NATIVE_CA));
  }
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, options.connectTimeoutSeconds);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedBytesPerSecond);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, options.lowSpeedSeconds);
  if (options.maxBytes >= 0) {
    // Refuses an announced length at once; the write callback counts the rest.
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options.maxBytes));
  }
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, receiveBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);

  const CURLcode result = curl_easy_perform(c);
  if (transfer.error) {
    curl.reset();
    std::rethrow_exception(transfer.error);
  }
  if (result != CURLE_OK || transfer.writeFailed) return false;

  long status = 0;
  if (curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK ||
      status != 200) {
    return false;
  }
  curl_off_t announced = -1;
  curl_easy_getinfo(c, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
  curl.reset();

  if (!part.isOpen()) part.open();  // an empty body still makes the file
  if (announced >= 0 && announced != part.size()) return false;
  return part.commit();
}

void removeLeftoverParts(const std::string& FileName) {
  namespace fs = std::filesystem;
  // Names compared in the system's own form, so that a folder or file name
  // outside ASCII needs no conversion.
  using Name = fs::path::string_type;
  const fs::path target = nativePath(FileName);
  const Name prefix = target.filename().native() + nativePath(".part-").native();
  const Name hexDigits = nativePath("0123456789abcdef").native();
  fs::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  std::error_code error;
  for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
       entry.increment(error)) {
    const Name name = entry->path().filename().native();
    if (name.size() != prefix.size() + 8 || name.compare(0, prefix.size(), prefix) != 0) continue;
    if (name.find_first_not_of(hexDigits, prefix.size()) != Name::npos) continue;
    std::error_code ignored;
    if (!entry->is_directory(ignored)) fs::remove(entry->path(), ignored);
  }
}

}  // namespace zararod

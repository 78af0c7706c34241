// The report of a verify as zararod-cli prints it.
#include <string>

#include "app/verify.h"
#include "util/cp1250.h"

namespace zararod {

namespace {

void printKeys(std::FILE* out, const VerifyResult& result, const char* heading,
               const std::vector<RecordKey>& keys) {
  if (keys.empty()) return;
  std::fprintf(out, "%s: %zu\n", heading, keys.size());
  for (const RecordKey& key : keys) {
    std::fprintf(out, "  %s\n", cp1250ToUtf8(describeKey(result.keyColumns, key)).c_str());
  }
}

}  // namespace

void printVerifyReport(const VerifyResult& result, std::FILE* out) {
  const char* receiver = result.siteSends ? "central" : "the site";
  std::fprintf(out, "%s: %ld records of the site compared, %ld equal\n", result.table.c_str(),
               result.compared, result.equal);
  const std::string missing = result.siteSends
                                  ? std::string("missing on central")
                                  : std::string("missing on the site (central partners it lacks)");
  printKeys(out, result, missing.c_str(), result.missing);
  if (!result.differing.empty()) {
    std::fprintf(out, "differing on %s: %zu\n", receiver, result.differing.size());
    for (const DifferingRecord& record : result.differing) {
      std::string columns;
      for (const std::string& column : record.columns) {
        columns += (columns.empty() ? "" : ", ") + column;
      }
      std::fprintf(out, "  %s: %s\n",
                   cp1250ToUtf8(describeKey(result.keyColumns, record.key)).c_str(),
                   columns.c_str());
    }
  }
  printKeys(out, result, "still queued", result.queued);
  printKeys(out, result,
            result.siteSends ? "on central only (this site's series, not on the site; left as "
                               "they are)"
                             : "on the site only (not on central; left as they are)",
            result.onlyOnReceiver);
  if (result.requeued > 0) std::fprintf(out, "queued again: %ld\n", result.requeued);
  std::fprintf(
      out, "%s\n",
      foundDifferences(result) ? "verify: differences found" : "verify: everything arrived");
}

}  // namespace zararod

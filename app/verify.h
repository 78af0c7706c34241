// "verify": whether the receiving server holds every record of the sending
// server as the job would have written it, without moving the records.
//
// Slips: every row of the site's vaznil or laborl against the central rows
// with the same key, and the central rows of this site's series (the rada
// values the site's table holds) that the site no longer has. Addresses:
// every row of the site's adresar against the central row with the same key,
// and the central keys the site lacks. Keys match as the jobs match them
// (app/record_keys.h); columns and values compare as app/verify_rules.h
// says.
//
// Both servers compute a count and a hash of the same key ranges, about a
// hundred of the site's keys each and 250 ranges per statement and round
// trip, the far server's reads alongside the site's; where the two differ,
// the rows' own digests are compared key by key (a range of more keys, one
// key value that many rows share, is split by the site's keys first). Only the records of the keys
// that differ travel, and are compared under the job's rules. A record that
// still differs is looked up in the sending server's queue (a queued one is
// on its way) and then read once more on both servers, so a change made
// during the check is not taken for a loss.
//
// Every read is a plain read that locks nothing. Without `requeue` nothing
// is written; with it, only the keys of the records found missing or
// differing are inserted into the job's queue, so that the next job sends
// them again. Memory stays within the ranges of one round trip and the keys
// that differ.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "app/job_reporter.h"
#include "app/record_keys.h"

namespace zararod {

class Jobs;

enum class VerifiedTable { WeighingSlips, LabSlips, Addresses };

struct VerifyOptions {
  bool requeue = false;  // queue the missing (slips) and differing records again
  // Addresses: queue the central ones that the site lacks too.
  bool requeueMissing = false;
};

struct DifferingRecord {
  RecordKey key;
  std::vector<std::string> columns;  // the compared columns that differ
};

struct VerifyResult {
  std::string table;                       // vaznil, laborl or adresar
  std::vector<const char*> keyColumns;     // of `table`
  bool siteSends = true;                   // slips: the site sends; addresses: central
  long compared = 0;                       // the site's records
  long equal = 0;                          // of them, those the other server holds equal
  std::vector<RecordKey> missing;          // on the receiving server
  std::vector<DifferingRecord> differing;  // on both, not equal
  std::vector<RecordKey> queued;           // still in the sending side's queue
  std::vector<RecordKey> onlyOnReceiver;   // slips: central; addresses: the site
  long requeued = 0;                       // keys inserted into the queue
};

// Verifies `table` between the two servers of `jobs` (settings applied):
// connects both sides as the job does, shows progress on the table's line of
// `reporter` (one step per record of the site) and, with options.requeue,
// queues the records found missing or differing. Throws the connections' and
// queries' errors, and std::runtime_error when the receiving table lacks a
// column that the job writes.
VerifyResult verifyRecords(Jobs& jobs, VerifiedTable table, const VerifyOptions& options,
                           JobReporter& reporter);

// Whether the result holds a record missing (slips; for addresses the site
// need not hold every central partner) or differing.
bool foundDifferences(const VerifyResult& result);

// The report as zararod-cli prints it (UTF-8; keys in cp1250 converted).
void printVerifyReport(const VerifyResult& result, std::FILE* out);

}  // namespace zararod

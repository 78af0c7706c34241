#include "app/verify.h"

#include <algorithm>
#include <future>
#include <map>
#include <set>
#include <stdexcept>
#include <utility>

#include "app/address_columns.h"
#include "app/job_support.h"
#include "app/jobs.h"
#include "app/verify_rules.h"
#include "app/verify_side.h"
#include "db/connection.h"
#include "db/sql_literals.h"
#include "util/strings.h"

namespace zararod {

namespace {

// Site keys per range: small, so that a range that differs costs few rows'
// digests, and a hundred records that differ, spread over a table, cost a
// hundred ranges. Ranges per round trip (and statement); the parts a
// differing range with more keys than kLeafRows (one key of many rows) is
// split into; the site keys up to which a range's rows are compared by their
// own digests.
constexpr long kRangeRows = 100;
constexpr std::size_t kRangesPerRound = 250;
constexpr long kParts = 16;
constexpr long kLeafRows = 128;
// Keys whose records are read and compared together.
constexpr std::size_t kKeysPerBatch = 500;

struct Plan {
  JobReporter::Line line;
  std::string database;
  std::string table;
  std::string queueTable;  // on the sending server
  std::vector<const char*> keyColumns;
  bool siteSends;
  WriteRules rules;
};

Plan planFor(const Jobs& jobs, VerifiedTable table) {
  switch (table) {
    case VerifiedTable::WeighingSlips:
      return {JobReporter::Line::WeighingSlips, "vorazu1", "vaznil",         "vaznil_00",
              {"cislodokla", "rada"},           true,      WriteRules::Slips};
    case VerifiedTable::LabSlips:
      return {JobReporter::Line::LabSlips, "vorazu1", "laborl",         "laborl_00",
              {"cislodokla", "rada"},      true,      WriteRules::Slips};
    case VerifiedTable::Addresses:
      break;
  }
  return {JobReporter::Line::Addresses, "dovodi",   "adresar",
          "adresar_" + jobs.rada,       {"kodpar"}, false,
          WriteRules::Addresses};
}

// Runs `site` on this thread and `central` on another at the same time: the
// far server's round trip costs no more than the near server's read.
template <typename SiteCall, typename CentralCall>
auto alongside(SiteCall&& site, CentralCall&& central) {
  auto far = std::async(std::launch::async, std::forward<CentralCall>(central));
  auto near = site();
  return std::make_pair(std::move(near), far.get());
}

// A column's declared type and collation.
struct ColumnType {
  std::string type;
  std::string collation;
};

// Every column of `table` with its declared type, by lower-cased name.
std::map<std::string, ColumnType> columnTypes(TZQuery& query, const std::string& table) {
  setQueryText(query, "SHOW FULL COLUMNS FROM " + table);
  query.Open();
  std::map<std::string, ColumnType> types;
  for (query.First(); !query.Eof(); query.Next()) {
    types[lowerStr(query.FieldByName("Field").AsString())] = {
        query.FieldByName("Type").AsString(), query.FieldByName("Collation").AsString()};
  }
  query.Close();
  return types;
}

// A key's rows' digests on each side.
struct KeyDigests {
  std::vector<std::string> sent;
  std::vector<std::string> held;
};

// A key whose records differ so far: as the receiver holds it, and as the
// sender holds it.
struct Candidate {
  RecordKey key;
  RecordKey senderKey;
};

enum class Verdict { Equal, Missing, Differing, OnlyOnReceiver };

struct KeyVerdict {
  Verdict verdict = Verdict::Equal;
  std::vector<std::string> columns;
  long siteRows = 0;
};

class Verifier {
 public:
  Verifier(Jobs& jobs, const Plan& plan, const VerifyOptions& options, JobReporter& reporter)
      : plan_(plan),
        options_(options),
        reporter_(reporter),
        site_(jobs.ZConnection1, plan.table, plan.keyColumns),
        central_(jobs.ZConnection2, plan.table, plan.keyColumns),
        sender_(plan.siteSends ? site_ : central_),
        receiver_(plan.siteSends ? central_ : site_),
        siteConnection_(jobs.ZConnection1),
        centralConnection_(jobs.ZConnection2) {
    result_.table = plan.table;
    result_.keyColumns = plan.keyColumns;
    result_.siteSends = plan.siteSends;
  }

  VerifyResult run() {
    reconnect(siteConnection_, plan_.database);
    reconnect(centralConnection_, plan_.database);
    prepareColumns();
    senderPadded_ = paddedKeyColumns(sender_.query(), plan_.table, plan_.keyColumns);
    receiverPadded_ = paddedKeyColumns(receiver_.query(), plan_.table, plan_.keyColumns);
    if (plan_.siteSends) central_.setScope(seriesScope());

    setQueryText(site_.query(), "select count(*) from " + plan_.table);
    site_.query().Open();
    const long siteRows = std::stol(site_.query().Fields(0).AsString());
    site_.query().Close();
    reporter_.SetStatusText(plan_.line, "verify " + plan_.table + ": " + std::to_string(siteRows) +
                                            " records on the site");
    startProgress(reporter_, plan_.line, static_cast<int>(siteRows));

    std::optional<std::string> low;
    for (bool last = false; !last;) {
      std::vector<KeyRange> ranges;
      while (!last && ranges.size() < kRangesPerRound) {
        std::optional<std::string> high = site_.boundaryAfter(low, std::nullopt, kRangeRows);
        ranges.push_back({low, high});
        last = !high;
        low = std::move(high);
      }
      compareRound(ranges);
    }
    classifyPending();
    reporter_.SetProgressVisible(plan_.line, false);
    result_.equal = result_.compared - unequalSiteRows_;
    if (options_.requeue) requeue();
    return std::move(result_);
  }

 private:
  // The compared columns (those the job writes), their digest terms on both
  // sides, and the names the records are read by.
  void prepareColumns() {
    std::vector<std::string> names;
    if (plan_.siteSends) {
      for (const std::string& name :
           splitList(udelejPolozky(site_.query(), plan_.table, reporter_)))
        names.push_back(name);
    } else {
      names.assign(std::begin(kAddressColumns), std::end(kAddressColumns));
    }
    auto [siteTypes, centralTypes] =
        alongside([&] { return columnTypes(site_.query(), plan_.table); },
                  [&] { return columnTypes(central_.query(), plan_.table); });
    const auto& senderTypes = plan_.siteSends ? siteTypes : centralTypes;
    const auto& receiverTypes = plan_.siteSends ? centralTypes : siteTypes;
    std::vector<DigestTerm> senderTerms;
    std::vector<DigestTerm> receiverTerms;
    for (const std::string& name : names) {
      const auto sent = senderTypes.find(lowerStr(name));
      const auto held = receiverTypes.find(lowerStr(name));
      if (sent == senderTypes.end() || held == receiverTypes.end()) {
        throw std::runtime_error("the " + std::string(plan_.siteSends ? "central" : "site") +
                                 " table " + plan_.table + " has no column " + name +
                                 ", which the job writes");
      }
      const ComparedColumn column{name, sent->second.type, held->second.type,
                                  sent->second.collation, held->second.collation};
      DigestTerm senderTerm = senderDigestTerm(column, plan_.rules);
      DigestTerm receiverTerm = receiverDigestTerm(column);
      if (resetOnImport(name)) {
        // The import sets this flag to N on the site for two groups of
        // partners: there the site may hold N whatever central holds.
        const std::string reset = "left(kodpar,3) in ('A00','790')";
        for (DigestTerm* term : {&senderTerm, &receiverTerm}) {
          *term = {"if(" + reset + ",''," + term->value + ")",
                   "if(" + reset + ",0," + term->isNull + ")"};
        }
      }
      senderTerms.push_back(std::move(senderTerm));
      receiverTerms.push_back(std::move(receiverTerm));
    }
    sender_.setRowDigest(rowDigestExpression(senderTerms));
    receiver_.setRowDigest(rowDigestExpression(receiverTerms));
    columns_ = std::move(names);
  }

  static std::vector<std::string> splitList(const std::string& list) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= list.size()) {
      const std::size_t comma = std::min(list.find(',', start), list.size());
      if (comma > start) items.push_back(list.substr(start, comma - start));
      start = comma + 1;
    }
    return items;
  }

  bool resetOnImport(const std::string& column) const {
    return plan_.rules == WriteRules::Addresses && sameText(column, "LIC_VNITRO");
  }
  static bool inResetGroup(const RecordKey& key) {
    return key[0].starts_with("A00") || key[0].starts_with("790");
  }

  // The central slips of this site: those of the series the site's table
  // holds.
  std::string seriesScope() {
    setQueryText(site_.query(), "select distinct rada from " + plan_.table);
    site_.query().Open();
    std::vector<std::string> series;
    for (site_.query().First(); !site_.query().Eof(); site_.query().Next()) {
      series.push_back(stringLiteral(site_.query().Fields(0).AsServerText().value_or(""),
                                     centralConnection_.NoBackslashEscapes()));
    }
    site_.query().Close();
    if (series.empty()) return "1 = 0";
    std::string list;
    for (const std::string& s : series) list += (list.empty() ? "" : ",") + s;
    return "rada in (" + list + ")";
  }

  std::pair<std::vector<RangeDigest>, std::vector<RangeDigest>> digestsOf(
      const std::vector<KeyRange>& ranges) {
    return alongside([&] { return site_.digests(ranges); },
                     [&] { return central_.digests(ranges); });
  }

  void compareRound(const std::vector<KeyRange>& ranges) {
    auto [siteDigests, centralDigests] = digestsOf(ranges);
    std::vector<std::pair<KeyRange, long>> differing;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
      result_.compared += siteDigests[i].rows;
      if (!(siteDigests[i] == centralDigests[i])) {
        differing.emplace_back(ranges[i], siteDigests[i].rows);
      }
    }
    while (!differing.empty()) {
      std::vector<KeyRange> leaves;
      std::vector<KeyRange> parts;
      for (auto& [range, siteRows] : differing) {
        std::vector<KeyRange> split;
        if (siteRows > kLeafRows) split = splitRange(range, siteRows);
        if (split.size() < 2) {
          leaves.push_back(range);
        } else {
          parts.insert(parts.end(), split.begin(), split.end());
        }
      }
      differing.clear();
      collectRows(leaves);
      if (parts.empty()) break;
      auto [siteParts, centralParts] = digestsOf(parts);
      for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!(siteParts[i] == centralParts[i])) differing.emplace_back(parts[i], siteParts[i].rows);
      }
    }
    settle();
    reporter_.SetProgressPosition(plan_.line, static_cast<int>(result_.compared));
    reporter_.ProcessPendingEvents();
  }

  // `range` in parts of about siteRows / kParts of the site's keys.
  std::vector<KeyRange> splitRange(const KeyRange& range, long siteRows) {
    const long step = (siteRows + kParts - 1) / kParts;
    std::vector<KeyRange> parts;
    std::optional<std::string> low = range.low;
    for (;;) {
      std::optional<std::string> high = site_.boundaryAfter(low, range.high, step);
      if (!high) break;
      parts.push_back({low, high});
      low = std::move(high);
    }
    parts.push_back({low, range.high});
    return parts;
  }

  void collectRows(const std::vector<KeyRange>& leaves) {
    if (leaves.empty()) return;
    auto [siteRows, centralRows] = alongside([&] { return site_.rowDigests(leaves); },
                                             [&] { return central_.rowDigests(leaves); });
    std::vector<RowDigest>& sent = plan_.siteSends ? siteRows : centralRows;
    std::vector<RowDigest>& held = plan_.siteSends ? centralRows : siteRows;
    for (RowDigest& row : sent) {
      RecordKey key = withoutPadding(row.key, receiverPadded_);
      senderKeys_.emplace(key, std::move(row.key));
      digests_[std::move(key)].sent.push_back(std::move(row.digest));
    }
    for (RowDigest& row : held) digests_[std::move(row.key)].held.push_back(std::move(row.digest));
  }

  // The keys of the round whose rows' digests differ wait to be read and
  // compared, a batch at a time: a few round trips serve many rounds, and
  // the records of one batch at most are held.
  void settle() {
    for (auto& [key, rows] : digests_) {
      std::sort(rows.sent.begin(), rows.sent.end());
      std::sort(rows.held.begin(), rows.held.end());
      if (rows.sent == rows.held) continue;
      const auto sender = senderKeys_.find(key);
      pending_.push_back({key, sender != senderKeys_.end() ? sender->second : key});
    }
    digests_.clear();
    senderKeys_.clear();
    if (pending_.size() >= kKeysPerBatch) classifyPending();
  }

  void classifyPending() {
    for (std::size_t first = 0; first < pending_.size(); first += kKeysPerBatch) {
      const auto begin = pending_.begin() + static_cast<std::ptrdiff_t>(first);
      classify({begin, begin + static_cast<std::ptrdiff_t>(
                                   std::min(kKeysPerBatch, pending_.size() - first))});
    }
    pending_.clear();
  }

  void classify(std::vector<Candidate> candidates) {
    std::map<RecordKey, KeyVerdict> verdicts = compare(candidates);
    std::erase_if(candidates,
                  [&](const Candidate& c) { return verdicts[c.key].verdict == Verdict::Equal; });
    if (candidates.empty()) return;
    // A queued record is on its way. The queue is read before the records
    // are read again: a job commits the receiver before it dequeues, so a
    // record that has left the queue is on the receiver by then.
    std::vector<RecordKey> senderKeys;
    for (const Candidate& c : candidates) senderKeys.push_back(c.senderKey);
    std::set<RecordKey> queued;
    for (ReadRecord& row : sender_.records(plan_.queueTable, keyNames(), senderKeys)) {
      queued.insert(withoutPadding(withoutPadding(row.key, senderPadded_), receiverPadded_));
    }
    std::erase_if(candidates, [&](const Candidate& c) {
      if (!queued.contains(c.key)) return false;
      result_.queued.push_back(c.key);
      unequalSiteRows_ += verdicts[c.key].siteRows;
      return true;
    });
    if (candidates.empty()) return;
    for (auto& [key, verdict] : compare(candidates)) {
      unequalSiteRows_ += verdict.verdict == Verdict::Equal ? 0 : verdict.siteRows;
      switch (verdict.verdict) {
        case Verdict::Equal:
          break;
        case Verdict::Missing:
          result_.missing.push_back(key);
          break;
        case Verdict::OnlyOnReceiver:
          result_.onlyOnReceiver.push_back(key);
          break;
        case Verdict::Differing:
          result_.differing.push_back({key, std::move(verdict.columns)});
          break;
      }
    }
  }

  std::vector<std::string> keyNames() const {
    return {plan_.keyColumns.begin(), plan_.keyColumns.end()};
  }

  // Each candidate's verdict from its records as both servers hold them
  // now: first which keys each side holds, then the records of the keys
  // held on both, so a key on one side only costs its key alone.
  std::map<RecordKey, KeyVerdict> compare(const std::vector<Candidate>& candidates) {
    std::vector<RecordKey> senderKeys;
    std::vector<RecordKey> receiverKeys;
    for (const Candidate& c : candidates) {
      senderKeys.push_back(c.senderKey);
      receiverKeys.push_back(c.key);
    }
    auto [sentKeys, heldKeys] =
        alongside([&] { return sender_.records(plan_.table, keyNames(), senderKeys); },
                  [&] { return receiver_.records(plan_.table, keyNames(), receiverKeys); });
    std::map<RecordKey, std::pair<long, long>> present;  // rows sent, rows held
    for (const ReadRecord& row : sentKeys)
      ++present[withoutPadding(row.key, receiverPadded_)].first;
    for (const ReadRecord& row : heldKeys) ++present[row.key].second;

    std::map<RecordKey, KeyVerdict> verdicts;
    std::vector<RecordKey> bothSender;
    std::vector<RecordKey> bothReceiver;
    for (const Candidate& c : candidates) {
      const auto [sent, held] = present[c.key];
      KeyVerdict& verdict = verdicts[c.key];
      verdict.siteRows = plan_.siteSends ? sent : held;
      if (sent == 0 && held == 0) continue;  // gone from both meanwhile
      if (held == 0) {
        verdict.verdict = Verdict::Missing;
      } else if (sent == 0) {
        verdict.verdict = Verdict::OnlyOnReceiver;
      } else {
        bothSender.push_back(c.senderKey);
        bothReceiver.push_back(c.key);
      }
    }
    if (bothSender.empty()) return verdicts;
    auto [sentRows, heldRows] =
        alongside([&] { return sender_.records(plan_.table, columns_, bothSender); },
                  [&] { return receiver_.records(plan_.table, columns_, bothReceiver); });
    std::map<RecordKey, std::pair<std::vector<const ReadRecord*>, std::vector<const ReadRecord*>>>
        records;
    for (const ReadRecord& row : sentRows)
      records[withoutPadding(row.key, receiverPadded_)].first.push_back(&row);
    for (const ReadRecord& row : heldRows) records[row.key].second.push_back(&row);
    for (const auto& [key, rows] : records) {
      KeyVerdict& verdict = verdicts[key];
      verdict.columns = differingColumns(key, rows.first, rows.second);
      if (!verdict.columns.empty()) verdict.verdict = Verdict::Differing;
    }
    return verdicts;
  }

  // The columns in which the receiver's records of `key` are not the ones
  // the job writes for the sender's; empty when they are. Several records
  // under one key are matched one to one.
  std::vector<std::string> differingColumns(const RecordKey& key,
                                            const std::vector<const ReadRecord*>& sent,
                                            std::vector<const ReadRecord*> held) const {
    if (sent.size() != held.size()) {
      return {"(" + std::to_string(sent.size()) + " records against " +
              std::to_string(held.size()) + ")"};
    }
    for (const ReadRecord* record : sent) {
      const auto match = std::find_if(held.begin(), held.end(), [&](const ReadRecord* other) {
        return columnsDiffering(key, *record, *other).empty();
      });
      if (match == held.end()) return columnsDiffering(key, *record, *held.front());
      held.erase(match);
    }
    return {};
  }

  std::vector<std::string> columnsDiffering(const RecordKey& key, const ReadRecord& sent,
                                            const ReadRecord& held) const {
    std::vector<std::string> columns;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      const std::optional<std::string>& value = held.values[i].serverText;
      if (receiverHolds(writtenValue(sent.values[i], sent.types[i], plan_.rules), value,
                        held.types[i])) {
        continue;
      }
      if (resetOnImport(columns_[i]) && inResetGroup(key) && value == std::string("N")) continue;
      columns.push_back(columns_[i]);
    }
    return columns;
  }

  void requeue() {
    std::vector<RecordKey> keys;
    for (const DifferingRecord& record : result_.differing) keys.push_back(record.key);
    if (plan_.siteSends || options_.requeueMissing) {
      keys.insert(keys.end(), result_.missing.begin(), result_.missing.end());
    }
    sender_.queue(plan_.queueTable, keys);
    result_.requeued = static_cast<long>(keys.size());
  }

  const Plan& plan_;
  const VerifyOptions& options_;
  JobReporter& reporter_;
  VerifySide site_;
  VerifySide central_;
  VerifySide& sender_;
  VerifySide& receiver_;
  TZConnection& siteConnection_;
  TZConnection& centralConnection_;
  std::vector<std::string> columns_;
  std::vector<bool> senderPadded_;
  std::vector<bool> receiverPadded_;
  std::map<RecordKey, KeyDigests> digests_;    // the round's keys with their rows' digests
  std::map<RecordKey, RecordKey> senderKeys_;  // the round's keys as the sender holds them
  std::vector<Candidate> pending_;             // keys whose rows' digests differ, not yet read
  long unequalSiteRows_ = 0;
  VerifyResult result_;
};

}  // namespace

VerifyResult verifyRecords(Jobs& jobs, VerifiedTable table, const VerifyOptions& options,
                           JobReporter& reporter) {
  const Plan plan = planFor(jobs, table);
  return Verifier(jobs, plan, options, reporter).run();
}

bool foundDifferences(const VerifyResult& result) {
  return !result.differing.empty() || (result.siteSends && !result.missing.empty());
}

}  // namespace zararod

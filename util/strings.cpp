#include "util/strings.h"

#include <algorithm>

#include "util/cp1250.h"

namespace zararod {

std::string LeftStr(std::string_view S, int Count) {
  if (Count <= 0) return {};
  return std::string(S.substr(0, static_cast<std::size_t>(Count)));
}

std::string GetField(std::string_view S, char Sep, int Index) {
  if (Index < 0) return {};
  // Skip Index separators, then take everything up to the next one.
  std::size_t start = 0;
  for (int field = 0; field < Index; ++field) {
    const std::size_t sep = S.find(Sep, start);
    if (sep == std::string_view::npos) return {};
    start = sep + 1;
  }
  const std::size_t end = S.find(Sep, start);
  return std::string(S.substr(start, end == std::string_view::npos ? S.npos : end - start));
}

std::string UpperStr(std::string_view S) {
  std::string out(S);
  for (char& c : out) c = upperCp1250(c);
  return out;
}

std::string lowerStr(std::string_view S) {
  std::string out(S);
  for (char& c : out) c = lowerCp1250(c);
  return out;
}

bool sameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char x, char y) { return upperCp1250(x) == upperCp1250(y); });
}

std::string_view trimControls(std::string_view S) {
  const auto isControl = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  std::size_t first = 0;
  std::size_t last = S.size();
  while (first < last && isControl(S[first])) ++first;
  while (last > first && isControl(S[last - 1])) --last;
  return S.substr(first, last - first);
}

std::vector<std::string> splitLines(std::string_view S) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < S.size()) {
    const std::size_t end = S.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(S.substr(start));
      break;
    }
    lines.emplace_back(S.substr(start, end - start));
    start = end + ((S[end] == '\r' && end + 1 < S.size() && S[end + 1] == '\n') ? 2 : 1);
  }
  return lines;
}

std::string ReplaceChar(std::string_view S, char Ch, std::string_view Replacement) {
  std::string out;
  out.reserve(S.size());
  for (char c : S) {
    if (c == Ch)
      out += Replacement;
    else
      out += c;
  }
  return out;
}

namespace {

// 0-based offset of Sub in S at or after offset from; npos when not found or
// when Sub is empty.
std::size_t findFrom(std::string_view Sub, std::string_view S, std::size_t from) {
  if (Sub.empty() || from >= S.size()) return std::string_view::npos;
  return S.find(Sub, from);
}

}  // namespace

int PosFrom(std::string_view Sub, std::string_view S, int Start) {
  const std::size_t from = Start < 1 ? 0 : static_cast<std::size_t>(Start) - 1;
  const std::size_t at = findFrom(Sub, S, from);
  return at == std::string_view::npos ? 0 : static_cast<int>(at + 1);
}

std::string ReplaceAllText(std::string_view S, std::string_view OldText,
                           std::string_view NewText) {
  if (OldText.empty()) return std::string(S);
  // Build the result in one pass: searching the upper-cased copy of S gives
  // the same matches as searching the upper-cased result after each
  // replacement, because the search always resumes behind the inserted text.
  const std::string upperS = UpperStr(S);
  const std::string upperOld = UpperStr(OldText);
  std::string out;
  out.reserve(S.size());
  std::size_t done = 0;
  for (std::size_t at = findFrom(upperOld, upperS, 0); at != std::string_view::npos;
       at = findFrom(upperOld, upperS, done)) {
    out.append(S.substr(done, at - done));
    out.append(NewText);
    done = at + OldText.size();
  }
  out.append(S.substr(done));
  return out;
}

}  // namespace zararod

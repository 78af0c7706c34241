// TZSQLStatement: one statement of a TZSQLStrings text after its rescan.
//
// Holds the statement's SQL with every parameter marker replaced by "?", and
// for each such "?" (in text order) the index of the marker's name in the
// parameter name list of the TZSQLStrings that made it. That list is only
// referenced: it is emptied and refilled by the next rescan, so read a
// statement right after the change that made it and do not keep it across
// changes of its text. Immutable; nothing here throws except std::bad_alloc.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace zararod {

class TZSQLStatement {
 public:
  TZSQLStatement(std::string text, std::vector<int> markers, const std::vector<std::string>* names)
      : text_(std::move(text)), markers_(std::move(markers)), names_(names) {}

  // The SQL to hand to the statement layer.
  const std::string& Text() const { return text_; }
  // How many "?" stand for markers.
  int MarkerCount() const { return static_cast<int>(markers_.size()); }
  // Index of marker i's name in the parameter name list.
  // REQUIRES: 0 <= i < MarkerCount().
  int MarkerIndex(int i) const { return markers_[static_cast<std::size_t>(i)]; }
  // The name of marker i; "" when the statement has no marker i.
  std::string ParamName(int i) const;
  // The names in marker order; a name used twice occurs twice.
  std::vector<std::string> ParamNames() const;

 private:
  friend class TZSQLStrings;  // extends the text of a growing statement in place

  std::string text_;
  std::vector<int> markers_;
  const std::vector<std::string>* names_;
};

}  // namespace zararod

// TZSQLStrings: editable SQL text with parameter markers.
//
// A line list (the joined text is every line followed by CR LF, the last line
// included; replacing the text or loading a file splits it at CR, LF and
// CR LF) that rescans itself whenever its text changes. The rescan
//   - finds parameter markers, a ":" token followed by a name (a word, or a
//     quoted string whose decoded text is the name), and replaces each by "?";
//     "::" leaves one literal ":", a ":" at the very end vanishes, ":=" is no
//     marker, and a colon inside a quoted string or comment is plain text;
//   - collects the distinct parameter names in order of first appearance
//     (names that differ only in letter case are one name, the form seen
//     first is kept);
//   - with MultiStatements on, splits the text into statements at ";" tokens.
// A text that holds neither a ":" (with ParamCheck on) nor a ";" (with
// MultiStatements on) is taken as it stands: its joined text, final CR LF
// included, is the only statement. Otherwise the text is tokenized without
// comments and with every whitespace run outside quoted strings made one
// blank, and each statement is trimmed of bytes up to 0x20 at both ends. A
// text of nothing but bytes up to 0x20 has no statement.
//
// When rescans happen: each change of the text outside a BeginUpdate /
// EndUpdate bracket rescans once; inside a bracket, the outermost EndUpdate
// rescans once. SetText, LoadFromFile and Assign bracket themselves. Clearing
// an empty list is no change. Setting ParamCheck, MultiStatements or the
// tokenizer to a different value rescans at once. After a rescan caused by a
// change of the text the change hook runs; after one caused by a setting, or
// one that raised, it does not.
//
// Cost: each rescan reads the whole text, so a long text is best set at once
// (SetText, SetLines) or built inside one BeginUpdate / EndUpdate bracket.
//
// Errors: a ":" marker followed by anything but a word or a quoted string
// (whitespace, a number, a keyword such as NULL, a symbol, a backquoted name)
// raises EZDatabaseError "Incorrect token followed by ":"" from the operation
// that changed the text. The lines keep that change; the statements and names
// are what the scan made before the bad marker; the hook has not run.
//
// Ownership: the statements and names are owned; the tokenizer is not (it
// must outlive this object; the default is SharedMySQLTokenizer()). Not
// copyable or movable: statements refer to the name list inside.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db/sql_statement.h"
#include "db/tokenizer.h"

namespace zararod {

class TZSQLStrings {
 public:
  using ChangeHook = std::function<void(TZSQLStrings&)>;

  TZSQLStrings();
  ~TZSQLStrings();
  TZSQLStrings(const TZSQLStrings&) = delete;
  TZSQLStrings& operator=(const TZSQLStrings&) = delete;

  // --- The line list ---
  int Count() const { return static_cast<int>(lines_.size()); }
  // REQUIRES: 0 <= i < Count().
  const std::string& Strings(int i) const { return lines_[static_cast<std::size_t>(i)]; }
  const std::string& operator[](int i) const { return Strings(i); }
  const std::vector<std::string>& Lines() const { return lines_; }
  // The joined text: every line followed by CR LF.
  const std::string& Text() const { return text_; }

  // Replaces the lines with `text` split at CR, LF and CR LF (a final line
  // break adds no empty line). One rescan. Zero bytes are ordinary text.
  void SetText(std::string_view text);
  // Removes every line; no change when there are none.
  void Clear();
  // Appends one line as given (line-break bytes inside it stay in it);
  // returns its index.
  int Add(std::string_view line);
  // SetText with the file's bytes. Throws EFOpenError / EReadError (and the
  // rescan's error); on a file error the lines are unchanged.
  void LoadFromFile(const std::string& fileName);
  // Writes the joined text. Throws EFCreateError / EWriteError.
  void SaveToFile(const std::string& fileName) const;
  // Copies the lines of `other`. One rescan.
  void Assign(const TZSQLStrings& other);
  // Replaces the lines with `lines` as given. One rescan.
  void SetLines(std::vector<std::string> lines);

  void BeginUpdate() { ++updateCount_; }
  // REQUIRES: a matching BeginUpdate. The outermost one rescans.
  void EndUpdate();

  // --- Settings ---
  bool ParamCheck() const { return paramCheck_; }
  void SetParamCheck(bool value);
  bool MultiStatements() const { return multiStatements_; }
  void SetMultiStatements(bool value);
  // The tokenizer of the owner's connection; nullptr selects the generic one
  // (the MySQL tokenizer). Not owned.
  const IZTokenizer* Tokenizer() const { return tokenizer_; }
  void SetTokenizer(const IZTokenizer* tokenizer);
  // Run after every rescan caused by a change of the text.
  void SetOnChange(ChangeHook hook) { onChange_ = std::move(hook); }

  // --- Result of the last rescan ---
  int StatementCount() const { return static_cast<int>(statements_.size()); }
  // REQUIRES: 0 <= i < StatementCount().
  const TZSQLStatement& Statements(int i) const { return statements_[static_cast<std::size_t>(i)]; }
  int ParamCount() const { return static_cast<int>(names_.size()); }
  // REQUIRES: 0 <= i < ParamCount().
  const std::string& ParamNames(int i) const { return names_[static_cast<std::size_t>(i)]; }
  const std::vector<std::string>& ParamNameList() const { return names_; }
  // Index of `name` in the parameter name list, letter case ignored; -1 when
  // absent.
  int ParamIndex(std::string_view name) const;

 private:
  void changed();
  void replaceLines(std::vector<std::string> lines);
  void settingChanged();
  void rescan(bool textChanged);
  void scanTokens();
  int addName(std::string name);
  const IZTokenizer& tokenizer() const;

  std::vector<std::string> lines_;
  std::string text_;
  int updateCount_ = 0;
  bool paramCheck_ = true;
  bool multiStatements_ = true;
  const IZTokenizer* tokenizer_ = nullptr;
  ChangeHook onChange_;

  std::vector<TZSQLStatement> statements_;
  std::vector<std::string> names_;
  std::unordered_map<std::string, int> nameIndex_;  // upper-cased name -> index
};

}  // namespace zararod

// String routines shared by the window, the settings reader, the value-list
// builders and the update check.
//
// Every text is a byte string in code page 1250: a length counts bytes, which
// are also characters. Positions are 1-based; 0 means "not found". None of the
// routines keeps state or throws (apart from std::bad_alloc); out-of-range
// counts and positions are clamped as each routine describes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zararod {

// The first Count characters of S. Count <= 0 gives the empty text; Count at or
// beyond the length gives S whole.
std::string LeftStr(std::string_view S, int Count);

// Field number Index (0-based) of S, fields being separated by the single byte
// Sep. Two separators in a row enclose an empty field; fewer than Index
// separators, or a negative Index, give the empty text. No trimming.
std::string GetField(std::string_view S, char Sep, int Index);

// S with every letter upper-cased by the cp1250 table (accented letters
// included, independent of the process locale). The length never changes.
std::string UpperStr(std::string_view S);

// S with every occurrence of the byte Ch replaced by Replacement (which may be
// empty or longer than one byte).
std::string ReplaceChar(std::string_view S, char Ch, std::string_view Replacement);

// 1-based position of the first occurrence of Sub in S at or after position
// Start (a Start below 1 counts as 1), byte for byte; 0 when not found. An
// empty Sub is never found.
int PosFrom(std::string_view Sub, std::string_view S, int Start);

// S with every occurrence of OldText, found without regard to letter case
// (cp1250), replaced by NewText as given. Matches are leftmost and do not
// overlap; the inserted text is never searched again. An empty OldText changes
// nothing.
std::string ReplaceAllText(std::string_view S, std::string_view OldText,
                           std::string_view NewText);

// Helpers built on the same cp1250 case table.

// S with every letter lower-cased by the cp1250 table. The length never changes.
std::string lowerStr(std::string_view S);

// True when a and b are equal after upper-casing both with UpperStr.
bool sameText(std::string_view a, std::string_view b);

// S without the blanks and control characters (bytes up to 0x20) at both
// ends. The view points into S.
std::string_view trimControls(std::string_view S);

// The lines of a line list's text: split at CR, at LF and at CR LF (a CR
// directly followed by LF is one break). A break at the very end ends the
// last line; it does not start an empty one. NUL bytes are data.
std::vector<std::string> splitLines(std::string_view S);

}  // namespace zararod

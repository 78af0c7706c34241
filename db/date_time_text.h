// Date-time values read from the texts the server sends for DATE, TIME,
// DATETIME and TIMESTAMP columns.
//
// A date-time value counts days since 1899-12-30 00:00, its fraction being
// the time of day (0 is 1899-12-30 00:00:00).
//
// ISO form ("yyyy-mm-dd", "yyyy-mm-dd hh:nn:ss", and for times "hh:nn:ss"):
// a text longer than 9 characters gives the date of characters 1-4, 6-7 and
// 9-10 when all three are non-zero and valid (else 0), and continues at
// character 12; a remainder longer than 7 characters gives the time of
// characters 1-2, 4-5 and 7-8, added when valid (subtracted from a negative
// date). Compact form (any other text, e.g. "20240307080910"): a 14 or 8
// character text has a four-digit year, any other a two-digit year taken as
// it is; month, day, hours, minutes and seconds follow in two-character
// fields as far as the text reaches. Parts that are not numbers read as 0; an
// invalid date or time contributes nothing. No text is an error.
#pragma once

#include <string_view>

namespace zararod {

// For the date and timestamp readers: the ISO form applies when the text
// matches "????-??-??*".
double dateTimeFromText(std::string_view text);

// For the time reader: the ISO form applies when the text has ":" at two
// places three characters apart with two characters before the first and
// after the second (the pattern "*??:??:??*").
double dateTimeFromTimeText(std::string_view text);

}  // namespace zararod

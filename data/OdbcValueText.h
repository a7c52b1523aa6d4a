// The ODBC layer reads every value as the driver's text and makes the text
// it shows from it here: a value of the form its column's type expects is
// shown in the layer's own form (an integer in plain decimal, a real with 15
// significant digits, a date as yyyy/mm/dd hh:nn:ss), any other value as it
// was read. A value is never made up: what cannot be read as its type is
// shown as the text the database holds.
#pragma once
#include <string>
#include <string_view>

#include "DataSet.h"

namespace odbc {

// Plain decimal: an optional '-', no leading zero, within the 64-bit range.
bool IsIntegerText(std::string_view s);
// The integer of such a text; false for any other text.
bool IntegerOfText(std::string_view s, int64_t& v);

// A number ("12", "-1.5e3", "Inf", "NaN", as drivers write them) as the
// layer writes a real (dbtext::FloatToStr); false for any other text.
bool FloatText(std::string_view s, std::string& out);
bool FloatOfText(std::string_view s, double& v);

// A Boolean given as an integer (0 false, any other true) as "True" or
// "False"; false for any other text.
bool BooleanText(std::string_view s, std::string& out);

// A date, a time or both in the forms databases write them
// ("yyyy-mm-dd", "yyyy-mm-dd hh:mm[:ss[.fffffffff]]" with ' ' or 'T' between,
// "hh:mm[:ss[.f...]]"; '/' may stand for '-'), checked (a real day of a real
// month, hours below 24) and written in the layer's form for a field of
// type: "yyyy/mm/dd", "yyyy/mm/dd hh:nn:ss[.f]" or "hh:nn:ss[.f]" (the
// fraction without trailing zeros). A date in a date-time field gets the
// time 00:00:00; every part the text holds is kept, so a date field holding
// a date and a time shows both. False for any other text (a time zone, an
// era, words), which is then shown as it is.
bool StampText(std::string_view s, TFieldType type, std::string& out);
// The date-time of a text in the layer's form (as StampText writes it);
// false for any other text.
bool StampOfText(std::string_view s, TSQLTimeStamp& v);

}  // namespace odbc

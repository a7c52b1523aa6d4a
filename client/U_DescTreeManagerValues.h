// Values read from the database, put into the object tree's SQL and script
// texts as data. The texts are put together with a hole where each such value
// goes (the other placeholders already replaced); FillHoles then puts each
// value in where its hole stands: inside '...' with its single quotes doubled,
// inside "..." with its double quotes doubled, anywhere else only a plain name
// (letters, digits, "_", "$", double-byte characters) or a number.
//
// "Inside" means inside for every reader of the text: the program's own
// statement splitter (which takes a backslash before a closing quote as an
// escape) and the lexers of SQLite and PostgreSQL (comments hide quotes;
// nested or flat block comments; backslash escapes or none; dollar quotes;
// `...` and [...] names). A hole that one of them sees elsewhere is treated as
// outside the quotes. After filling, the text is read again by each of them:
// a value that moved a literal's or a comment's end (a backslash before a
// quote, say) is refused.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace desctree {

enum class TPasteRefusal {
    None,
    NotPlain,     // outside quotes, and neither a plain name nor a number
    ChangesText,  // it would change where a literal or a comment ends
    UserVariable, // inside quotes, it holds "{!", which a script run would replace
    TooLarge,     // the filled text would pass the size limit
};

struct TPasteResult {
    TPasteRefusal Refusal = TPasteRefusal::None;
    size_t Index = 0;  // the value refused
};

// A byte that occurs in none of Texts, to mark the holes; 0 when there is none.
char HoleMark(const std::vector<std::string_view>& Texts);
// The hole of value Index.
std::string Hole(char Mark, size_t Index);

// Text with every hole replaced by its value of Values, made safe for where
// it stands (see above). The result is at most Limit bytes. On a refusal Out
// is left empty.
TPasteResult FillHoles(std::string_view Text, char Mark, const std::vector<std::string>& Values, size_t Limit,
                       std::string& Out);

// Letters, digits, "_", "$" and double-byte characters only (half-width kana count as letters).
bool IsPlainName(std::string_view Value);
// Digits with an optional sign, decimal point and exponent.
bool IsNumber(std::string_view Value);

}  // namespace desctree

// Reading SQL text without a database: named parameters, the select list
// and the one table a query reads (for edits), the PostgreSQL copy check.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace odbc {
// A statement text with its named parameters replaced by '?': the names in
// the order of their places (a name used twice is listed twice). ":name" ends
// at a blank, a control byte, ',', ';' or ')'; ':"name"' may hold any of
// them; "::" (a cast) is no parameter.
struct TParsedSQL {
    std::string Text;
    std::vector<std::string> Names;
};
TParsedSQL ParseParamSQL(std::string_view sql);
// The column each item of a query's select list names, by position: "c",
// "t.c", "c AS x", "t.c x" name c (unquoted); any other item (an expression,
// a literal) names none (empty). Nothing at all when the items cannot be
// matched to the result's columns with certainty: a "*" among them, a
// compound select (UNION, INTERSECT, EXCEPT) or no SELECT.
std::vector<std::string> SelectListColumns(std::string_view sql);
// The same for a query of one table whose columns are Star: each "*" or
// "x.*" of the list stands for them, in their order.
std::vector<std::string> SelectListColumns(std::string_view sql, const std::vector<std::string>& Star);
// The one table a query reads, when it is a SELECT (after a WITH clause, if
// any) whose FROM names a single table directly ("FROM t", "FROM s.t",
// "FROM t AS x", "FROM t x", then nothing or WHERE, GROUP, HAVING, WINDOW,
// ORDER, LIMIT): Name is that table and Schema the schema it was qualified
// with (both unquoted; Schema empty when none), and StarOnly tells a select
// list of just "*" or "x.*". Subqueries in the select list and after the
// FROM clause read other rows only into expressions, so they are allowed.
// Name is empty for anything else: a join (JOIN, or a comma before any
// GROUP, ORDER or LIMIT), a subquery or a table-valued function in FROM, a
// table of the WITH clause, a compound select, a name of three parts, a
// statement other than a SELECT.
struct TSingleTable {
    std::string Name;
    std::string Schema;
    bool StarOnly = false;
};
TSingleTable SingleTable(std::string_view sql);
// Whether a PostgreSQL statement text (one statement or several separated by
// ";") holds a statement that would move its data through the connection
// itself: COPY ... FROM STDIN or TO STDOUT (after an optional PROGRAM), or a
// replication command streaming through the same copy mode. The driver never
// returns from such a statement. Literals (plain, E'', dollar-quoted), quoted
// names and comments (nested too) are skipped; a plain literal is read both
// with and without backslash escapes, so either setting of the server's
// standard_conforming_strings is covered.
bool PgClientCopy(std::string_view sql);
}  // namespace odbc

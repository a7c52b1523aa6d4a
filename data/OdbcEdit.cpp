#include "OdbcQuery.h"

#include "OdbcConnection.h"
#include "OdbcQueryParts.h"
#include "OdbcText.h"
#include "SysUtils.h"

using odbc::ColumnText;
using odbc::TStmt;

// ---------------------------------------------------------------------------
// Editing: changes are written to the result's table at once

namespace {

// Types whose values compare reliably with what was read (no rounding, no
// text form of a date).
bool ComparableType(TFieldType t) {
    switch (t) {
    case ftSmallint: case ftInteger: case ftWord: case ftLargeint: case ftAutoInc:
    case ftString: case ftWideString: case ftFixedChar: case ftFixedWideChar: case ftMemo: case ftWideMemo:
        return true;
    default:
        return false;
    }
}

// The text a statement runs as: its named parameters as '?'.
std::string RunText(const std::string& Sql, bool ParamCheck) { return ParamCheck ? odbc::ParseParamSQL(Sql).Text : Sql; }

// Whether the one table a statement reads itself is Table, in Schema when
// the statement names a schema.
bool ReadsItself(const odbc::TSingleTable& From, const std::string& Schema, const std::string& Table) {
    return !From.Name.empty() && sys::SameText(From.Name, Table) &&
           (From.Schema.empty() || sys::SameText(From.Schema, Schema));
}

}  // namespace

void TOdbcQuery::TraceUpdateTable(void* stmt) {
    SQLHSTMT st = stmt;
    const bool utf8 = FConnection->Utf8Api();
    FUpdateTable.clear();
    FReadOnlyReason.clear();
    FTableCatalog.clear();
    FTableSchema.clear();
    FTableName.clear();
    const size_t count = static_cast<size_t>(FieldDefs().Count());
    FBaseColumns.assign(count, std::string());
    std::vector<std::string> tables(count), columns(count);
    bool any = false;
    // a name with "?" for a character CP932 cannot hold would name another table or column
    TTextLoss names;
    for (size_t c = 0; c < count; ++c) {
        const SQLUSMALLINT col = static_cast<SQLUSMALLINT>(c + 1);
        tables[c] = ColumnText(st, col, SQL_DESC_BASE_TABLE_NAME, utf8, &names);
        columns[c] = ColumnText(st, col, SQL_DESC_BASE_COLUMN_NAME, utf8, &names);
        any = any || !tables[c].empty();
    }
    if (!any) {
        FReadOnlyReason = "結果の列はどれも表の列ではありません（式や定数の列です）。";
        return;
    }
    if (FConnection->Sqlite()) {
        // the SQLite driver gives the label as the base column name, an alias included
        std::vector<std::string> labels(count);
        for (size_t c = 0; c < count; ++c) labels[c] = ColumnText(st, static_cast<SQLUSMALLINT>(c + 1), SQL_DESC_LABEL, utf8);
        columns = SqliteBaseColumns(labels, tables);
    }
    bool one = true;
    for (int c = 0; c < FieldDefs().Count() && one; ++c) {
        const std::string& table = tables[static_cast<size_t>(c)];
        const std::string& column = columns[static_cast<size_t>(c)];
        if (table.empty()) continue;   // a computed column
        const SQLUSMALLINT col = static_cast<SQLUSMALLINT>(c + 1);
        std::string schema = ColumnText(st, col, SQL_DESC_SCHEMA_NAME, utf8, &names);
        std::string catalog = ColumnText(st, col, SQL_DESC_CATALOG_NAME, utf8, &names);
        if (FTableName.empty()) {
            FTableName = table;
            FTableSchema = schema;
            FTableCatalog = catalog;
        } else if (table != FTableName || schema != FTableSchema || catalog != FTableCatalog) {
            one = false;   // a join: which table a change belongs to is not known
        }
        if (column.empty()) continue;   // a column of the table whose name is not known for certain
        // the same column twice can be written only once
        if (std::find(FBaseColumns.begin(), FBaseColumns.end(), column) == FBaseColumns.end())
            FBaseColumns[static_cast<size_t>(c)] = column;
    }
    // The driver names each column's table and column but not which of the
    // table's rows the value came from: where the statement reads the table
    // more than once (a self-join, a subquery in FROM) a change would reach
    // another row than the one shown. So the columns count only where the
    // statement reads the one table itself (on SQLite they are told only then).
    if (one && !FTableName.empty() && !FConnection->Sqlite() &&
        !ReadsItself(odbc::SingleTable(RunText(FSQL, FParamCheck)), FTableSchema, FTableName))
        FBaseColumns.assign(FBaseColumns.size(), std::string());
    const bool named = std::any_of(FBaseColumns.begin(), FBaseColumns.end(), [](const std::string& b) { return !b.empty(); });
    if (names.Count > 0) {
        FReadOnlyReason = "表や列の名前にシフトJISで表せない文字があります（\"?\" に置き換わった名前は別の表や列を指します）。";
        FTableName.clear();
        FBaseColumns.assign(FBaseColumns.size(), std::string());
        return;
    }
    if (!one || FTableName.empty() || !named) {
        FReadOnlyReason = !one ? "結果に複数の表の列があります（結合した結果です）。"
                               : "結果の列が表のどの列にあたるかを確かめられません（ビュー、副問い合わせ、結合などを通した結果です）。";
        FTableName.clear();
        FBaseColumns.assign(FBaseColumns.size(), std::string());
        return;
    }
    char quote[8] = {0};
    SQLSMALLINT qlen = 0;
    if (SQL_SUCCEEDED(SQLGetInfo(FConnection->Handle(), SQL_IDENTIFIER_QUOTE_CHAR, quote, sizeof quote, &qlen)) &&
        quote[0] != ' ')
        FQuote = quote;
    else FQuote.clear();
    FUpdateTable = (FTableSchema.empty() ? std::string() : Quoted(FTableSchema) + ".") + Quoted(FTableName);
}

std::vector<std::string> TOdbcQuery::SqlitePreparedLabels(const std::string& Sql) {
    std::vector<std::string> labels;
    TStmt st;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, FConnection->Handle(), &st.H))) return labels;
    // through the API the statements of the connection use: the narrow one
    // (UTF-8) for a driver without the wide one, which the driver manager
    // would hand Latin-1
    const bool utf8 = FConnection->Utf8Api();
    std::string text = odbc::ApiText(Sql, utf8);
    const SQLINTEGER units = static_cast<SQLINTEGER>(text.size() / static_cast<size_t>(odbc::UnitSize(utf8)));
    text.append(2, '\0');
    const SQLRETURN r = utf8 ? SQLPrepare(st.H, reinterpret_cast<SQLCHAR*>(&text[0]), units)
                             : SQLPrepareW(st.H, reinterpret_cast<SQLWCHAR*>(&text[0]), units);
    if (!SQL_SUCCEEDED(r)) return labels;
    SQLSMALLINT n = 0;
    if (!SQL_SUCCEEDED(SQLNumResultCols(st.H, &n))) return labels;
    for (SQLSMALLINT c = 1; c <= n; ++c) labels.push_back(ColumnText(st.H, static_cast<SQLUSMALLINT>(c), SQL_DESC_LABEL, utf8));
    return labels;
}

std::vector<std::string> TOdbcQuery::SqliteBaseColumns(const std::vector<std::string>& Labels,
                                                       std::vector<std::string>& Tables) {
    const size_t count = Labels.size();
    std::vector<std::string> bases(count);
    const std::string sql = RunText(FSQL, FParamCheck);
    // The driver names a column's table (through views and subqueries, the
    // table the value comes from) but not the column: its "base column" is
    // the label. The columns are told only where the statement reads the one
    // table itself, so that every name in its select list is a column of it;
    // the driver names no schema, so a table of an attached database is not.
    const odbc::TSingleTable from = odbc::SingleTable(sql);
    if (from.Name.empty() || (!from.Schema.empty() && !sys::SameText(from.Schema, "main"))) return bases;
    // A value of another table than the one read comes out of a subquery of
    // the select list: it is computed, not a column of the result's table.
    // (A view read gives none of its own name: nothing stays.)
    const std::string* table = nullptr;
    for (std::string& t : Tables) {
        if (t.empty()) continue;
        if (!sys::SameText(t, from.Name)) t.clear();
        else if (table && t != *table) return bases;
        else table = &t;
    }
    if (!table) return bases;
    std::string quoted = "\"";
    for (char ch : *table) quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    const std::vector<std::string> own = SqlitePreparedLabels("SELECT * FROM " + quoted + "\"");
    if (own.empty()) return bases;
    // SQLite compares names without regard to case; the table's own spelling is used
    auto ownName = [&](const std::string& name) {
        for (const std::string& o : own)
            if (sys::SameText(o, name)) return o;
        return std::string();
    };
    // "*" (alone or among other items): the table's columns in their order
    const std::vector<std::string> items = odbc::SelectListColumns(sql, own);
    if (items.size() != count) return bases;
    for (size_t c = 0; c < count; ++c)
        if (!Tables[c].empty() && !items[c].empty()) bases[c] = ownName(items[c]);
    return bases;
}

std::string TOdbcQuery::Quoted(const std::string& Name) const {
    if (FQuote.empty()) return Name;
    std::string out = FQuote;
    for (size_t i = 0; i < Name.size(); ++i) {
        if (Name.compare(i, FQuote.size(), FQuote) == 0) {
            out += FQuote + FQuote;
            i += FQuote.size() - 1;
        } else {
            out.push_back(Name[i]);
        }
    }
    return out + FQuote;
}

bool TOdbcQuery::CanModify() const {
    return Active() && !FUpdateTable.empty() && FConnection && FConnection->Connected();
}

std::string TOdbcQuery::ReadOnlyReason() const {
    if (!Active()) return "データセットが閉じています。";
    if (!FConnection || !FConnection->Connected()) return "データベースに接続していません。";
    return FReadOnlyReason;
}

std::string TOdbcQuery::FieldReadOnlyMessage(const TField& Field) const {
    std::string refused = TDataSet::FieldReadOnlyMessage(Field);
    const size_t i = static_cast<size_t>(Field.Index());
    if (refused.empty() && i < FBaseColumns.size() && FBaseColumns[i].empty())
        refused = "フィールド '" + Field.FieldName() + "' は表の列ではないため変更できません";
    return refused;
}

void TOdbcQuery::LoadKeyColumns() {
    if (FKeysLoaded) return;
    CheckConnected();
    const bool utf8 = FConnection->Utf8Api();
    FKeyColumns.assign(static_cast<size_t>(FieldDefs().Count()), false);
    std::vector<std::string> keys;
    TStmt st;
    if (SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, FConnection->Handle(), &st.H))) {
        std::string cat = odbc::ApiText(FTableCatalog, utf8), sch = odbc::ApiText(FTableSchema, utf8),
                    tab = odbc::ApiText(FTableName, utf8);
        const SQLSMALLINT unit = static_cast<SQLSMALLINT>(odbc::UnitSize(utf8));
        auto len = [&](const std::string& s) { return static_cast<SQLSMALLINT>(s.size() / static_cast<size_t>(unit)); };
        cat.append(4, '\0');
        sch.append(4, '\0');
        tab.append(4, '\0');
        SQLRETURN r =
            utf8 ? SQLPrimaryKeys(st.H, FTableCatalog.empty() ? nullptr : reinterpret_cast<SQLCHAR*>(&cat[0]),
                                  FTableCatalog.empty() ? 0 : static_cast<SQLSMALLINT>(cat.size() - 4),
                                  FTableSchema.empty() ? nullptr : reinterpret_cast<SQLCHAR*>(&sch[0]),
                                  FTableSchema.empty() ? 0 : static_cast<SQLSMALLINT>(sch.size() - 4),
                                  reinterpret_cast<SQLCHAR*>(&tab[0]), static_cast<SQLSMALLINT>(tab.size() - 4))
                 : SQLPrimaryKeysW(st.H, FTableCatalog.empty() ? nullptr : reinterpret_cast<SQLWCHAR*>(&cat[0]),
                                   FTableCatalog.empty() ? 0 : static_cast<SQLSMALLINT>(len(cat) - 2),
                                   FTableSchema.empty() ? nullptr : reinterpret_cast<SQLWCHAR*>(&sch[0]),
                                   FTableSchema.empty() ? 0 : static_cast<SQLSMALLINT>(len(sch) - 2),
                                   reinterpret_cast<SQLWCHAR*>(&tab[0]), static_cast<SQLSMALLINT>(len(tab) - 2));
        if (SQL_SUCCEEDED(r)) {
            std::string name(1024, '\0');
            while (SQL_SUCCEEDED(SQLFetch(st.H))) {
                SQLLEN ind = 0;
                if (!SQL_SUCCEEDED(SQLGetData(st.H, 4, odbc::TextCType(utf8), &name[0], static_cast<SQLLEN>(name.size() - 2), &ind)) ||
                    ind <= 0)
                    continue;
                keys.push_back(odbc::FromApiText(std::string_view(name.data(), std::min<size_t>(static_cast<size_t>(ind), name.size() - 2)), utf8));
            }
        }
    }
    // a key counts only when every one of its columns is in the result
    bool whole = !keys.empty();
    for (const std::string& k : keys) {
        auto it = std::find(FBaseColumns.begin(), FBaseColumns.end(), k);
        if (it == FBaseColumns.end()) { whole = false; break; }
        FKeyColumns[static_cast<size_t>(it - FBaseColumns.begin())] = true;
    }
    if (!whole) FKeyColumns.assign(FKeyColumns.size(), false);
    FKeysLoaded = true;
}

bool TOdbcQuery::LossyCell(size_t storeRow, int col) const {
    return std::binary_search(FLossyCells.begin(), FLossyCells.end(), std::make_pair(storeRow, col));
}

std::string TOdbcQuery::WhereOf(size_t Row, const std::vector<TVariant>& Old, const std::vector<bool>& Changed,
                                std::vector<TVariant>& Values, const char* Action) const {
    const bool keyed = std::find(FKeyColumns.begin(), FKeyColumns.end(), true) != FKeyColumns.end();
    std::string where;
    for (int c = 0; c < FieldDefs().Count(); ++c) {
        const size_t i = static_cast<size_t>(c);
        if (FBaseColumns[i].empty()) continue;
        bool use = keyed ? FKeyColumns[i] || (Changed[i] && ComparableType(FieldDefs()[c].DataType))
                         : ComparableType(FieldDefs()[c].DataType);
        if (!use) continue;
        // A value read with the substitute character in it is not what the
        // table holds, so it cannot find the row. The key finds it without
        // the old value of a changed column; a key's own value or, without
        // a key, any value cannot be done without.
        if (!FLossyCells.empty() && !Old[i].IsNull() && LossyCell(Row, c)) {
            if (keyed && !FKeyColumns[i]) continue;
            throw EDatabaseError(std::string(Action) + "する行を特定できません。列 '" + FieldDefs()[c].Name +
                                 "' の値に、このプログラムが扱えない文字（「?」で表示した文字）があるため、" +
                                 (keyed ? "キーの値で行を探せません。"
                                        : "読み込んだ値で行を探せません（主キーのない表です）。") +
                                 "何も書き込んでいません。");
        }
        where += where.empty() ? " WHERE " : " AND ";
        where += Quoted(FBaseColumns[i]);
        if (Old[i].IsNull()) {
            where += " IS NULL";
        } else {
            Values.push_back(Old[i]);
            where += " = :p" + std::to_string(Values.size());
        }
    }
    return where;
}

int64_t TOdbcQuery::RunChange(const std::string& Sql, const std::vector<TVariant>& Values, bool Query,
                              const char* Failure) {
    try {
        return RunChangeStatement(Sql, Values, Query);
    } catch (const EOdbcError& e) {
        // the database's own words follow a line that says what failed
        throw EOdbcError(std::string(Failure) + "\r\n" + e.Message, e.SQLState, e.NativeError);
    }
}

int64_t TOdbcQuery::RunChangeStatement(const std::string& Sql, const std::vector<TVariant>& Values, bool Query) {
    TOdbcQuery q(FConnection);
    q.SetParamCheck(true);
    q.SetSQL(Sql);
    for (size_t k = 0; k < Values.size(); ++k) {
        TOdbcParameter& prm = q.Parameters().ParamByName("p" + std::to_string(k + 1));
        prm.Value = Values[k];
        prm.DataType = Values[k].IsBytes() ? ftBlob : ftUnknown;
    }
    if (!Query) {
        q.ExecSQL();
        return q.RowsAffected();
    }
    q.Open();
    return q.FieldCount() > 0 ? q.Fields(0).AsInteger() : 0;
}

void TOdbcQuery::CheckOneRecord(const std::string& Where, const std::vector<TVariant>& Values, const char* Action) {
    const int64_t n = RunChange("SELECT COUNT(*) FROM " + FUpdateTable + Where, Values, true,
                                (std::string(Action) + "する行を確認できませんでした。").c_str());
    if (n == 0)
        throw EDatabaseError(std::string(Action) + "する行が見つかりません。読み込んだ後に変更または削除された可能性があります。");
    if (n > 1)
        throw EDatabaseError(std::string(Action) + "する行を一つに特定できません（該当 " + std::to_string(n) +
                             " 行）。同じ値の行が複数あります。");
}

void TOdbcQuery::MaterialiseRowMap() {
    if (!FRowMap.empty() || FRowCount == 0) return;
    FRowMap.resize(FRowCount);
    for (size_t i = 0; i < FRowCount; ++i) FRowMap[i] = i;
}

void TOdbcQuery::SetFieldValue(TField& field, const TVariant& value) {
    const std::string refused = FieldReadOnlyMessage(field);
    if (!refused.empty()) throw EDatabaseError(refused);
    FEdit.at(static_cast<size_t>(field.Index())) = value;
}

void TOdbcQuery::InternalEdit() {
    FEdit.assign(static_cast<size_t>(FieldDefs().Count()), TVariant());
    const size_t row = StoreRow(FCur);
    for (int c = 0; c < FieldDefs().Count(); ++c) CellValue(row, c, FEdit[static_cast<size_t>(c)]);
}

void TOdbcQuery::InternalInsert(bool append) {
    FEdit.assign(static_cast<size_t>(FieldDefs().Count()), TVariant());
    FInsertAt = append || FCur < 0 || static_cast<size_t>(FCur) >= FRowCount ? static_cast<int64_t>(FRowCount) : FCur;
}

void TOdbcQuery::InternalPost() {
    CheckConnected();
    const int n = FieldDefs().Count();
    std::vector<TVariant> values;
    if (State() == dsEdit) {
        const size_t row = StoreRow(FCur);
        std::vector<TVariant> old(static_cast<size_t>(n));
        std::vector<bool> changed(static_cast<size_t>(n), false);
        std::string set;
        for (int c = 0; c < n; ++c) {
            const size_t i = static_cast<size_t>(c);
            CellValue(row, c, old[i]);
            if (FBaseColumns[i].empty() || FEdit[i] == old[i]) continue;
            changed[i] = true;
            set += set.empty() ? " SET " : ", ";
            set += Quoted(FBaseColumns[i]) + " = ";
            if (FEdit[i].IsNull()) {
                set += "NULL";
            } else {
                values.push_back(FEdit[i]);
                set += ":p" + std::to_string(values.size());
            }
        }
        if (set.empty()) {
            FEdit.clear();
            return;
        }
        LoadKeyColumns();
        std::vector<TVariant> whereValues;
        CheckOneRecord(WhereOf(row, old, changed, whereValues, "更新"), whereValues, "更新");
        // the WHERE's parameters are numbered on from the SET's
        const std::string where = WhereOf(row, old, changed, values, "更新");
        const int64_t done = RunChange("UPDATE " + FUpdateTable + set + where, values, false, "行を更新できませんでした。");
        if (done == 0) throw EDatabaseError("更新する行が見つかりません。読み込んだ後に変更または削除された可能性があります。");
        // a value written replaces the one read with substitutes
        for (int c = 0; c < n && !FLossyCells.empty(); ++c) {
            if (!changed[static_cast<size_t>(c)]) continue;
            auto it = std::lower_bound(FLossyCells.begin(), FLossyCells.end(), std::make_pair(row, c));
            if (it != FLossyCells.end() && *it == std::make_pair(row, c)) FLossyCells.erase(it);
        }
        FChanged[row] = std::move(FEdit);
        FEdited = true;
    } else {
        std::string cols, vals;
        for (int c = 0; c < n; ++c) {
            const size_t i = static_cast<size_t>(c);
            if (FBaseColumns[i].empty() || FEdit[i].IsNull()) continue;
            cols += (cols.empty() ? "" : ", ") + Quoted(FBaseColumns[i]);
            values.push_back(FEdit[i]);
            vals += (vals.empty() ? ":p" : ", :p") + std::to_string(values.size());
        }
        RunChange(cols.empty() ? "INSERT INTO " + FUpdateTable + " DEFAULT VALUES"
                               : "INSERT INTO " + FUpdateTable + " (" + cols + ") VALUES (" + vals + ")",
                  values, false, "行を追加できませんでした。");
        const size_t storeRow = FStoreRows + FAdded.size();
        FAdded.push_back(std::move(FEdit));
        if (FRowMap.empty() && static_cast<size_t>(FInsertAt) == FRowCount && storeRow == FRowCount) {
            // still every row at its own number
        } else {
            MaterialiseRowMap();
            FRowMap.insert(FRowMap.begin() + FInsertAt, storeRow);
        }
        ++FRowCount;
        FCur = FInsertAt;
        FEdited = true;
    }
    FEdit.clear();
}

void TOdbcQuery::InternalDelete() {
    CheckConnected();
    LoadKeyColumns();
    const int n = FieldDefs().Count();
    const size_t row = StoreRow(FCur);
    std::vector<TVariant> old(static_cast<size_t>(n));
    for (int c = 0; c < n; ++c) CellValue(row, c, old[static_cast<size_t>(c)]);
    std::vector<TVariant> values;
    const std::string where = WhereOf(row, old, std::vector<bool>(static_cast<size_t>(n), false), values, "削除");
    CheckOneRecord(where, values, "削除");
    if (RunChange("DELETE FROM " + FUpdateTable + where, values, false, "行を削除できませんでした。") == 0)
        throw EDatabaseError("削除する行が見つかりません。読み込んだ後に変更または削除された可能性があります。");
    MaterialiseRowMap();
    FRowMap.erase(FRowMap.begin() + FCur);
    --FRowCount;
    FChanged.erase(row);
    FEdited = true;
    if (FCur >= static_cast<int64_t>(FRowCount)) FCur = static_cast<int64_t>(FRowCount) - 1;
}


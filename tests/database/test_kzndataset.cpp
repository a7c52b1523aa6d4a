#include <gtest/gtest.h>

#include "U_KZNDataSet.h"

namespace {

// Rows of text held in memory; Editable lets the row operations through.
class RowsDataSet : public TKZNDataSet {
public:
    std::vector<std::pair<std::string, TFieldType>> Columns{{"ID", ftInteger}, {"NAME", ftString}};
    std::vector<std::vector<TVariant>> Rows;
    bool Editable = false;

protected:
    void InternalInitFieldDefs() override {
        for (auto& c : Columns) FieldDefs().Add(c.first, c.second, c.second == ftString ? 20 : 0);
    }
    int GetRowCount() override { return static_cast<int>(Rows.size()); }
    void GetRowValue(int Row, const TFieldDef& d, TVariant& v) override { v = Rows.at(static_cast<size_t>(Row)).at(static_cast<size_t>(d.Index())); }
    void SetRowValue(int Row, const TFieldDef& d, const TVariant& v) override {
        if (!Editable) return TKZNDataSet::SetRowValue(Row, d, v);
        Rows.at(static_cast<size_t>(Row)).at(static_cast<size_t>(d.Index())) = v;
    }
    void AppendRow(const std::vector<TVariant>& values, int count) override {
        if (!Editable) return TKZNDataSet::AppendRow(values, count);
        Rows.emplace_back(values.begin(), values.begin() + count);
    }
    void InsertRow(int row, const std::vector<TVariant>& values, int count) override {
        if (!Editable) return TKZNDataSet::InsertRow(row, values, count);
        Rows.insert(Rows.begin() + row, std::vector<TVariant>(values.begin(), values.begin() + count));
    }
    void DeleteRow(int row) override {
        if (!Editable) return TKZNDataSet::DeleteRow(row);
        Rows.erase(Rows.begin() + row);
    }
};

std::vector<std::string> Names(TDataSet& ds) {
    std::vector<std::string> out;
    for (ds.First(); !ds.Eof(); ds.Next()) out.push_back(ds.Fields(1).AsString());
    return out;
}

template <class F>
std::string ErrorOf(F f) {
    try {
        f();
    } catch (const EWrappedDataSetException& e) {
        return e.Message;
    }
    return "(no error)";
}

}  // namespace

TEST(KZNDataSet, EmptySourceOpensAtEofWithRecordNumberOne) {
    RowsDataSet ds;
    ds.Open();
    EXPECT_TRUE(ds.Active());
    EXPECT_TRUE(ds.Eof());
    ds.First();
    EXPECT_TRUE(ds.Eof());
    ds.Next();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecordCount(), 0);
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_TRUE(ds.Fields(0).IsNull());
}

TEST(KZNDataSet, NavigatesByRowNumberAndIgnoresRecordNumbersOutOfRange) {
    RowsDataSet ds;
    ds.Rows = {{1, "a"}, {2, "b"}, {3, TVariant()}};
    ds.Open();
    EXPECT_EQ(Names(ds), (std::vector<std::string>{"a", "b", ""}));
    ds.Last();
    EXPECT_EQ(ds.Fields(0).AsInteger(), 3);
    EXPECT_TRUE(ds.Fields(1).IsNull());
    ds.Prior();
    EXPECT_EQ(ds.RecNo(), 2);
    for (int bad : {0, 4, -1}) {
        ds.SetRecNo(bad);
        EXPECT_EQ(ds.RecNo(), 2);
    }
    ds.SetRecNo(1);
    EXPECT_EQ(ds.Fields(1).AsString(), "a");
    EXPECT_EQ(ds.CurrentRow, 0);
    int32_t row = 3;   // one past the last row
    EXPECT_EQ(ErrorOf([&] { ds.GotoBookmark(std::string(reinterpret_cast<const char*>(&row), 4)); }),
              "ブックマークが範囲外です。[3]");
    row = 2;
    ds.GotoBookmark(std::string(reinterpret_cast<const char*>(&row), 4));
    EXPECT_EQ(ds.Fields(0).AsString(), "3");
    EXPECT_EQ(ErrorOf([&] { ds.Locate("ID", 1); }), "Locateメソッドはサポートされていません");
    EXPECT_EQ(ErrorOf([&] { ds.Lookup("ID", 1, "NAME"); }), "Lookupメソッドはサポートされていません");
}

TEST(KZNDataSet, RowOperationsRefuseByDefault) {
    RowsDataSet ds;
    ds.Rows = {{1, "a"}};
    ds.Open();
    ds.Edit();
    ds.Fields(1).SetAsString("z");
    EXPECT_EQ(ErrorOf([&] { ds.Post(); }), "データ更新はサポートされていません");
    EXPECT_EQ(ds.State(), dsEdit);
    ds.Cancel();
    EXPECT_EQ(ds.Fields(1).AsString(), "a");
    ds.Append();
    ds.Fields(0).SetAsInteger(2);
    EXPECT_EQ(ErrorOf([&] { ds.Post(); }), "データ追加はサポートされていません");
    ds.Cancel();
    ds.First();
    ds.Insert();
    ds.Fields(0).SetAsInteger(0);
    EXPECT_EQ(ErrorOf([&] { ds.Post(); }), "データインサートサポートされていません");
    ds.Cancel();
    EXPECT_EQ(ErrorOf([&] { ds.Delete(); }), "データ削除はサポートされていません");
    EXPECT_EQ(Names(ds), (std::vector<std::string>{"a"}));
}

TEST(KZNDataSet, EditingThroughTheRowOperations) {
    RowsDataSet ds;
    ds.Editable = true;
    ds.Rows = {{1, "a"}, {2, "b"}};
    ds.Open();
    ds.Next();
    ds.Edit();
    ds.Fields(1).SetAsString("B");
    EXPECT_EQ(ds.EditRow, 1);
    EXPECT_EQ(ds.Fields(1).AsString(), "B");
    ds.Post();
    EXPECT_EQ(ds.EditRow, -1);
    ds.Append();
    ds.Fields(0).SetAsInteger(3);
    ds.Fields(1).SetAsString("c");
    ds.Post();
    EXPECT_EQ(ds.Fields(1).AsString(), "c");
    ds.First();
    ds.Insert();
    ds.Fields(1).SetAsString("first");
    ds.Post();
    EXPECT_EQ(Names(ds), (std::vector<std::string>{"first", "a", "B", "c"}));
    ds.SetRecNo(2);
    ds.Delete();
    EXPECT_EQ(ds.Fields(1).AsString(), "B");
    ds.AppendRecord({9, "z"});
    EXPECT_EQ(ds.Fields(1).AsString(), "z");
    // an edit that was cancelled leaves nothing behind for the next insert
    ds.First();
    ds.Edit();
    ds.Fields(1).SetAsString("dropped");
    ds.Cancel();
    ds.Append();
    EXPECT_TRUE(ds.Fields(1).IsNull());
    ds.Cancel();
    EXPECT_EQ(Names(ds), (std::vector<std::string>{"first", "B", "c", "z"}));
}

TEST(KZNDataSet, FieldTypesAndTheSharedMemoBuffer) {
    RowsDataSet ds;
    ds.Columns = {{"M", ftMemo}, {"I", ftInteger}, {"L", ftLargeint}, {"F", ftFloat}, {"B", ftBoolean}};
    ds.Rows = {{"first memo", int64_t(5000000000), 7, 1.5, true}, {std::string("se\0cond", 7), 1, 8, 2.0, false}};
    ds.Open();
    EXPECT_EQ(ds.Fields(0).AsString(), "first memo");
    EXPECT_EQ(ds.Fields(1).AsInteger(), static_cast<int32_t>(5000000000LL));   // integer fields hold 32 bits
    EXPECT_EQ(ds.Fields(3).AsString(), "1.5");
    EXPECT_EQ(ds.Fields(4).AsString(), "True");
    EXPECT_EQ(ErrorOf([&] { ds.Fields(2).AsString(); }), "内部エラー：未サポートの型ですLargeInt");
    ds.Next();
    // the memo text is read up to its first NUL, and the second read overwrites the first
    EXPECT_EQ(ds.Fields(0).AsString(), "se");
    EXPECT_EQ(TKZNDataSet::MemoBuffer().substr(0, 2), "se");
    EXPECT_EQ(ErrorOf([&] { ds.CreateBlobStream(ds.Fields(0), bmReadWrite); }), "BLOBへの書き込みは未サポート");
    ds.Edit();
    EXPECT_EQ(ErrorOf([&] { ds.Fields(2).SetAsInteger(1); }), "ftLargeIntは未サポート");
    ds.Cancel();
}

TEST(KZNDataSet, ClosingRemovesTheFieldsAndRefreshRebuildsThem) {
    RowsDataSet ds;
    ds.Rows = {{1, "a"}};
    ds.Open();
    EXPECT_TRUE(ds.IsOpen);
    ds.Columns.push_back({"EXTRA", ftString});
    ds.Rows[0].push_back("x");
    ds.Refresh();
    EXPECT_EQ(ds.FieldCount(), 3);
    EXPECT_EQ(ds.Fields(2).AsString(), "x");
    ds.Close();
    EXPECT_FALSE(ds.IsOpen);
    EXPECT_EQ(ds.FieldCount(), 0);
}

// Records read by number, as a grid reads them: in the field's type, without
// moving the cursor and without touching the memo buffer.
TEST(KZNDataSet, RowsReadByNumberLeaveTheCursorAlone) {
    RowsDataSet ds;
    ds.Columns.push_back({"MEMO", ftMemo});
    ds.Rows = {{TVariant("1"), TVariant("一"), TVariant("メモ一")}, {TVariant(2), TVariant(), TVariant("メモ二")}};
    ds.Open();
    ds.Next();
    ASSERT_EQ(ds.RecNo(), 2);
    ds.Fields(2).AsString();   // memo of row 2 in the shared buffer
    TVariant v;
    ASSERT_TRUE(ds.CanReadRows());
    ASSERT_TRUE(ds.ReadRowValue(0, ds.Fields(0), v));
    EXPECT_TRUE(v.IsInteger());
    EXPECT_EQ(v.AsInteger(), 1);
    EXPECT_FALSE(ds.ReadRowValue(1, ds.Fields(1), v));
    EXPECT_TRUE(v.IsNull());
    ASSERT_TRUE(ds.ReadRowValue(0, ds.Fields(2), v));
    EXPECT_EQ(v.AsString(), "メモ一");
    EXPECT_FALSE(ds.ReadRowValue(2, ds.Fields(0), v));
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(std::string(TKZNDataSet::MemoBuffer().c_str()), "メモ二");
}

#include <gtest/gtest.h>

#include "DataSet.h"
#include "MemDataSet.h"
#include "TestUtil.h"

namespace {

// ID integer, NAME string, with rows (1, "abc"), (2, NULL), (3, "表").
std::unique_ptr<TMemDataSet> ThreeRows() {
    auto ds = std::make_unique<TMemDataSet>();
    ds->FieldDefs().Add("ID", ftInteger);
    ds->FieldDefs().Add("NAME", ftString, 10);
    ds->AddRow({1, "abc"});
    ds->AddRow({2, TVariant()});
    ds->AddRow({3, "表"});
    ds->Open();
    return ds;
}

std::vector<std::string> Walk(TDataSet& ds) {
    std::vector<std::string> out;
    for (ds.First(); !ds.Eof(); ds.Next()) out.push_back(ds.Fields(0).AsString());
    return out;
}

}  // namespace

TEST(DataSet, OpenPositionsOnFirstRecordAndWalksBothWays) {
    auto ds = ThreeRows();
    EXPECT_TRUE(ds->Active());
    EXPECT_TRUE(ds->Bof());
    EXPECT_FALSE(ds->Eof());
    EXPECT_EQ(ds->Fields(0).AsString(), "1");
    EXPECT_EQ(Walk(*ds), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(ds->Fields(0).AsString(), "3");  // the last record stays current at Eof
    std::vector<std::string> back;
    for (ds->Last(); !ds->Bof(); ds->Prior()) back.push_back(ds->Fields(0).AsString());
    EXPECT_EQ(back, (std::vector<std::string>{"3", "2", "1"}));
    EXPECT_EQ(ds->RecordCount(), 3);
    ds->SetRecNo(2);
    EXPECT_EQ(ds->RecNo(), 2);
    EXPECT_TRUE(ds->Fields(1).IsNull());
    EXPECT_EQ(ds->FieldByName("name").AsString(), "");
    ds->SetRecNo(3);
    EXPECT_EQ(testutil::Hex(ds->FieldByName("NAME").AsString()), "95 5C");
}

TEST(DataSet, EmptyDatasetIsAtEofAndBofAtOnce) {
    TMemDataSet ds;
    ds.FieldDefs().Add("A", ftString, 5);
    ds.Open();
    EXPECT_TRUE(ds.Eof());
    EXPECT_TRUE(ds.Bof());
    EXPECT_TRUE(ds.IsEmpty());
    ds.Next();
    ds.Last();
    EXPECT_TRUE(ds.Eof() && ds.Bof());
    EXPECT_TRUE(ds.Fields(0).IsNull());
    try {
        ds.Delete();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "空のデータセットでは操作を実行できません");
    }
}

TEST(DataSet, ClosedDatasetRefusesNavigationAndDropsItsFields) {
    auto ds = ThreeRows();
    ds->Close();
    EXPECT_FALSE(ds->Active());
    EXPECT_EQ(ds->FieldCount(), 0);
    EXPECT_THROW(ds->First(), EDatabaseError);
    EXPECT_THROW(ds->RecordCount(), EDatabaseError);
    ds->Open();
    EXPECT_EQ(ds->FieldCount(), 2);
    EXPECT_EQ(Walk(*ds).size(), 3u);
}

TEST(DataSet, FieldsCarryTypeAlignmentAndBlobKind) {
    TMemDataSet ds;
    struct Case { TFieldType type; TAlignment align; bool blob; const char* name; };
    const Case cases[] = {
        {ftString, taLeftJustify, false, "String"},   {ftInteger, taRightJustify, false, "Integer"},
        {ftLargeint, taRightJustify, false, "LargeInt"}, {ftFloat, taRightJustify, false, "Float"},
        {ftBCD, taRightJustify, false, "BCD"},        {ftDateTime, taLeftJustify, false, "DateTime"},
        {ftMemo, taLeftJustify, true, "Memo"},        {ftWideMemo, taLeftJustify, true, "WideMemo"},
        {ftBlob, taLeftJustify, true, "Blob"},        {ftBytes, taLeftJustify, false, "Bytes"},
    };
    for (const Case& c : cases) ds.FieldDefs().Add(std::string("F") + c.name, c.type, 8);
    ds.Open();
    for (int i = 0; i < ds.FieldCount(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(ds.Fields(i).DataType(), cases[i].type);
        EXPECT_EQ(ds.Fields(i).Alignment(), cases[i].align);
        EXPECT_EQ(ds.Fields(i).IsBlob(), cases[i].blob);
        EXPECT_STREQ(FieldTypeName(ds.Fields(i).DataType()), cases[i].name);
    }
    EXPECT_TRUE(ds.FieldByName("FBytes").IsBinary());
    EXPECT_EQ(ds.FindField("nothing"), nullptr);
    try {
        ds.FieldByName("nothing");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "フィールド 'nothing' が見つかりません");
    }
}

TEST(DataSet, ValuesConvertToText) {
    TSQLTimeStamp ts{2024, 1, 15, 9, 5, 7, 0};
    TSQLTimeStamp frac{2024, 1, 15, 0, 0, 0, 120000000};
    struct Case { TFieldType type; TVariant v; const char* text; };
    const Case cases[] = {
        {ftInteger, TVariant(-42), "-42"},
        {ftLargeint, TVariant(int64_t(9007199254740993)), "9007199254740993"},
        {ftBoolean, TVariant(true), "True"},
        {ftFloat, TVariant(1.5), "1.5"},
        {ftFloat, TVariant(0.1 + 0.2), "0.3"},
        {ftFloat, TVariant(1e20), "1E20"},
        {ftFloat, TVariant(-1.5e-7), "-1.5E-7"},
        {ftFloat, TVariant(123456.0), "123456"},
        {ftFloat, TVariant(0.0001), "0.0001"},
        {ftDate, TVariant(ts), "2024/01/15"},
        {ftTime, TVariant(ts), "09:05:07"},
        {ftDateTime, TVariant(ts), "2024/01/15 09:05:07"},
        {ftTimeStamp, TVariant(frac), "2024/01/15 00:00:00.12"},
        {ftBytes, TVariant(TBytes{std::string("\xFF\x01", 2)}), "\xFF\x01"},
    };
    for (const Case& c : cases) {
        TMemDataSet ds;
        ds.FieldDefs().Add("V", c.type, 2);
        ds.AddRow({c.v});
        ds.Open();
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ds.Fields(0).AsString(), c.text);
    }
}

TEST(DataSet, EditPostAndCancelFollowTheModifiedFlag) {
    auto ds = ThreeRows();
    EXPECT_THROW(ds->Fields(1).SetAsString("x"), EDatabaseError);  // not editing
    ds->Edit();
    EXPECT_EQ(ds->State(), dsEdit);
    EXPECT_FALSE(ds->Modified());
    ds->Fields(1).SetAsString("xyz");
    EXPECT_TRUE(ds->Modified());
    EXPECT_EQ(ds->Fields(1).AsString(), "xyz");
    ds->Cancel();
    EXPECT_EQ(ds->State(), dsBrowse);
    EXPECT_EQ(ds->Fields(1).AsString(), "abc");

    ds->Edit();
    ds->Fields(0).SetAsString("10");
    ds->Next();  // moving posts a modified record
    EXPECT_EQ(ds->State(), dsBrowse);
    EXPECT_EQ(Walk(*ds), (std::vector<std::string>{"10", "2", "3"}));

    try {
        ds->Edit();
        ds->Fields(0).SetAsString("1x");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message, "'1x' は有効な整数値ではありません");
    }
}

TEST(DataSet, AppendInsertAndDelete) {
    auto ds = ThreeRows();
    ds->Append();
    EXPECT_EQ(ds->State(), dsInsert);
    ds->Fields(0).SetAsInteger(4);
    ds->Post();
    EXPECT_EQ(ds->Fields(0).AsString(), "4");
    EXPECT_EQ(ds->RecNo(), 4);
    ds->First();
    ds->Next();
    ds->Insert();
    ds->Fields(0).SetAsString("15");
    ds->Post();
    EXPECT_EQ(Walk(*ds), (std::vector<std::string>{"1", "15", "2", "3", "4"}));
    ds->Last();
    ds->Delete();
    EXPECT_EQ(ds->Fields(0).AsString(), "3");
    ds->Append();
    ds->Cancel();  // nothing added
    EXPECT_EQ(Walk(*ds), (std::vector<std::string>{"1", "15", "2", "3"}));
    ds->First();
    ds->Delete();
    EXPECT_EQ(ds->Fields(0).AsString(), "15");
}

TEST(DataSet, PostErrorEventDecidesBetweenFailAndSilentAbort) {
    int calls = 0;
    // A descendant's refusal reaches the post-error event as a database error.
    struct Refusing : TMemDataSet {
        void InternalPost() override { throw EDatabaseError("拒否しました", 77); }
    } r;
    r.FieldDefs().Add("A", ftInteger);
    r.AddRow({1});
    r.Open();
    r.Edit();
    r.Fields(0).SetAsInteger(5);
    EXPECT_THROW(r.Post(), EDatabaseError);  // no handler: the error passes
    EXPECT_EQ(r.State(), dsEdit);
    std::string seen;
    r.OnPostError = [&](TDataSet&, EDatabaseError& e, TDataAction& a) {
        ++calls;
        seen = e.Message + "/" + std::to_string(e.HelpContext);
        a = daAbort;
    };
    EXPECT_THROW(r.Post(), EAbort);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seen, "拒否しました/77");
    EXPECT_EQ(r.State(), dsEdit);   // the record stays in editing
    EXPECT_TRUE(r.Modified());
    r.Cancel();
    EXPECT_EQ(r.Fields(0).AsInteger(), 1);
}

TEST(DataSet, ReadOnlyDatasetRefusesChanges) {
    auto ds = ThreeRows();
    ds->Modifiable = false;
    for (auto op : {&TDataSet::Edit, &TDataSet::Append, &TDataSet::Delete}) {
        try {
            ((*ds).*op)();
            FAIL();
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message, "読み取り専用のデータセットは変更できません");
        }
        EXPECT_EQ(ds->State(), dsBrowse);
    }
}

TEST(DataSet, BookmarksReturnToTheirRecord) {
    auto ds = ThreeRows();
    ds->Next();
    std::string b = ds->GetBookmark();
    ds->Last();
    ds->GotoBookmark(b);
    EXPECT_EQ(ds->Fields(0).AsString(), "2");
    int64_t past = 3;
    try {
        ds->GotoBookmark(std::string(reinterpret_cast<const char*>(&past), sizeof past));
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, "ブックマークが範囲外です。[3]");
    }
}

TEST(DataSet, DateTimeTextIsReadBack) {
    struct Case { const char* text; bool ok; TSQLTimeStamp ts; };
    const Case cases[] = {
        {"2024/02/29 23:59:58", true, {2024, 2, 29, 23, 59, 58, 0}},
        {"2024-01-02", true, {2024, 1, 2, 0, 0, 0, 0}},
        {"12:30", true, {0, 0, 0, 12, 30, 0, 0}},
        {"2023/02/29", false, {}},
        {"2024/13/01", false, {}},
        {"2024/01/01 25:00", false, {}},
        {"x", false, {}},
    };
    for (const Case& c : cases) {
        TSQLTimeStamp t;
        SCOPED_TRACE(c.text);
        EXPECT_EQ(dbtext::TryStrToDateTime(c.text, t), c.ok);
        if (c.ok) {
            EXPECT_TRUE(t == c.ts);
        }
    }
}

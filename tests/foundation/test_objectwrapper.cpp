#include <gtest/gtest.h>

#include <vector>

#include "E_Exception.h"
#include "T_ObjectWrapper.h"
#include "TestUtil.h"

using Lines = std::vector<std::string>;

namespace {
IStringPtr Str(const std::string& s) { return TString::Create(s); }
}  // namespace

TEST(ExceptionBase, MessagesAndClassNames) {
    const std::string fixed = "基底クラスのコンストラクタが実行されました。";
    EXPECT_EQ(EExceptionBase().Message, fixed);
    EXPECT_EQ(EExceptionBase("別の文").Message, "別の文");
    EXPECT_EQ(EUnimplementation().Message, fixed);
    EXPECT_EQ(EUnsupported().Message, fixed);
    EXPECT_EQ(EOutOfIndex().Message, fixed);
    EXPECT_STREQ(EExceptionBase().ClassName(), "EExceptionBase");
    EXPECT_STREQ(EUnimplementation().ClassName(), "EUnimplementation");
    EXPECT_STREQ(EUnsupported().ClassName(), "EUnsupported");
    EXPECT_STREQ(EOutOfIndex().ClassName(), "EOutOfIndex");
    try {
        throw EOutOfIndex();
    } catch (const EExceptionBase& e) {
        EXPECT_STREQ(e.ClassName(), "EOutOfIndex");
    }
}

TEST(ObjectWrapper, StringComparison) {
    struct Case {
        std::string a, b;
        int fromA, fromB;
    } cases[] = {
        {"abc", "abd", 1, 0},
        {"abc", "abc", 2, 2},
        {"", "a", 1, 0},
        {"a", "\x81\x40", 1, 0},  // byte order: a lead byte sorts after ASCII
        {"B", "a", 1, 0},         // case matters
    };
    for (const auto& c : cases) {
        IComparablePtr a = Str(c.a)->GetComparable(), b = Str(c.b)->GetComparable();
        EXPECT_EQ(a->CompareTo(b), c.fromA) << c.a << " " << c.b;
        EXPECT_EQ(b->CompareTo(a), c.fromB) << c.a << " " << c.b;
        EXPECT_EQ(a->Equals(b), c.fromA == 2);
        EXPECT_EQ(a->GetCompareText(), c.a);
    }
}

TEST(ObjectWrapper, StringValues) {
    auto s = TString::Create("x");
    EXPECT_TRUE(s->GetFlag());
    s->SetFlag(false);
    EXPECT_FALSE(s->GetFlag());
    s->SetInteger(-5);
    EXPECT_EQ(s->GetValue(), "-5");
    s->SetBoolean(true);
    EXPECT_EQ(s->GetValue(), "True");
    s->SetBoolean(false);
    EXPECT_EQ(s->ToString(), "False");
    s->Assign(Str("表示"));
    EXPECT_EQ(s->GetValue(), "表示");
    EXPECT_EQ(s->GetLength(), 4);
    s->SetValue(" \t a b \r\n");
    EXPECT_EQ(s->Trim(), "a b");
    EXPECT_EQ(s->GetValue(), "a b");

    struct Case {
        const char* v;
        bool numeric, integer, natural;
    } cases[] = {
        {"12", true, true, true}, {"-12", true, true, false}, {"1.5", true, false, false},
        {"1e3", true, true, true}, {"abc", false, false, false}, {"", false, false, false},
        {" 7", true, true, true}, {"0", true, true, true},
    };
    for (const auto& c : cases) {
        s->SetValue(c.v);
        EXPECT_EQ(s->IsNumeric(), c.numeric) << c.v;
        EXPECT_EQ(s->IsInteger(), c.integer) << c.v;
        EXPECT_EQ(s->IsNatural(), c.natural) << c.v;
    }

    EXPECT_THROW(TString::CreateEmpty(), EUnimplementation);
    auto pair = TObjectMap::Create(Str("A"), Str("1"));
    EXPECT_EQ(TString::CreateFromWrapper(pair)->GetValue(), "[A=1]");
}

TEST(ObjectWrapper, StringSplit) {
    struct Case {
        std::string value, delim;
        Lines parts;
    } cases[] = {
        {"a, b ,c", ",", {"a", "b", "c"}},
        {"a,,b", ",", {"a", "", "b"}},
        {"a,b,", ",", {"a", "b", ""}},
        {"abc", ",", {"abc"}},
        {" abc ", ",", {"abc"}},
        {"", ",", {}},
        {" x ", "", {"x"}},
        {"a::b:c", "::", {"a", "b:c"}},
        {"表\\x", "\\", {"表", "x"}},  // the 0x5C of 表 does not split it
    };
    auto s = TString::Create("");
    for (const auto& c : cases) {
        s->SetValue(c.value);
        EXPECT_EQ(s->Split(c.delim).Items, c.parts) << c.value << " / " << c.delim;
        EXPECT_EQ(s->SplitList.Items, c.parts);
    }
}

TEST(ObjectWrapper, StringCloneIsANewEqualString) {
    auto s = TString::Create("v");
    auto clone = std::dynamic_pointer_cast<IString>(s->GetCloneable()->Clone());
    ASSERT_TRUE(clone);
    EXPECT_NE(clone.get(), static_cast<IString*>(s.get()));
    EXPECT_EQ(clone->GetValue(), "v");
    clone->SetValue("w");
    EXPECT_EQ(s->GetValue(), "v");
}

TEST(ObjectWrapper, PairsAndNil) {
    auto key = Str("A"), value = Str("1");
    auto pair = TObjectMap::Create(key, value);
    EXPECT_EQ(pair->ToString(), "[A=1]");
    EXPECT_EQ(pair->GetComparable()->GetCompareText(), "A{ACD9656C-8442-4771-8006-7B3F86850D15}1");
    EXPECT_EQ(pair->GetComparable()->CompareTo(TObjectMap::Create(Str("A"), Str("2"))->GetComparable()), 1);
    auto clone = std::dynamic_pointer_cast<IObjectMap>(pair->GetCloneable()->Clone());
    ASSERT_TRUE(clone);
    EXPECT_NE(clone.get(), static_cast<IObjectMap*>(pair.get()));
    EXPECT_EQ(clone->GetKey(), pair->GetKey());      // the same key and value objects
    EXPECT_EQ(clone->GetValue(), pair->GetValue());

    auto nil = TNil::Create();
    EXPECT_EQ(nil->ToString(), "");
    IComparablePtr n = nil->GetComparable();
    EXPECT_EQ(n->GetCompareText(), "");
    EXPECT_EQ(n->CompareTo(Str("x")->GetComparable()), 2);
    EXPECT_FALSE(n->Equals(n));
    EXPECT_FALSE(n->Equals(TNil::Create()->GetComparable()));
    auto nilClone = nil->GetCloneable()->Clone();
    EXPECT_TRUE(std::dynamic_pointer_cast<TNil>(nilClone));
    EXPECT_NE(nilClone.get(), static_cast<IObjectWrapper*>(nil.get()));
}

TEST(ObjectWrapper, ComparersAndIteratorsKeepTheirOwnersAlive) {
    IComparablePtr c = Str("alive")->GetComparable();
    EXPECT_EQ(c->GetCompareText(), "alive");
    IIteratorPtr it;
    {
        auto map = TStringMapList::Create();
        map->Add("k", "v");
        it = map->GetIterator();
    }
    ASSERT_TRUE(it->HasNext());
    EXPECT_EQ(it->Next()->ToString(), "[k=v]");
}

TEST(ObjectWrapper, PairList) {
    auto list = TObjectMapList::Create();
    list->Add(TObjectMap::Create(Str("A"), Str("1")));
    list->Add(TObjectMap::Create(Str("B"), Str("2")));
    list->Add(TObjectMap::Create(Str("A"), Str("3")));
    EXPECT_EQ(list->GetCount(), 3);
    EXPECT_EQ(list->ToString(), "[A=1][B=2][A=3]");
    EXPECT_EQ(list->IndexOfKey(Str("A")), 0);
    EXPECT_EQ(list->IndexOfKey(Str("B")), 1);
    EXPECT_EQ(list->IndexOfKey(Str("a")), -1);
    EXPECT_EQ(list->GetItem(2)->ToString(), "[A=3]");
    list->Delete(0);
    EXPECT_EQ(list->ToString(), "[B=2][A=3]");
    EXPECT_THROW(list->Delete(2), EListError);
    EXPECT_THROW(list->GetItem(-1), EListError);
    EXPECT_THROW(list->GetComparable(), EUnimplementation);
    EXPECT_THROW(list->GetCloneable(), EUnimplementation);
    list->Clear();
    EXPECT_EQ(list->GetCount(), 0);
    EXPECT_EQ(list->ToString(), "");
}

TEST(ObjectWrapper, Iterators) {
    auto empty = TObjectMapList::Create();
    IIteratorPtr it = empty->GetIterator();
    EXPECT_FALSE(it->HasNext());
    EXPECT_THROW(it->Next(), EOutOfIndex);

    auto list = TObjectMapList::Create();
    list->Add(TObjectMap::Create(Str("A"), Str("1")));
    list->Add(TObjectMap::Create(Str("B"), Str("2")));
    it = list->GetIterator();
    Lines seen;
    while (it->HasNext()) seen.push_back(it->Next()->ToString());
    EXPECT_EQ(seen, (Lines{"[A=1]", "[B=2]"}));
    EXPECT_THROW(it->Next(), EOutOfIndex);
    it->Reset();
    EXPECT_EQ(it->Next()->ToString(), "[A=1]");
    EXPECT_THROW(it->Remove(), EUnimplementation);
    EXPECT_EQ(list->GetCount(), 2);
}

TEST(ObjectWrapper, StringMap) {
    IStringMapPtr map = TStringMapList::Create();
    map->Add("A", "1");
    map->Add("B", "2");
    EXPECT_EQ(map->ToString(), " [A=1] [B=2]");
    map->Add("A", "3");  // an equal key is not looked for
    EXPECT_EQ(map->GetCount(), 3);
    EXPECT_EQ(map->GetValue("A"), "1");
    EXPECT_EQ(map->GetValue("a"), "");  // keys compare exactly
    EXPECT_TRUE(map->Exists("B"));
    EXPECT_FALSE(map->Exists("b"));

    map->SetValue("A", "x");
    map->SetValue("Z", "none");  // an absent key changes nothing
    EXPECT_EQ(map->ToString(), " [A=x] [B=2] [A=3]");

    map->Remove("A");
    EXPECT_EQ(map->ToString(), " [B=2] [A=3]");
    EXPECT_EQ(map->GetValue("A"), "3");
    EXPECT_THROW(map->Remove("Z"), EListError);

    IIteratorPtr it = map->GetIterator();
    Lines seen;
    while (it->HasNext()) {
        auto pair = std::dynamic_pointer_cast<IObjectMap>(it->Next());
        ASSERT_TRUE(pair);
        seen.push_back(pair->GetKey()->ToString() + ":" + pair->GetValue()->ToString());
    }
    EXPECT_EQ(seen, (Lines{"B:2", "A:3"}));
}

TEST(ObjectWrapper, StringMapComparisonAndClone) {
    auto a = TStringMapList::Create();
    auto b = TStringMapList::Create();
    a->Add("A", "1");
    b->Add("A", "1");
    EXPECT_EQ(a->GetComparable()->GetCompareText(), " [A=1]");
    EXPECT_EQ(a->GetComparable()->CompareTo(b->GetComparable()), 2);
    b->Add("B", "2");
    EXPECT_EQ(a->GetComparable()->CompareTo(b->GetComparable()), 1);
    EXPECT_EQ(b->GetComparable()->CompareTo(a->GetComparable()), 0);

    auto clone = std::dynamic_pointer_cast<TStringMapList>(b->GetCloneable()->Clone());
    ASSERT_TRUE(clone);
    EXPECT_NE(clone, b);
    EXPECT_EQ(clone->ToString(), " [A=1] [B=2]");
    EXPECT_EQ(clone->Pairs, b->Pairs);  // handed the owner's pair list

    auto other = TObjectMapList::Create();
    other->Add(TObjectMap::Create(Str("Z"), Str("9")));
    clone->SetList(other);
    EXPECT_EQ(clone->ToString(), " [Z=9]");
    EXPECT_EQ(b->ToString(), " [A=1] [B=2]");
}

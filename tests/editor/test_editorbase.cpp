#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EditorBase.h"
#include "EditorUtil.h"
#include "TestUtil.h"

namespace {

// Counts the reports it receives and remembers their senders.
struct Listener {
    int Count = 0;
    std::vector<TObject*> Senders;
    void Notify(TObject* Sender) {
        ++Count;
        Senders.push_back(Sender);
    }
    void Other(TObject*) {}
    TNotifyEvent Event() { return MakeEvent<&Listener::Notify>(this); }
};

class TValue : public TNotifyPersistent {
public:
    void Set(int v) {
        if (v == Value) return;
        Value = v;
        Changed();
    }
    int Value = 0;
};

}  // namespace

TEST(EditorUtil, IncludeStrMatchesOnlyAtCharacterBoundaries) {
    // "表" is 0x95 0x5C; its trail byte is the backslash
    struct Case {
        std::string sub, s;
        bool found;
    } cases[] = {
        {"\\", "表", false},
        {"表", "表", true},
        {"\\", "a表\\", true},
        {"、", "（［、", true},
        {"", "abc", false},
        {"a", "", false},
        {"abcd", "abc", false},
        {"\x81", "\x81", true},           // a lone lead byte at the end is a byte of its own
        {"A", "\x83" "A", false},          // "ア": 'A' is a trail byte here
    };
    for (const auto& c : cases) EXPECT_EQ(IncludeStr(c.sub, c.s), c.found) << testutil::Hex(c.sub) << " in " << testutil::Hex(c.s);
}

TEST(EditorUtil, LeadAndTrailBytePositions) {
    std::string s = "a表" "\x83" "A" "b\x81";  // a, 表 (95 5C), ア (83 41), b, lone lead at the end
    struct Case {
        int index;
        bool lead, trail;
    } cases[] = {
        {0, false, false}, {1, false, false}, {2, true, false}, {3, false, true}, {4, true, false},
        {5, false, true},  {6, false, false}, {7, false, false}, {8, false, false}, {100, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsLeadBytePos(s, c.index), c.lead) << c.index;
        EXPECT_EQ(IsTrailBytePos(s, c.index), c.trail) << c.index;
    }
    // a run of lead-range bytes pairs up from its start
    std::string kanji = "漢字\x88\x9F";
    EXPECT_TRUE(IsLeadBytePos(kanji, 5));
    EXPECT_TRUE(IsTrailBytePos(kanji, 6));
    EXPECT_TRUE(IsTrailBytePos(kanji, 4));
}

TEST(EditorUtil, StrCharCharCountAndIntFunctions) {
    EXPECT_EQ(StrChar("abc", 1), 'a');
    EXPECT_EQ(StrChar("abc", 3), 'c');
    EXPECT_EQ(StrChar("abc", 0), '\0');
    EXPECT_EQ(StrChar("abc", 4), '\0');
    EXPECT_EQ(CharCount("13331", '3', 4), 3);
    EXPECT_EQ(CharCount("13331", '3', 100), 3);
    EXPECT_EQ(CharCount("13331", '3', 0), 0);
    EXPECT_EQ(CharCount(std::string("a\0b\0", 4), '\0', 4), 2);
    EXPECT_EQ(IntMax(-3, 2), 2);
    EXPECT_EQ(IntMin(-3, 2), -3);
}

TEST(EditorUtil, TextToStringsCutsAtEveryLineBreakKind) {
    struct Case {
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        {"a\r\nb", {"a", "b"}},
        {"a\r\n", {"a"}},
        {"\r", {""}},
        {"", {}},
        {"a\rb\nc\r\n\r\nd", {"a", "b", "c", "", "d"}},
        {"\n\n", {"", ""}},
        {"a\r\r", {"a", ""}},
        {std::string("x\0y\r\nz", 6), {std::string("x\0y", 3), "z"}},  // a NUL byte is data
    };
    for (const auto& c : cases) {
        TStringList l;
        l.Add("old");
        TextToStrings(c.text, l);
        EXPECT_EQ(l.Items, c.lines) << testutil::Hex(c.text);
        EXPECT_EQ(TextLineCount(c.text), static_cast<int>(c.lines.size()));
    }
}

TEST(EditorUtil, TextToStringsOnAnyRowListRunsInsideOneUpdate) {
    struct Rows {
        std::vector<std::string> Lines;
        int Depth = 0, Ends = 0, AddedOutside = 0;
        void BeginUpdate() { ++Depth; }
        void EndUpdate() { --Depth, ++Ends; }
        void Clear() { Lines.clear(); }
        void Add(std::string s) {
            if (Depth == 0) ++AddedOutside;
            Lines.push_back(std::move(s));
        }
    } rows;
    TextToStrings(std::string_view("p\nq"), rows);
    EXPECT_EQ(rows.Lines, (std::vector<std::string>{"p", "q"}));
    EXPECT_EQ(rows.Ends, 1);
    EXPECT_EQ(rows.AddedOutside, 0);
}

TEST(EditorUtil, IndentWidth) {
    struct Case {
        std::string s;
        int width;
    } cases[] = {
        {"  　x", 4}, {"x", 0}, {"", -1}, {"   ", 3}, {"\t x", 0}, {" \t", 1}, {"\x81", 0}, {"　", 2},
    };
    for (const auto& c : cases) EXPECT_EQ(IndentWidth(c.s), c.width) << testutil::Hex(c.s);
}

TEST(EditorUtil, DotLinesAreCachedPerColourPair) {
    EditorUtilInitialize(64);
    EXPECT_EQ(DotLines().Count(), 0);
    auto px = DotLinePixels(clWhite, clBlack, 10, 14);
    EXPECT_EQ(px, (std::vector<TColor>{clBlack, clWhite, clBlack, clWhite, clBlack}));
    DotLinePixels(clWhite, clBlack, 0, 3);
    EXPECT_EQ(DotLines().Count(), 1);
    DotLinePixels(clBlack, clWhite, 0, 3);
    EXPECT_EQ(DotLines().Count(), 2);
    EXPECT_EQ(DotLines().Items(0)->Bitmap.size(), 64u);
    // wider than the screen: the line widens instead of running short
    EXPECT_EQ(DotLinePixels(clWhite, clBlack, 0, 99).size(), 100u);
    EXPECT_TRUE(DotLinePixels(clWhite, clBlack, 5, 4).empty());

    TDotLineCollection other;
    auto* copy = static_cast<TDotLineItem*>(other.Add());
    copy->Assign(*DotLines().Items(1));
    EXPECT_EQ(copy->BkColor, clBlack);
    EXPECT_EQ(copy->Color, clWhite);
    EXPECT_EQ(copy->Bitmap, DotLines().Items(1)->Bitmap);
    EditorUtilFinalize();
}

TEST(EditorBase, NotifyPersistentReportsOnceForAnUpdate) {
    TValue v;
    Listener l;
    v.OnChange = l.Event();
    v.Set(1);
    EXPECT_EQ(l.Count, 1);
    v.BeginUpdate();
    v.Set(2);
    v.Set(3);
    v.Set(4);
    EXPECT_EQ(l.Count, 1);
    v.BeginUpdate();
    v.EndUpdate();
    EXPECT_EQ(l.Count, 1);  // still inside the outer update
    v.EndUpdate();
    EXPECT_EQ(l.Count, 2);
    EXPECT_EQ(l.Senders.back(), &v);
    // a part's change reports as the whole's; the whole's own report is not looped back
    TValue whole, part;
    whole.OnChange = l.Event();
    part.OnChange = MakeEvent<&TNotifyPersistent::ChangedProc>(&whole);
    part.Set(7);
    EXPECT_EQ(l.Count, 3);
    EXPECT_EQ(l.Senders.back(), &whole);
    whole.ChangedProc(&whole);
    EXPECT_EQ(l.Count, 3);
}

TEST(EditorBase, MethodListRemovesTheLastEqualEntry) {
    Listener a, b;
    TMethodList list;
    list.Add(a.Event());
    list.Add(b.Event());
    list.Add(a.Event());
    list.Remove(a.Event());
    ASSERT_EQ(list.Count(), 2);
    EXPECT_TRUE(list.Items(0) == a.Event());
    EXPECT_TRUE(list.Items(1) == b.Event());
    Listener c;
    list.Remove(c.Event());  // not there: nothing happens
    EXPECT_EQ(list.Count(), 2);
    // same object, another method: not equal
    EXPECT_FALSE(a.Event() == MakeEvent<&Listener::Other>(&a));
    // a callable is equal to its copies only
    TNotifyEvent f = [](TObject*) {};
    TNotifyEvent g = f;
    TNotifyEvent h = [](TObject*) {};
    EXPECT_TRUE(f == g);
    EXPECT_FALSE(f == h);
}

TEST(EditorBase, NotifyEventListCallsEveryMethodWithItsSender) {
    TValue owner;
    TNotifyEventList list(&owner);
    std::vector<std::string> calls;
    Listener a, b;
    list.Add(a.Event());
    list.Add(b.Event());
    list.Add([&](TObject* s) { calls.push_back(s == &owner ? "owner" : "other"); });
    list.Changed();
    EXPECT_EQ(a.Count, 1);
    EXPECT_EQ(b.Count, 1);
    EXPECT_EQ(calls, std::vector<std::string>{"owner"});
    EXPECT_EQ(a.Senders[0], &owner);
    list.BeginUpdate();
    list.ChangedProc(&owner);
    list.ChangedProc(nullptr);
    EXPECT_EQ(a.Count, 1);
    list.EndUpdate();
    EXPECT_EQ(a.Count, 2);
    list.Remove(a.Event());
    list.Changed();
    EXPECT_EQ(a.Count, 2);
    EXPECT_EQ(b.Count, 3);
}

namespace {

class TNamedItem : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    void SetText(const std::string& t) {
        Text = t;
        Changed(false);
    }
    void Assign(const TPersistent& Source) override {
        if (auto s = dynamic_cast<const TNamedItem*>(&Source)) {
            Text = s->Text;
            return;
        }
        TCollectionItem::Assign(Source);
    }
    void GetPublishedProperties(TPropList& List) override { List.push_back({"Text", tkLString, "string", nullptr}); }
    std::string Text;
};

class TNamedCollection : public TNotifyCollection {
protected:
    std::unique_ptr<TCollectionItem> CreateItem() override { return std::make_unique<TNamedItem>(this); }
};

class TLeaf : public TValue {
public:
    void GetPublishedProperties(TPropList& List) override { List.push_back({"Value", tkInteger, "Integer", nullptr}); }
};

class TTree : public TNotifyPersistent {
public:
    TTree() {
        Items.Add();
        Items.Add();
    }
    void GetPublishedProperties(TPropList& List) override {
        List.push_back({"First", tkClass, "TLeaf", &First});
        List.push_back({"Handler", tkMethod, "TNotifyEvent", nullptr});
        List.push_back({"Items", tkClass, "TNamedCollection", &Items});
        List.push_back({"Second", tkClass, "TLeaf", &Second});
        List.push_back({"Missing", tkClass, "TLeaf", nullptr});
    }
    TLeaf First, Second;
    TNamedCollection Items;
};

}  // namespace

TEST(EditorBase, NotifyCollectionReportsEachChangeOutsideUpdates) {
    TNamedCollection c;
    Listener l;
    c.OnChange = l.Event();
    auto* item = static_cast<TNamedItem*>(c.Add());
    EXPECT_EQ(l.Count, 1);
    item->SetText("x");
    EXPECT_EQ(l.Count, 2);
    c.BeginUpdate();
    c.Add();
    c.Delete(0);
    EXPECT_EQ(l.Count, 2);
    c.EndUpdate();
    EXPECT_EQ(l.Count, 3);
    EXPECT_EQ(l.Senders.back(), &c);
    c.ChangedProc(&c);
    EXPECT_EQ(l.Count, 3);
    c.ChangedProc(item);
    EXPECT_EQ(l.Count, 4);

    TNamedCollection copy;
    static_cast<TNamedItem*>(copy.Add())->Text = "a";
    c.Assign(copy);  // rebuilt inside one update
    EXPECT_EQ(l.Count, 5);
    ASSERT_EQ(c.Count(), 1);
    EXPECT_EQ(static_cast<TNamedItem*>(c.Items(0))->Text, "a");
    EXPECT_THROW(c.Items(1), EListError);
}

TEST(EditorBase, PropertyWalkerGoesDepthFirstIntoObjectsAndCollectionItems) {
    TTree tree;
    std::vector<std::string> seen;
    WalkProperties(
        &tree, tkProperties,
        [](void* data, TPersistent* inst, const TPropInfo& p) {
            auto* out = static_cast<std::vector<std::string>*>(data);
            out->push_back(inst->ClassName().substr(inst->ClassName().rfind(':') + 1) + "." + p.Name);
        },
        &seen);
    EXPECT_EQ(seen, (std::vector<std::string>{"TTree.First", "TLeaf.Value", "TTree.Items", "TNamedItem.Text",
                                              "TNamedItem.Text", "TTree.Second", "TLeaf.Value", "TTree.Missing"}));
}

TEST(EditorBase, AssignBetweenUnrelatedClassesRaises) {
    TValue a;
    TLeaf b;
    try {
        b.Assign(a);
        FAIL() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_NE(e.Message.find(" を "), std::string::npos);
        EXPECT_NE(e.Message.find("に代入できません"), std::string::npos);
    }
}

TEST(EditorBase, FileExtComponentKeepsASortedListWithoutCase) {
    auto c = MakeObject<TFileExtComponent>();
    TSortedStringList l;
    l.SetText(".sql\r\n.TXT\r\n.Sql\r\n.csv\r\n");
    c->SetFileExtList(l);
    EXPECT_EQ(c->FileExtList().Strings(), (std::vector<std::string>{".csv", ".sql", ".TXT"}));
    EXPECT_TRUE(c->HasFileExt(".SQL"));
    EXPECT_TRUE(c->HasFileExt(".txt"));
    EXPECT_FALSE(c->HasFileExt(".ini"));
}

TEST(EditorBase, ComponentFreeNotification) {
    struct TWatcher : TComponent {
        std::vector<TComponent*> Removed;
        void Notification(TComponent* c, TOperation op) override {
            if (op == opRemove) Removed.push_back(c);
        }
    };
    TWatcher w;
    auto a = std::make_unique<TComponent>();
    TComponent* raw = a.get();
    a->FreeNotification(&w);
    a.reset();
    EXPECT_EQ(w.Removed, std::vector<TComponent*>{raw});
    {
        // the watcher going first ends the registration
        auto b = std::make_unique<TComponent>();
        auto w2 = std::make_unique<TWatcher>();
        b->FreeNotification(w2.get());
        w2.reset();
        b.reset();
    }
}

// The tree text format over a plain in-memory tree: no widget involved.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "KZNTreeViewFormat.h"
#include "TestUtil.h"

namespace {

struct PlainNode : IKZNTreeFormatNode {
    std::string Text;
    PlainNode* Parent = nullptr;
    std::vector<std::unique_ptr<PlainNode>> Children;
    TKZNTreeNodeSaveProperties Restore;
    bool Bools[6] = {};
    bool LoadedExpanded = false;
    int32_t Ints[4] = {0, -1, 0, -1};
    TStringList Lists[10];

    std::string GetFormatText() const override { return Text; }
    TKZNTreeNodeSaveProperties GetRestoreProperties() const override { return Restore; }
    bool GetBoolProperty(TKZNTreeNodePublishedProperties p) const override { return Bools[p]; }
    void SetBoolProperty(TKZNTreeNodePublishedProperties p, bool v) override {
        if (p == vtnExpanded)
            LoadedExpanded = v;
        else
            Bools[p] = v;
    }
    int32_t GetIntProperty(TKZNTreeNodePublishedProperties p) const override { return Ints[p - vtnImageIndex]; }
    void SetIntProperty(TKZNTreeNodePublishedProperties p, int32_t v) override { Ints[p - vtnImageIndex] = v; }
    TStringList* GetFormatList(int i) override { return &Lists[i]; }
    void ApplyLoadedExpanded() override { Bools[vtnExpanded] = LoadedExpanded; }
};

struct PlainTree : IKZNTreeFormatNodes {
    std::vector<std::unique_ptr<PlainNode>> Roots;
    TKZNTreeNodeSaveProperties Restore;

    PlainNode* Add(PlainNode* parent, const std::string& text) {
        auto n = std::make_unique<PlainNode>();
        n->Text = text;
        n->Parent = parent;
        n->Restore = Restore;
        PlainNode* raw = n.get();
        (parent ? parent->Children : Roots).push_back(std::move(n));
        return raw;
    }
    void ClearFormatNodes() override { Roots.clear(); }
    IKZNTreeFormatNode* AddFormatNode(IKZNTreeFormatNode* parent, const std::string& text) override {
        return Add(static_cast<PlainNode*>(parent), text);
    }
    IKZNTreeFormatNode* GetFormatParent(IKZNTreeFormatNode* node) override {
        return static_cast<PlainNode*>(node)->Parent;
    }
    void ForEachFormatNode(const std::function<void(IKZNTreeFormatNode&, int)>& f) override {
        std::function<void(PlainNode&, int)> walk = [&](PlainNode& n, int level) {
            f(n, level);
            for (auto& c : n.Children) walk(*c, level + 1);
        };
        for (auto& r : Roots) walk(*r, 0);
    }
    // "caption(level)" of every node in tree order
    std::string Outline() {
        std::string s;
        ForEachFormatNode([&](IKZNTreeFormatNode& n, int level) {
            s += static_cast<PlainNode&>(n).Text + "(" + std::to_string(level) + ") ";
        });
        return s;
    }
};

const TKZNTreeFormatChars kChars;

std::string Load(PlainTree& t, std::string_view text) {
    try {
        KZNTreeLoadText(t, text, kChars);
    } catch (const Exception& e) {
        return e.Message;
    }
    return "";
}

}  // namespace

TEST(TreeFormat, WritesTheDocumentedExampleByteForByte) {
    PlainTree t;
    PlainNode* a = t.Add(nullptr, "A");
    a->Lists[0].SetText("L1\r\nL2\r\n");
    t.Add(a, "B");
    t.Add(nullptr, "C");
    std::string expected =
        "A\x07StringList=L1\r\nL2\x06\r\n"
        "\xA0" "B\x07StringList=\x06\r\n"
        "C\x07StringList=\x06\r\n";
    std::string got = KZNTreeSaveText(t, {vtnStringList}, kChars);
    EXPECT_EQ(testutil::Hex(got), testutil::Hex(expected));

    PlainTree back;
    back.Restore = {vtnStringList};
    ASSERT_EQ(Load(back, expected), "");
    EXPECT_EQ(back.Outline(), "A(0) B(1) C(0) ");
    EXPECT_EQ(back.Roots[0]->Lists[0].Text(), "L1\r\nL2\r\n");
    EXPECT_EQ(back.Roots[0]->Children[0]->Lists[0].Count(), 0);
}

TEST(TreeFormat, RoundTripsLevelsAndEveryProperty) {
    PlainTree t;
    PlainNode* a = t.Add(nullptr, "接続A");
    PlainNode* b = t.Add(a, "B");
    PlainNode* c = t.Add(b, "C");
    t.Add(a, "D");
    PlainNode* e = t.Add(nullptr, "表示");  // 表 ends in 0x5C
    for (int i = 0; i < 6; ++i) b->Bools[i] = (i % 2) == 0;
    for (int i = 0; i < 6; ++i) c->Bools[i] = (i % 2) == 1;
    b->Ints[0] = 3;
    b->Ints[1] = -7;
    b->Ints[2] = 12;
    b->Ints[3] = 2147483647;
    for (int i = 0; i < 10; ++i) b->Lists[i].SetText("line" + std::to_string(i) + "\r\nnext=" + std::to_string(i) + "\r\n");
    c->Lists[1].SetText("SELECT 1\r\n\r\nFROM x\r\n");  // an empty line inside
    e->Lists[2].Add("");                                // one empty line
    e->Lists[3].Add("tail");
    e->Lists[3].Add("");                                // an empty last line

    std::string text = KZNTreeSaveText(t, TKZNTreeNodeSaveProperties::All(), kChars);
    PlainTree back;
    back.Restore = TKZNTreeNodeSaveProperties::All();
    ASSERT_EQ(Load(back, text), "");
    EXPECT_EQ(back.Outline(), "接続A(0) B(1) C(2) D(1) 表示(0) ");
    EXPECT_EQ(KZNTreeSaveText(back, TKZNTreeNodeSaveProperties::All(), kChars), text);

    PlainNode* b2 = back.Roots[0]->Children[0].get();
    PlainNode* c2 = b2->Children[0].get();
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(b2->Bools[i], b->Bools[i]) << KZNTreeNodePropertyName(TKZNTreeNodePublishedProperties(i));
        EXPECT_EQ(c2->Bools[i], c->Bools[i]) << KZNTreeNodePropertyName(TKZNTreeNodePublishedProperties(i));
    }
    for (int i = 0; i < 4; ++i) EXPECT_EQ(b2->Ints[i], b->Ints[i]);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(b2->Lists[i].Items, b->Lists[i].Items) << i;
    EXPECT_EQ(c2->Lists[1].Items, c->Lists[1].Items);
    EXPECT_EQ(back.Roots[1]->Lists[2].Items, std::vector<std::string>{""});
    EXPECT_EQ(back.Roots[1]->Lists[3].Items, (std::vector<std::string>{"tail", ""}));
    EXPECT_EQ(back.Roots[1]->Lists[0].Count(), 0);
}

TEST(TreeFormat, ReaderRules) {
    struct Case {
        const char* name;
        std::string text;
        std::string outline;
        std::string error;
    } cases[] = {
        {"empty stream", "", "", ""},
        {"record without separator", "plain\x06\r\n", "plain(0) ", ""},
        {"first record indented", "\xA0" "A\x06\r\n", "", "TFastTree.LoadFromStream: Level Mismatch"},
        {"level jumps by two", "A\x06\r\n\xA0\xA0" "B\x06\r\n", "A(0) ", "TFastTree.LoadFromStream: Level Mismatch"},
        {"climbs back several levels", "A\x06\xA0" "B\x06\xA0\xA0" "C\x06" "D\x06", "A(0) B(1) C(2) D(0) ", ""},
        {"NUL ends the walk; records after it are damage", std::string("A\x06\r\nB", 5) + std::string(1, '\0') + "C\x06",
         "A(0) B(0) ", "NUL 文字より後のデータは読み込めません"},
        {"a child after a NUL is damage too", std::string("A\x06", 2) + std::string(1, '\0') + "\xA0" "B\x06", "A(0) ",
         "NUL 文字より後のデータは読み込めません"},
        {"only line ends and NULs after a NUL", std::string("A\x06\0\r\n\0\x06\0", 9), "A(0) ", ""},
        {"line ends between records are skipped", "A\x06\r\n\r\n\x06\nB\x06", "A(0) B(0) ", ""},
        {"last record without end", "A\x06\r\nB", "A(0) B(0) ", ""},
    };
    for (const auto& c : cases) {
        PlainTree t;
        EXPECT_EQ(Load(t, c.text), c.error) << c.name;
        EXPECT_EQ(t.Outline(), c.outline) << c.name;
    }
}

TEST(TreeFormat, PropertyValuesAndTheirErrors) {
    struct Case {
        const char* name;
        std::string record;
        std::string error;
    } cases[] = {
        {"exact Booleans", "N\x07Selected=True\x07" "Cut=False\x06", ""},
        {"lower-case Boolean", "N\x07Selected=true\x06", "論理値ではありません true"},
        {"Boolean of another word", "N\x07" "Cut=Yes\x06", "論理値ではありません Yes"},
        {"integer", "N\x07ImageIndex=-4\x06", ""},
        {"not an integer", "N\x07ImageIndex=x1\x06", "'x1' は整数ではありません"},
        {"names ignore case", "N\x07selected=True\x07IMAGEINDEX=5\x06", ""},
        {"empty value keeps the default", "N\x07ImageIndex=\x07Selected=\x06", ""},
        {"blank properties", "N\x07 \x06", ""},
    };
    for (const auto& c : cases) {
        PlainTree t;
        t.Restore = TKZNTreeNodeSaveProperties::All();
        EXPECT_EQ(Load(t, c.record), c.error) << c.name;
        ASSERT_EQ(t.Roots.size(), 1u) << c.name;  // the node read before the error stays
        EXPECT_EQ(t.Roots[0]->Text, "N") << c.name;
    }
    PlainTree t;
    t.Restore = TKZNTreeNodeSaveProperties::All();
    ASSERT_EQ(Load(t, "N\x07selected=True\x07IMAGEINDEX=5\x07ImageIndex=9\x06"), "");
    EXPECT_TRUE(t.Roots[0]->Bools[vtnSelected]);
    EXPECT_EQ(t.Roots[0]->Ints[0], 5);  // the first piece of that name counts
}

TEST(TreeFormat, ListsAreAppliedBeforeFlagsAndOnlyRestoredPropertiesCount) {
    // the reader goes from StringList09 down to Cut, so a handler of Selected sees the lists
    struct Watch : PlainNode {
        std::string SeenWhenSelected;
        void SetBoolProperty(TKZNTreeNodePublishedProperties p, bool v) override {
            if (p == vtnSelected) SeenWhenSelected = Lists[0].Text();
            PlainNode::SetBoolProperty(p, v);
        }
    };
    struct WatchTree : PlainTree {
        IKZNTreeFormatNode* AddFormatNode(IKZNTreeFormatNode*, const std::string& text) override {
            auto n = std::make_unique<Watch>();
            n->Text = text;
            n->Restore = Restore;
            Roots.push_back(std::move(n));
            return Roots.back().get();
        }
    } t;
    t.Restore = {vtnSelected, vtnStringList};
    ASSERT_EQ(Load(t, "N\x07Selected=True\x07ImageIndex=4\x07StringList=a\r\nb\x06"), "");
    auto* n = static_cast<Watch*>(t.Roots[0].get());
    EXPECT_EQ(n->SeenWhenSelected, "a\r\nb\r\n");
    EXPECT_EQ(n->Ints[0], 0);  // ImageIndex is not restored for this node
}

TEST(TreeFormat, ExpandedIsAppliedOnlyAfterACompleteLoad) {
    PlainTree t;
    t.Restore = {vtnExpanded};
    ASSERT_EQ(Load(t, "A\x07" "Expanded=True\x06\xA0" "B\x06"), "");
    EXPECT_TRUE(t.Roots[0]->Bools[vtnExpanded]);
    EXPECT_FALSE(t.Roots[0]->Children[0]->Bools[vtnExpanded]);

    PlainTree broken;
    broken.Restore = {vtnExpanded};
    EXPECT_EQ(Load(broken, "A\x07" "Expanded=True\x06\xA0\xA0" "B\x06"), "TFastTree.LoadFromStream: Level Mismatch");
    ASSERT_EQ(broken.Roots.size(), 1u);
    EXPECT_FALSE(broken.Roots[0]->Bools[vtnExpanded]);
}

TEST(TreeFormat, LogicalErrorsOfAnInconsistentTree) {
    // a sink that loses nodes: the reader's own consistency checks answer
    struct LosingTree : PlainTree {
        bool ReturnNull = false;
        bool NoParents = false;
        IKZNTreeFormatNode* AddFormatNode(IKZNTreeFormatNode* parent, const std::string& text) override {
            IKZNTreeFormatNode* n = PlainTree::AddFormatNode(parent, text);
            return ReturnNull ? nullptr : n;
        }
        IKZNTreeFormatNode* GetFormatParent(IKZNTreeFormatNode* node) override {
            return NoParents ? nullptr : PlainTree::GetFormatParent(node);
        }
    };
    LosingTree a;
    a.ReturnNull = true;
    EXPECT_EQ(Load(a, "A\x06" "B\x06"), "TFastTree.LoadFromStream: Logical Error 1");
    EXPECT_EQ(a.Roots.size(), 1u);
    LosingTree b;
    b.NoParents = true;
    EXPECT_EQ(Load(b, "A\x06\xA0" "B\x06" "C\x06"), "TFastTree.LoadFromStream: Logical Error 2");
    EXPECT_EQ(b.Outline(), "A(0) B(1) ");
}

TEST(TreeFormat, SeparatorBytesInsideTextNeverChangeTheTree) {
    PlainTree t;
    PlainNode* a = t.Add(nullptr, std::string("a\x07" "b\x06" "c", 5) + std::string(1, '\0') + "d");
    a->Lists[1].Add(std::string("SELECT '\x07'", 10));
    a->Lists[1].Add(std::string("x\x06y", 3) + std::string(1, '\0') + "z");
    a->Lists[1].Add("cr\rinside");
    t.Add(a, "\xA0\xA0" "indented");  // would read as two more levels
    t.Add(nullptr, "");                // empty root record without properties
    t.Add(nullptr, "\r\nroot");        // would be skipped as a line end

    struct Variant {
        TKZNTreeNodeSaveProperties props;
        const char* outline;
    } variants[] = {
        // an empty root caption needs a blank only when its record has no properties
        {{}, "a b c d(0)   indented(1)  (0)   root(0) "},
        {{vtnStringList01}, "a b c d(0)   indented(1) (0)   root(0) "},
    };
    for (const auto& [props, outline] : variants) {
        std::string text = KZNTreeSaveText(t, props, kChars);
        PlainTree back;
        back.Restore = props;
        ASSERT_EQ(Load(back, text), "");
        EXPECT_EQ(back.Outline(), outline);
        // saved again, the same bytes: the file loads to what was saved
        EXPECT_EQ(KZNTreeSaveText(back, props, kChars), text);
        if (!props.Empty()) {
            EXPECT_EQ(back.Roots[0]->Lists[1].Items,
                      (std::vector<std::string>{"SELECT ' '", "x y z", "cr inside"}));
        }
    }
}

TEST(TreeFormat, LoadsThousandsOfNodes) {
    std::string text;
    for (int i = 0; i < 5000; ++i) {
        text += "root" + std::to_string(i) + "\x07StringList=a\r\nb\x06\r\n";
        for (int d = 1; d <= 3; ++d) text += std::string(static_cast<size_t>(d), '\xA0') + "n\x07StringList=\x06\r\n";
    }
    PlainTree t;
    t.Restore = {vtnStringList};
    ASSERT_EQ(Load(t, text), "");
    EXPECT_EQ(t.Roots.size(), 5000u);
    EXPECT_TRUE(KZNTreeSaveText(t, {vtnStringList}, kChars) == text);
}

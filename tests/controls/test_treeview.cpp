// The tree control on a real (offscreen) widget.
#include <gtest/gtest.h>

#include <sstream>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>

#include "FileSystem.h"
#include "KZNTreeView.h"
#include "QtTestApp.h"
#include "TestUtil.h"

namespace {

const TKZNTreeNodeSaveProperties kConnectionProps = {vtnFocused,       vtnSelected,   vtnExpanded,  vtnHasChildren,
                                                     vtnImageIndex,    vtnSelectedIndex, vtnStateIndex, vtnStringList,
                                                     vtnStringList01, vtnStringList02};

struct TreeFixture : ::testing::Test, testutil::WithApp {
    TKZNTreeView tree;
    int beforeLoad = 0, afterLoad = 0, beforeSave = 0, afterSave = 0;
    void Count() {
        tree.OnEXBefoerLoad = [this](TKZNTreeView*) { ++beforeLoad; };
        tree.OnEXAfterLoad = [this](TKZNTreeView*) { ++afterLoad; };
        tree.OnEXBefoerSave = [this](TKZNTreeView*) { ++beforeSave; };
        tree.OnEXAfterSave = [this](TKZNTreeView*) { ++afterSave; };
    }
    std::string Outline() {
        std::string s;
        tree.ForEachNode([&](TTreeNodeEx* n) { s += n->Text() + "(" + std::to_string(n->Level()) + ") "; });
        return s;
    }
    std::string Siblings(TTreeNodeEx* parent) {
        std::string s;
        int n = parent ? parent->Count() : tree.RootCount();
        for (int i = 0; i < n; ++i) s += (parent ? parent->Item(i) : tree.Root(i))->Text();
        return s;
    }
    void Click(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QMouseEvent e(type, QPointF(p), tree.viewport()->mapToGlobal(QPointF(p)), button, button, mods);
        QApplication::sendEvent(tree.viewport(), &e);
    }
};

}  // namespace

TEST_F(TreeFixture, SavesAndLoadsAFileWithItsEvents) {
    Count();
    tree.DefaultRestoreNodeProperties = TKZNTreeNodeSaveProperties::All();
    TTreeNodeEx* a = tree.Add(nullptr, "接続");
    TTreeNodeEx* b = tree.Add(a, std::string("odd\xFD\xFE", 5));  // bytes Qt cannot show stay as they are
    tree.Add(b, "leaf");
    tree.Add(nullptr, "last");
    a->GetStringList()->SetText("Provider=MSDASQL.1\r\nDSN=x\r\n");
    b->GetStringList09()->SetText("nine\r\n");
    b->SetImageIndex(3);
    b->StateIndex = 2;
    b->SetCut(true);
    a->setExpanded(true);
    tree.SetSelected(b);

    std::string file = testutil::TempFolder("treeview") + "tree.txt";
    tree.SaveToFile(file);
    EXPECT_EQ(beforeSave, 1);
    EXPECT_EQ(afterSave, 1);

    TKZNTreeView other;
    other.DefaultRestoreNodeProperties = TKZNTreeNodeSaveProperties::All();
    other.LoadFromFile(file);
    std::string outline;
    other.ForEachNode([&](TTreeNodeEx* n) { outline += n->Text() + "(" + std::to_string(n->Level()) + ") "; });
    EXPECT_EQ(outline, "接続(0) odd\xFD\xFE(1) leaf(2) last(0) ");
    TTreeNodeEx* a2 = other.Root(0);
    TTreeNodeEx* b2 = a2->Item(0);
    EXPECT_EQ(a2->GetStringList()->Text(), "Provider=MSDASQL.1\r\nDSN=x\r\n");
    EXPECT_EQ(b2->GetStringList09()->Text(), "nine\r\n");
    EXPECT_EQ(b2->GetImageIndex(), 3);
    EXPECT_EQ(b2->StateIndex, 2);
    EXPECT_TRUE(b2->GetCut());
    EXPECT_TRUE(a2->GetExpanded());
    EXPECT_FALSE(b2->GetExpanded());
    EXPECT_EQ(other.GetSelected(), b2);
    EXPECT_TRUE(b2->GetHasChildren());
    EXPECT_FALSE(other.Root(1)->GetHasChildren());

    // saving the loaded tree gives the same bytes
    std::string first, second;
    ASSERT_TRUE(fs932::ReadFile(file, first));
    EXPECT_EQ(other.SaveToText('\xA0'), first);

    tree.LoadFromFile(file);
    EXPECT_EQ(beforeLoad, 1);
    EXPECT_EQ(afterLoad, 1);
    EXPECT_THROW(tree.LoadFromFile(file + ".none"), EFOpenError);
}

TEST_F(TreeFixture, StreamsWriteTheDocumentedExample) {
    tree.DefaultRestoreNodeProperties = {vtnStringList};
    TTreeNodeEx* a = tree.Add(nullptr, "A");
    a->GetStringList()->SetText("L1\r\nL2");
    tree.Add(a, "B");
    tree.Add(nullptr, "C");
    std::ostringstream out;
    tree.SaveToStream(out, tree.SavedIndentChar);
    std::string expected = "A\x07StringList=L1\r\nL2\x06\r\n\xA0" "B\x07StringList=\x06\r\nC\x07StringList=\x06\r\n";
    EXPECT_EQ(testutil::Hex(out.str()), testutil::Hex(expected));

    std::istringstream in("ignored" + expected);
    in.seekg(7);  // from the stream's position on
    tree.LoadFromStream(in, '\xA0');
    EXPECT_EQ(Outline(), "A(0) B(1) C(0) ");
}

TEST_F(TreeFixture, EveryReaderErrorKeepsThePartialTreeAndFiresAfterLoad) {
    struct Case {
        const char* text;
        const char* outline;
        const char* error;
    } cases[] = {
        {"A\x06\xA0" "B\x06\xA0\xA0\xA0" "C\x06", "A(0) B(1) ", "TFastTree.LoadFromStream: Level Mismatch"},
        {"A\x06" "B\x07Selected=yes\x06" "C\x06", "A(0) B(0) ", "論理値ではありません yes"},
        {"A\x07ImageIndex=1.5\x06", "A(0) ", "'1.5' は整数ではありません"},
    };
    for (const auto& c : cases) {
        Count();
        tree.DefaultRestoreNodeProperties = kConnectionProps;
        tree.Add(nullptr, "old");
        int after = afterLoad;
        std::string error;
        try {
            tree.LoadFromText(c.text, '\xA0');
        } catch (const Exception& e) {
            error = e.Message;
        }
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(Outline(), c.outline) << c.text;
        EXPECT_EQ(afterLoad, after + 1);
    }
}

TEST_F(TreeFixture, SelectionSetByTheLoaderSeesTheNodesLists) {
    tree.DefaultRestoreNodeProperties = kConnectionProps;
    std::string seen;
    QObject listener;
    QObject::connect(&tree, &QTreeWidget::currentItemChanged, &listener, [&](QTreeWidgetItem* cur, QTreeWidgetItem*) {
        if (cur) seen = static_cast<TTreeNodeEx*>(cur)->GetStringList()->Text();
    });
    tree.LoadFromText("A\x07Selected=True\x07StringList=k=v\x06", '\xA0');
    EXPECT_EQ(seen, "k=v\r\n");
}

TEST_F(TreeFixture, PropertiesOutsideANodesRestoreSetKeepTheirDefaults) {
    tree.DefaultRestoreNodeProperties = {vtnStringList};
    tree.LoadFromText("A\x07ImageIndex=5\x07StringList=x\x06", '\xA0');
    EXPECT_EQ(tree.Root(0)->GetImageIndex(), 0);
    EXPECT_EQ(tree.Root(0)->GetStringList()->Text(), "x\r\n");
}

TEST_F(TreeFixture, MoveUpAndMoveDownAmongSiblings) {
    struct Case {
        const char* node;
        bool up;
        const char* result;
    } cases[] = {
        {"a", true, "abcd"},  {"a", false, "bacd"}, {"b", true, "bacd"},
        {"c", false, "abdc"}, {"d", false, "abcd"}, {"d", true, "abdc"},
    };
    for (const auto& c : cases) {
        tree.ClearNodes();
        TTreeNodeEx* p = tree.Add(nullptr, "P");
        TTreeNodeEx* target = nullptr;
        for (const char* s : {"a", "b", "c", "d"}) {
            TTreeNodeEx* n = tree.Add(p, s);
            tree.Add(n, std::string(s) + "-child");
            if (std::string(s) == c.node) target = n;
        }
        target->setExpanded(true);
        tree.SetSelected(target);
        c.up ? target->MoveUp() : target->MoveDown();
        EXPECT_EQ(Siblings(p), c.result) << c.node << (c.up ? " up" : " down");
        EXPECT_EQ(target->Item(0)->Text(), std::string(c.node) + "-child");  // the subtree moves along
        EXPECT_TRUE(target->GetExpanded());
        EXPECT_EQ(tree.GetSelected(), target);
    }
    // root nodes are siblings too
    tree.ClearNodes();
    tree.Add(nullptr, "x");
    TTreeNodeEx* y = tree.Add(nullptr, "y");
    y->MoveUp();
    EXPECT_EQ(Siblings(nullptr), "yx");
    EXPECT_TRUE(y->IsFirstSibling());
    EXPECT_FALSE(y->IsLastSibling());
}

TEST_F(TreeFixture, DescendantsAndTreeOrder) {
    TTreeNodeEx* a = tree.Add(nullptr, "a");
    TTreeNodeEx* b = tree.Add(a, "b");
    TTreeNodeEx* c = tree.Add(b, "c");
    TTreeNodeEx* d = tree.Add(nullptr, "d");
    EXPECT_TRUE(c->IsDescendantOf(a));
    EXPECT_TRUE(c->IsDescendantOf(b));
    EXPECT_FALSE(a->IsDescendantOf(c));
    EXPECT_FALSE(a->IsDescendantOf(nullptr));
    EXPECT_FALSE(d->IsDescendantOf(a));
    EXPECT_EQ(a->GetNext(), b);
    EXPECT_EQ(c->GetNext(), d);
    EXPECT_EQ(d->GetNext(), nullptr);
    EXPECT_EQ(tree.GetCount(), 4);
}

TEST_F(TreeFixture, AfterDeleteFiresOnceTheNodeIsGone) {
    TTreeNodeEx* a = tree.Add(nullptr, "a");
    tree.Add(a, "b");
    tree.Add(nullptr, "c");
    std::vector<int> counts;
    tree.OnAfterDelete = [&](TKZNTreeView* t) { counts.push_back(t->GetCount()); };
    tree.Delete(a);
    // the child goes with its parent, which has already left the tree
    EXPECT_EQ(counts, (std::vector<int>{1, 1}));
    EXPECT_EQ(Outline(), "c(0) ");
}

// A held node is found again while it lives, wherever it moves, and never
// again once it has gone, even when a new node is built at its address.
TEST_F(TreeFixture, HeldNodesAreKnownByTheirSerialNotTheirAddress) {
    TTreeNodeEx* a = tree.Add(nullptr, "a");
    TTreeNodeEx* b = tree.Add(a, "b");
    const TTreeNodeRef heldA(a), heldB(b), none(nullptr);
    EXPECT_EQ(heldB.Get(), b);
    EXPECT_TRUE(none.IsNull());
    EXPECT_EQ(none.Get(), nullptr);
    // moved to the top level: still the same node
    a->takeChild(0);
    tree.addTopLevelItem(b);
    EXPECT_EQ(heldB.Get(), b);
    const uint64_t serialB = b->Serial();
    tree.Delete(b);
    // Build nodes until one lands where b was (a freeing allocator gives the
    // address back at once; one with a quarantine may never do so).
    bool reused = false;
    for (int i = 0; i < 64 && !reused; ++i) {
        TTreeNodeEx* n = tree.Add(a, "new");
        EXPECT_GT(n->Serial(), serialB);
        reused = n == b;
    }
    EXPECT_EQ(heldB.Get(), nullptr);
    EXPECT_EQ(tree.FindBySerial(serialB), nullptr);
    EXPECT_EQ(heldA.Get(), a);
    // a node whose tree has gone
    TTreeNodeRef orphan;
    {
        TKZNTreeView other;
        orphan = TTreeNodeRef(other.Add(nullptr, "x"));
        EXPECT_NE(orphan.Get(), nullptr);
    }
    EXPECT_EQ(orphan.Get(), nullptr);
}

TEST_F(TreeFixture, CaptionEditsGoThroughOnEdited) {
    TTreeNodeEx* a = tree.Add(nullptr, "a");
    tree.OnEdited = [](TKZNTreeView*, TTreeNodeEx*, std::string& s) { s += "[Duplicate]"; };
    a->setData(0, Qt::EditRole, QString::fromUtf8(u8"新規"));
    EXPECT_EQ(a->Text(), "新規[Duplicate]");
    EXPECT_EQ(a->text(0), QString::fromUtf8(u8"新規[Duplicate]"));
    a->SetText("plain");  // the program's own changes are not edits
    EXPECT_EQ(a->Text(), "plain");
}

TEST_F(TreeFixture, TheViewShowsTheCaptionAndHearsOfItsChanges) {
    TTreeNodeEx* a = tree.Add(nullptr, "a");
    TTreeNodeEx* b = tree.Add(a, "b");
    int changed = 0;
    QObject::connect(tree.model(), &QAbstractItemModel::dataChanged, [&](const QModelIndex& from, const QModelIndex&) {
        if (tree.itemFromIndex(from) == b) ++changed;
    });
    struct Case {
        std::string Caption;
        QString Shown;
    };
    for (const Case& c : {Case{"表", QString::fromUtf8(u8"表")}, Case{"", QString()}, Case{"x y", QStringLiteral("x y")}}) {
        const int before = changed;
        b->SetText(c.Caption);
        EXPECT_EQ(changed, before + 1) << c.Caption;
        const QModelIndex index = tree.model()->index(0, 0, tree.model()->index(0, 0));
        EXPECT_EQ(tree.model()->data(index, Qt::DisplayRole).toString(), c.Shown);
        EXPECT_EQ(tree.model()->data(index, Qt::EditRole).toString(), c.Shown);
        EXPECT_EQ(b->text(0), c.Shown);
    }
    // an edit through the model reaches the caption's bytes
    tree.model()->setData(tree.model()->index(0, 0), QString::fromUtf8(u8"列"));
    EXPECT_EQ(a->Text(), "列");
    // a node not yet in a tree has its caption too
    TKZNTreeNode* loose = tree.CreateNode();
    loose->SetText("loose");
    EXPECT_EQ(loose->text(0), QStringLiteral("loose"));
    delete loose;
}

TEST_F(TreeFixture, ClickEventsPerButtonOnAndBesideNodes) {
    tree.resize(200, 200);
    tree.show();
    TTreeNodeEx* a = tree.Add(nullptr, "a");
    TTreeNodeEx* b = tree.Add(nullptr, "b");
    std::string log;
    auto onNode = [&](const char* tag) {
        return [&log, tag](TKZNTreeView*, Qt::KeyboardModifiers shift, TTreeNodeEx* n) {
            log += std::string(tag) + n->Text() + (shift & Qt::ShiftModifier ? "+shift " : " ");
        };
    };
    auto beside = [&](const char* tag) { return [&log, tag](TKZNTreeView*, Qt::KeyboardModifiers) { log += tag; }; };
    tree.OnNodeClickLeft = onNode("L:");
    tree.OnNodeClickRight = onNode("R:");
    tree.OnNodeClickMiddle = onNode("M:");
    tree.OnElseNodeClickLeft = beside("L- ");
    tree.OnElseNodeClickRight = beside("R- ");
    tree.OnElseNodeClickMiddle = beside("M- ");
    QPoint pa = tree.visualItemRect(a).center(), pb = tree.visualItemRect(b).center();
    Click(QEvent::MouseButtonPress, pa, Qt::LeftButton);
    Click(QEvent::MouseButtonRelease, pa, Qt::LeftButton);
    Click(QEvent::MouseButtonPress, pb, Qt::RightButton, Qt::ShiftModifier);
    EXPECT_EQ(tree.GetSelected(), b);  // right click selects
    Click(QEvent::MouseButtonRelease, pb, Qt::RightButton);
    Click(QEvent::MouseButtonPress, pa, Qt::MiddleButton);
    Click(QEvent::MouseButtonRelease, pa, Qt::MiddleButton);
    QPoint empty(50, 180);
    for (Qt::MouseButton btn : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        Click(QEvent::MouseButtonPress, empty, btn);
        Click(QEvent::MouseButtonRelease, empty, btn);
    }
    EXPECT_EQ(log, "L:a R:b+shift M:a L- R- M- ");
}

TEST_F(TreeFixture, DoubleClickExpandCanBeRefused) {
    tree.resize(200, 200);
    tree.show();
    tree.SetDblClickExpand(false);
    TTreeNodeEx* a = tree.Add(nullptr, "a");
    tree.Add(a, "child");
    QPoint pa = tree.visualItemRect(a).center();
    Click(QEvent::MouseButtonPress, pa, Qt::LeftButton);
    Click(QEvent::MouseButtonRelease, pa, Qt::LeftButton);
    Click(QEvent::MouseButtonDblClick, pa, Qt::LeftButton);
    Click(QEvent::MouseButtonRelease, pa, Qt::LeftButton);
    EXPECT_FALSE(a->GetExpanded());
    // the expand button still works
    QRect r = tree.visualItemRect(a);
    QPoint button(r.left() - tree.indentation() / 2, r.center().y());
    Click(QEvent::MouseButtonPress, button, Qt::LeftButton);
    Click(QEvent::MouseButtonRelease, button, Qt::LeftButton);
    EXPECT_TRUE(a->GetExpanded());

    tree.SetDblClickExpand(true);
    a->setExpanded(false);
    Click(QEvent::MouseButtonPress, pa, Qt::LeftButton);
    Click(QEvent::MouseButtonRelease, pa, Qt::LeftButton);
    Click(QEvent::MouseButtonDblClick, pa, Qt::LeftButton);
    Click(QEvent::MouseButtonRelease, pa, Qt::LeftButton);
    EXPECT_TRUE(a->GetExpanded());
}

TEST(TreeDrag, SplitLineRoundsHalvesToEven) {
    struct Case {
        int top, bottom, split;
    } cases[] = {
        {0, 10, 7},    // 7.0
        {0, 5, 4},     // 3.5 -> 4
        {1, 6, 4},     // 4.5 -> 4
        {0, 15, 10},   // 10.5 -> 10
        {2, 17, 12},   // 12.5 -> 12
        {0, 16, 11},   // 11.2
        {0, 18, 13},   // 12.6
        {-10, 5, 0},   // 0.5 -> 0
        {-11, -6, -8}, // -7.5 -> -8
    };
    for (const auto& c : cases)
        EXPECT_EQ(TKZNTreeView::DragSplitLine(TRect{0, c.top, 10, c.bottom}), c.split) << c.top << ".." << c.bottom;
}

TEST_F(TreeFixture, DropPositionOnAndBelowANode) {
    tree.resize(200, 200);
    tree.show();
    TTreeNodeEx* a = tree.Add(nullptr, "node a");
    TRect r = tree.NodeTextRect(a);
    int split = TKZNTreeView::DragSplitLine(r);
    int x = (r.Left + r.Right) / 2;
    EXPECT_EQ(tree.GetDragTargetPosition(QPoint(x, r.Top)), 1);
    EXPECT_EQ(tree.GetDragTargetPosition(QPoint(x, split - 1)), 1);
    EXPECT_EQ(tree.GetDragTargetPosition(QPoint(x, split)), 2);
    EXPECT_EQ(tree.GetDragTargetPosition(QPoint(x, r.Bottom - 1)), 2);
    EXPECT_EQ(tree.GetDragTargetPosition(QPoint(r.Right + 20, split + 1)), 1);  // beside the text: on the node
    EXPECT_EQ(tree.GetDragTargetPosition(QPoint(x, 190)), 0);
}

TEST_F(TreeFixture, DragMarkerScrollsAtTheEdges) {
    // the pause between scroll steps is measured on a clock the test moves
    testutil::TManualClock clock;
    tree.Clock.Set(clock.Source());
    tree.ShowDragTargetRectangle = true;
    std::vector<TTreeNodeEx*> nodes;
    for (int i = 0; i < 40; ++i) nodes.push_back(tree.Add(nullptr, "n" + std::to_string(i)));
    int rowH = tree.visualItemRect(nodes[0]).height();
    tree.resize(200, rowH * 5 + 2 * tree.frameWidth());
    tree.show();
    tree.scrollToItem(nodes[10], QAbstractItemView::PositionAtTop);
    ASSERT_EQ(tree.NodeAt(QPoint(1, 1)), nodes[10]);

    // over the top visible node: the one before it becomes the top node
    tree.DrawDragTarget(QPoint(5, 2));
    EXPECT_EQ(tree.NodeAt(QPoint(1, 1)), nodes[9]);

    // over the bottom visible node, once the pause is over: the next node is selected and shown
    TTreeNodeEx* bottom = tree.NodeAt(QPoint(5, tree.viewport()->height() - 2));
    ASSERT_NE(bottom, nullptr);
    // still within the pause after that step: nothing moves
    clock.Advance(std::chrono::milliseconds(49));
    tree.DrawDragTarget(QPoint(5, tree.viewport()->height() - 2));
    EXPECT_EQ(tree.NodeAt(QPoint(1, 1)), nodes[9]);
    EXPECT_NE(tree.GetSelected(), bottom->GetNext());
    clock.Advance(std::chrono::milliseconds(1));
    tree.DrawDragTarget(QPoint(5, tree.viewport()->height() - 2));
    TTreeNodeEx* next = bottom->GetNext();
    EXPECT_EQ(tree.GetSelected(), next);
    EXPECT_TRUE(tree.visualItemRect(next).bottom() < tree.viewport()->height());

    // without the marker switched on nothing moves
    tree.ShowDragTargetRectangle = false;
    TTreeNodeEx* top = tree.NodeAt(QPoint(1, 1));
    clock.Advance(std::chrono::milliseconds(100));
    tree.DrawDragTarget(QPoint(5, 2));
    EXPECT_EQ(tree.NodeAt(QPoint(1, 1)), top);
}

TEST_F(TreeFixture, PopUpMessagesAndWinProc) {
    std::string log;
    tree.OnPopUpWindowOpen = [&](TKZNTreeView*) { log += "open "; };
    tree.OnPopUpWindowClose = [&](TKZNTreeView*) { log += "close "; };
    tree.Perform(0x144B, 0, 0);
    tree.Perform(0x144C, 0, 0);
    tree.Perform(0x144D, 0, 0);
    EXPECT_EQ(log, "open close ");
    int seen = 0;
    tree.OnWinProc = [&](TKZNTreeView*, QEvent* e) { seen += e->type() == QEvent::User; };
    QEvent user(QEvent::User);
    QApplication::sendEvent(&tree, &user);
    EXPECT_EQ(seen, 1);
}

TEST_F(TreeFixture, NodeDataAssignCopiesEveryList) {
    TKZNExtendNodeData a, b;
    int x = 1;
    a.List.push_back(&x);
    for (int i = 0; i < 10; ++i) a.Lists(i).Add("v" + std::to_string(i));
    b.StringList05.Add("old");
    b.Assign(a);
    EXPECT_EQ(b.List.size(), 1u);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(b.Lists(i).Text(), "v" + std::to_string(i) + "\r\n");
    b.Clear();
    EXPECT_TRUE(b.List.empty());
    EXPECT_EQ(b.StringList09.Count(), 0);
}

TEST_F(TreeFixture, NodeDataIsMadeOnFirstUseAndKept) {
    TTreeNodeEx* a = tree.Add(nullptr, "A");
    EXPECT_FALSE(a->HasData());
    a->GetStringList05()->Add("five");
    ASSERT_TRUE(a->HasData());
    TKZNExtendNodeData* data = a->Data();
    EXPECT_EQ(a->GetStringList05()->Text(), "five\r\n");
    EXPECT_EQ(a->GetStringList()->Count(), 0);
    EXPECT_EQ(a->Data(), data);
    // a saved tree with lists loads them into nodes that made no data before
    tree.DefaultRestoreNodeProperties = kConnectionProps;
    const std::string text = tree.SaveToText('\xA0');
    tree.LoadFromText(text, '\xA0');
    EXPECT_FALSE(tree.Root(0)->HasData());
    a = tree.Add(nullptr, "B");
    a->GetStringList02()->Add("two");
    tree.LoadFromText(tree.SaveToText('\xA0'), '\xA0');
    EXPECT_EQ(tree.Root(1)->GetStringList02()->Text(), "two\r\n");
}

TEST_F(TreeFixture, IconsFollowTheImageIndex) {
    QPixmap red(8, 8), blue(8, 8);
    red.fill(Qt::red);
    blue.fill(Qt::blue);
    auto colour = [](const QIcon& icon) { return icon.isNull() ? QColor() : icon.pixmap(8, 8).toImage().pixelColor(0, 0); };
    tree.Images = {QIcon(red), QIcon(blue)};
    TTreeNodeEx* a = tree.Add(nullptr, "A");
    struct Case {
        int Index;
        QColor Shown;
    };
    for (const Case& c : {Case{1, Qt::blue}, Case{0, Qt::red}, Case{2, QColor()}, Case{-1, QColor()}, Case{1, Qt::blue}}) {
        a->SetImageIndex(c.Index);
        EXPECT_EQ(a->GetImageIndex(), c.Index);
        EXPECT_EQ(colour(a->icon(0)), c.Shown) << c.Index;
        EXPECT_EQ(colour(qvariant_cast<QIcon>(tree.model()->data(tree.model()->index(0, 0), Qt::DecorationRole))), c.Shown);
    }
    // an icon set directly stands until the image index is set again
    QPixmap green(8, 8);
    green.fill(Qt::green);
    a->setIcon(0, QIcon(green));
    EXPECT_EQ(colour(a->icon(0)), QColor(Qt::green));
    a->SetImageIndex(0);
    EXPECT_EQ(colour(a->icon(0)), QColor(Qt::red));
    // a node that is not in the tree yet takes its tree's images all the same
    TKZNTreeNode* loose = tree.CreateNode();
    loose->SetImageIndex(1);
    EXPECT_EQ(colour(loose->icon(0)), QColor(Qt::blue));
    delete loose;
}

TEST_F(TreeFixture, TakesAFolderTree) {
    std::string dir = testutil::TempFolder("foldertree");
    ASSERT_TRUE(fs932::ForceDirectories(dir + "ObjectTree/表/列"));
    ASSERT_TRUE(fs932::ForceDirectories(dir + "ObjectTree/Views"));
    TTreeNodeEx* root = tree.Add(nullptr, "root");
    TFolderFile::AddFolderTree(dir + "ObjectTree", tree, root);
    EXPECT_EQ(Outline(), "root(0) ObjectTree(1) Views(2) 表(2) 列(3) ");
}

TEST_F(TreeFixture, DeletingTheCurrentNodeShowsAWholeNodeToSelectionHandlers) {
    TTreeNodeEx* a = tree.Add(nullptr, "a");
    a->GetStringList()->Add("kept");
    TTreeNodeEx* b = tree.Add(nullptr, "b");
    tree.SetSelected(a);
    std::vector<std::string> previous;
    QObject listener;
    QObject::connect(&tree, &QTreeWidget::currentItemChanged, &listener, [&](QTreeWidgetItem*, QTreeWidgetItem* prev) {
        if (prev) previous.push_back(static_cast<TTreeNodeEx*>(prev)->GetStringList()->Text());
    });
    tree.Delete(a);
    EXPECT_EQ(previous, std::vector<std::string>{"kept\r\n"});
    EXPECT_EQ(tree.RootCount(), 1);
    EXPECT_EQ(tree.Root(0), b);
}

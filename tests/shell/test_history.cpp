// The history and favourites window: dated entries, the limit, the file,
// a damaged file, previous and next, deletion, favourites and folders,
// drops inside the tree, the messages it sends and its place beside the
// client window.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMenuBar>
#include <QSplitter>
#include <QStyle>

#include "CP932Qt.h"
#include "FileSystem.h"
#include "KZNDragObject.h"
#include "KZNEditor.h"
#include "KZNMessageDlg.h"
#include "KZNTreeView.h"
#include "KZNTreeViewFormatMerge.h"
#include "LayoutCheck.h"
#include "QtTestApp.h"
#include "ScreenMetrics.h"
#include "TestUtil.h"
#include "U_ClientMessages.h"
#include "U_Form_History.h"

namespace {

using Lines = std::vector<std::string>;

std::time_t At(int y, int mo, int d, int h = 12, int mi = 0, int s = 0) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

// One record of the tree file: level, caption and the string list's lines.
std::string Rec(int level, const std::string& caption, const Lines& lines = {}) {
    std::string r(static_cast<size_t>(level), '\xA0');
    r += caption + "\x07StringList=";
    for (size_t i = 0; i < lines.size(); ++i) r += (i ? "\r\n" : "") + lines[i];
    return r + "\x06\r\n";
}
const std::string kFavRoot = Rec(0, "お気に入り", {"＄＄お気に入りフォルダROOT"});
const std::string kHistRoot = Rec(0, "履歴", {"＄＄履歴フォルダROOT"});

struct HistoryTest : ::testing::Test, testutil::WithApp {
    std::string folder = testutil::TempFolder("history");
    std::string file = folder + "zintavor.History";
    winmsg::TMessageWindow centre;
    std::vector<uint32_t> sent;
    std::vector<std::string> revived;  // the lines of each WM_MC_REVIVESCRIPT
    std::vector<std::string> told;     // message boxes
    testutil::THookScope hooks;
    std::time_t now = At(2026, 12, 10, 9, 30, 0);
    std::unique_ptr<TForm_History> form;

    HistoryTest() {
        centre.WndProc = [this](winmsg::TMessage& m) {
            sent.push_back(m.Msg);
            if (m.Msg == mc::WM_MC_REVIVESCRIPT) revived.push_back(reinterpret_cast<TStringList*>(m.LParam)->Text());
        };
        hooks.Set(SetMessageDlgPresenter, [this](const std::string& text, TMsgDlgType) { told.push_back(text); });
        form = std::make_unique<TForm_History>(nullptr, centre.Handle(), file);
        form->Clock = [this] { return now; };
    }
    ~HistoryTest() override {
        form.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void Load(const std::string& bytes) {
        ASSERT_TRUE(fs932::WriteFileAtomic(file, bytes));
        form->LoadFromFile();
    }
    std::string Saved() {
        form->SaveToFile();
        std::string bytes;
        EXPECT_TRUE(fs932::ReadFile(file, bytes));
        return bytes;
    }
    // Every node as its level in dots and its caption.
    Lines Outline() const {
        Lines out;
        form->IndexTree2->ForEachNode(
            [&](TTreeNodeEx* n) { out.push_back(std::string(static_cast<size_t>(n->Level()), '.') + n->Text()); });
        return out;
    }
    TTreeNodeEx* Find(const std::string& caption, const std::string& text = std::string()) const {
        TTreeNodeEx* found = nullptr;
        form->IndexTree2->ForEachNode([&](TTreeNodeEx* n) {
            if (!found && n->Text() == caption && (text.empty() || n->GetStringList()->Text() == text)) found = n;
        });
        return found;
    }
    std::string Selected() const {
        TTreeNodeEx* n = form->IndexTree2->GetSelected();
        return n ? n->Text() : "(none)";
    }
    std::string Preview() const { return form->PreviewEditor().Lines().GetText(); }
    void Select(const std::string& caption, const std::string& text = std::string()) {
        TTreeNodeEx* n = Find(caption, text);
        ASSERT_NE(n, nullptr) << caption;
        form->IndexTree2->SetSelected(n);
    }
    void Add(const std::string& text, std::time_t when) {
        now = when;
        form->AddHistory(TStringList(text));
    }
};

// A tree of two days with two entries each, and favourites.
const std::string kTwoDays = kFavRoot + Rec(1, "道具", {"＄＄お気に入りフォルダ"}) + Rec(2, "件数", {"select count(*) from t;"}) +
                             Rec(1, "表示", {"select '表' from dual;"}) + kHistRoot + Rec(1, "2026/12/09") +
                             Rec(2, "18:00:00", {"select 4;"}) + Rec(2, "17:00:00", {"select 3;"}) +
                             Rec(1, "2026/12/08") + Rec(2, "11:00:00", {"select 2;"}) +
                             Rec(2, "10:00:00", {"select 1;"});

TEST_F(HistoryTest, EntriesByDayAndTime) {
    struct Step {
        std::string text;
        std::time_t when;
        bool added;  // a new entry (else only the newest entry's time changes)
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        Lines outline;
    };
    const std::vector<Case> cases = {
        {"the same script twice keeps one entry at the later time",
         {{"select 1;\r\n", At(2026, 12, 10, 9, 0, 0), true}, {"select 1;\r\n", At(2026, 12, 10, 9, 5, 7), false}},
         {"お気に入り", "履歴", ".2026/12/10", "..09:05:07"}},
        {"one trailing line break does not make it another script",
         {{"select 1;", At(2026, 12, 10, 9, 0, 0), true}, {"select 1;\r\n", At(2026, 12, 10, 9, 1, 0), false}},
         {"お気に入り", "履歴", ".2026/12/10", "..09:01:00"}},
        {"another script goes on top",
         {{"a", At(2026, 12, 10, 9, 0, 0), true}, {"b", At(2026, 12, 10, 9, 1, 0), true}},
         {"お気に入り", "履歴", ".2026/12/10", "..09:01:00", "..09:00:00"}},
        {"only the newest entry of the day is compared",
         {{"a", At(2026, 12, 10, 9, 0, 0), true}, {"b", At(2026, 12, 10, 9, 1, 0), true},
          {"a", At(2026, 12, 10, 9, 2, 0), true}},
         {"お気に入り", "履歴", ".2026/12/10", "..09:02:00", "..09:01:00", "..09:00:00"}},
        {"the next day gets its own date on top, even for the same script",
         {{"a", At(2026, 12, 10, 23, 59, 59), true}, {"a", At(2026, 12, 11, 0, 0, 1), true}},
         {"お気に入り", "履歴", ".2026/12/11", "..00:00:01", ".2026/12/10", "..23:59:59"}},
        {"an older day goes in its place among the dates",
         {{"a", At(2026, 12, 10, 8, 0, 0), true}, {"b", At(2026, 12, 8, 8, 0, 0), true},
          {"c", At(2026, 12, 9, 8, 0, 0), true}},
         {"お気に入り", "履歴", ".2026/12/10", "..08:00:00", ".2026/12/09", "..08:00:00", ".2026/12/08",
          "..08:00:00"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs932::DeleteFile(file);
        now = c.steps.front().when;
        form->LoadFromFile();
        for (const Step& s : c.steps) {
            now = s.when;
            TTreeNodeEx* entry = form->AddHistoryOn(TStringList(s.text), s.when);
            EXPECT_EQ(entry != nullptr, s.added) << s.text;
            if (entry) {
                EXPECT_EQ(entry->GetStringList()->Text(), TStringList(s.text).Text());
                EXPECT_EQ(entry->GetImageIndex(), TForm_History::ImageEntry);
            }
        }
        EXPECT_EQ(Outline(), c.outline);
    }
}

// A loaded tree is open wherever a node has children, and only there; whether
// the window is hidden while it loads (as at start-up, where its rows are laid
// out only when it is first shown) or already shown.
TEST_F(HistoryTest, LoadedTreeIsOpenWhereNodesHaveChildren) {
    const std::string emptyFolder = Rec(1, "空", {"＄＄お気に入りフォルダ"});
    // an empty favourites folder before the others
    const std::string withEmpty = kFavRoot + emptyFolder + kTwoDays.substr(kFavRoot.size());
    for (bool shownFirst : {false, true}) {
        SCOPED_TRACE(shownFirst ? "loaded into a shown window" : "loaded hidden, shown afterwards");
        if (shownFirst) {
            form->show();
            QApplication::processEvents();
        }
        Load(withEmpty);
        Lines open, closed;
        form->IndexTree2->ForEachNode([&](TTreeNodeEx* n) {
            if (n->childCount() == 0) return;
            (n->isExpanded() ? open : closed).push_back(n->Text());
        });
        EXPECT_EQ(open, (Lines{"お気に入り", "道具", "履歴", "2026/12/09", "2026/12/08"}));
        EXPECT_TRUE(closed.empty());
        EXPECT_FALSE(Find("空")->isExpanded());
        form->show();
        QApplication::processEvents();
        // every node is on a row of its own, one below the other, each as high
        // as its text and icon need
        int lastTop = -1;
        form->IndexTree2->ForEachNode([&](TTreeNodeEx* n) {
            const QRect r = form->IndexTree2->visualItemRect(n);
            EXPECT_GT(r.height(), 0) << n->Text();
            EXPECT_GT(r.top(), lastTop) << n->Text();
            EXPECT_GE(r.height(), form->IndexTree2->iconSize().height()) << n->Text();
            lastTop = r.top();
        });
        form->hide();
    }
}

// The preview editor is made when the window is first shown or its text is
// first needed; a window never shown holds none. Made later, it shows what it
// would have shown all along, where the splitter put it.
TEST_F(HistoryTest, PreviewIsBuiltWhenFirstNeeded) {
    Load(kTwoDays);
    Select("18:00:00");
    Add("select 5;", now);
    form->MoveEntry(0);
    EXPECT_FALSE(form->BuiltPreviewEditor());
    EXPECT_EQ(Selected(), "18:00:00");
    // the splitter placed before the window was ever shown, as the main form does
    form->resize(600, 400);
    form->Splitter1->setSizes({200, 600 - 200 - form->Splitter1->handleWidth()});
    form->show();
    QApplication::processEvents();
    ASSERT_TRUE(form->BuiltPreviewEditor());
    TKZNEditor& preview = form->PreviewEditor();
    EXPECT_TRUE(preview.isVisible());
    EXPECT_EQ(Preview(), "select 4;\r\n");
    EXPECT_TRUE(preview.ReadOnly());
    EXPECT_EQ(form->Splitter1->sizes().at(0), 200);
    EXPECT_EQ(form->Splitter1->widget(1), &preview);
    // a favourite shown then is editable, and its edit is kept
    Select("件数");
    EXPECT_EQ(Preview(), "select count(*) from t;\r\n");
    EXPECT_FALSE(preview.ReadOnly());
}

// A favourite selected in a window never shown keeps its text as it was when
// the selection moves on, and the preview made for that is not shown.
TEST_F(HistoryTest, PreviewBuiltForItsTextStaysOutOfSight) {
    Load(kTwoDays);
    Select("件数");
    EXPECT_FALSE(form->BuiltPreviewEditor());
    Select("表示");
    EXPECT_EQ(Find("件数")->GetStringList()->Text(), "select count(*) from t;\r\n");
    EXPECT_TRUE(form->BuiltPreviewEditor());
    EXPECT_FALSE(form->PreviewEditor().isVisible());
    form->show();
    QApplication::processEvents();
    EXPECT_TRUE(form->PreviewEditor().isVisible());
    EXPECT_EQ(Preview(), "select '表' from dual;\r\n");
}

TEST_F(HistoryTest, AddHistorySelectsTheNewEntryAndItBecomesCurrent) {
    Load(kTwoDays);
    EXPECT_EQ(Selected(), "お気に入り");
    Add("select 5;", now);
    EXPECT_EQ(Selected(), "09:30:00");
    EXPECT_EQ(Preview(), "select 5;\r\n");
    EXPECT_EQ(form->CurrentEntry, form->IndexTree2->GetSelected());
    EXPECT_EQ(form->CurrentEntry->GetImageIndex(), TForm_History::ImageCurrentEntry);
    // the same text again: no entry, the selection stays where it is
    Select("件数");
    now += 60;
    form->AddHistory(TStringList("select 5;"));
    EXPECT_EQ(Selected(), "件数");
    EXPECT_NE(Find("09:31:00"), nullptr);
}

TEST_F(HistoryTest, TheTreeKeepsAThousandNodesAndDropsTheOldestHistory) {
    // 2 roots + 3 dates + 1000 entries = 1005 nodes
    std::string bytes = kFavRoot + kHistRoot;
    for (int d = 3; d >= 1; --d) {
        bytes += Rec(1, "2026/11/0" + std::to_string(d));
        const int n = d == 1 ? 334 : 333;
        for (int i = n - 1; i >= 0; --i) {
            char t[16];
            std::snprintf(t, sizeof t, "%02d:%02d:00", i / 60, i % 60);
            bytes += Rec(2, t, {"select " + std::to_string(d * 1000 + i) + ";"});
        }
    }
    Load(bytes);
    EXPECT_EQ(form->IndexTree2->GetCount(), 1000);
    Lines outline = Outline();
    EXPECT_EQ(outline.back(), "..00:05:00");  // 00:04:00 .. 00:00:00 of the oldest date are gone
    EXPECT_EQ(outline[outline.size() - 330], ".2026/11/01");

    // a new entry pushes the oldest one out; the node selected before stays selected
    Select("2026/11/02");
    EXPECT_NE(form->AddHistoryOn(TStringList("newest"), now), nullptr);
    EXPECT_EQ(form->IndexTree2->GetCount(), 1000);
    EXPECT_EQ(Outline().back(), "..00:07:00");  // the new date node and its entry took two places
    EXPECT_EQ(Selected(), "2026/11/02");
    // the node selected before goes: the new entry is selected
    TTreeNodeEx* last = form->HistoryRoot();
    while (last->Count() > 0) last = last->Item(last->Count() - 1);
    form->IndexTree2->SetSelected(last);
    now += 1;
    form->AddHistoryOn(TStringList("newer"), now);
    EXPECT_EQ(Selected(), "09:30:01");
    EXPECT_EQ(Outline().back(), "..00:08:00");
}

TEST_F(HistoryTest, TrimmingNeverTakesFavouritesOrTheRoots) {
    std::string bytes = kFavRoot;
    for (int i = 0; i < 1003; ++i) bytes += Rec(1, "fav" + std::to_string(i), {"x"});
    bytes += kHistRoot + Rec(1, "2026/12/09") + Rec(2, "10:00:00", {"old"});
    Load(bytes);
    Lines outline = Outline();
    EXPECT_EQ(outline.size(), 1005u);
    EXPECT_EQ(outline.back(), "履歴");
    // no room is left for history; the root stays for the next entry
    Select("fav7");
    EXPECT_EQ(form->AddHistoryOn(TStringList("new"), now), nullptr);
    EXPECT_EQ(Outline(), outline);
    EXPECT_EQ(Selected(), "fav7");
}

TEST_F(HistoryTest, TheFileIsSavedAsItWasReadByteForByte) {
    // CP932 text with a 0x5C trail byte, several lines, an empty list and an empty last line
    const std::string bytes = kFavRoot + Rec(1, "道具", {"＄＄お気に入りフォルダ"}) +
                              Rec(2, "ソ表", {"select 'ソ\\表' from t", "where a = 1;"}) + Rec(2, "空") +
                              Rec(1, "末尾", {"select 1;", "", ""}) + kHistRoot + Rec(1, "2026/12/09") +
                              Rec(2, "18:00:00", {"select '能' from dual;"}) + Rec(1, "2026/12/08");
    Load(bytes);
    EXPECT_EQ(testutil::Hex(Saved()), testutil::Hex(bytes));
    // viewing a favourite in the preview and leaving it changes nothing
    Select("ソ表");
    EXPECT_EQ(Preview(), "select 'ソ\\表' from t\r\nwhere a = 1;\r\n");
    Select("末尾");
    Select("2026/12/09");
    EXPECT_EQ(testutil::Hex(Saved()), testutil::Hex(bytes));
    // the file is replaced whole: no temporary file is left beside it, only the lock for the next save
    std::vector<fs932::DirEntry> entries;
    ASSERT_TRUE(fs932::ListDirectory(folder, entries));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].Name, "zintavor.History.lock");
}

TEST_F(HistoryTest, AMissingFileStartsWithTheRootsAndToday) {
    form->LoadFromFile();
    EXPECT_EQ(Outline(), (Lines{"お気に入り", "履歴", ".2026/12/10"}));
    EXPECT_EQ(Saved(), kFavRoot + kHistRoot + Rec(1, "2026/12/10"));
    EXPECT_TRUE(told.empty());
}

TEST_F(HistoryTest, MissingRootsAreMadeInTheirPlaces) {
    struct Case {
        std::string bytes;
        Lines outline;
    };
    const std::vector<Case> cases = {
        {kHistRoot + Rec(1, "2026/12/09") + Rec(2, "10:00:00", {"a"}), {"お気に入り", "履歴", ".2026/12/09", "..10:00:00"}},
        {kFavRoot + Rec(1, "f", {"x"}), {"お気に入り", ".f", "履歴"}},
    };
    for (const Case& c : cases) {
        Load(c.bytes);
        EXPECT_EQ(Outline(), c.outline);
        EXPECT_TRUE(told.empty());
    }
    form->CreateRoots();
    EXPECT_EQ(Outline(), (Lines{"お気に入り", "履歴"}));
}

TEST_F(HistoryTest, ADamagedFileIsKeptAsideAndTheHistoryStartsEmpty) {
    const std::string topLevel = "最上位に履歴とお気に入り以外の項目があります";
    struct Case {
        const char* name;
        std::string bytes;
        std::string error;  // a part of the message
    };
    const std::vector<Case> cases = {
        {"level mismatch", "\xA0" "x\x06\r\n" + kFavRoot, "TFastTree.LoadFromStream"},
        {"logical error after good records", kFavRoot + kHistRoot + Rec(1, "2026/12/09") + "\xA0\xA0\xA0" "x\x06\r\n",
         "TFastTree.LoadFromStream"},
        {"records after a NUL", kFavRoot + kHistRoot + std::string(1, '\0') + Rec(1, "2026/12/09") + Rec(2, "10:00:00", {"a"}),
         "NUL"},
        {"random bytes", std::string("\x93\x1f\xc4zq\x8e\x02\xff\x10k\x95\x7c\x81", 13), topLevel},
        {"another node beside the roots", kFavRoot + Rec(0, "x", {"y"}) + kHistRoot, topLevel},
        // a root needs its caption and its mark
        {"look-alike roots", Rec(0, "お気に入り", {"x"}) + Rec(0, "歴", {"＄＄履歴フォルダROOT"}), topLevel},
        {"a root twice", kFavRoot + kHistRoot + kHistRoot, topLevel},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        told.clear();
        ASSERT_TRUE(fs932::WriteFileAtomic(file, c.bytes));
        ASSERT_EQ(chmod(fs932::ToNative(file).c_str(), 0600), 0);
        form->LoadFromFile();
        EXPECT_EQ(Outline(), (Lines{"お気に入り", "履歴", ".2026/12/10"}));
        const std::string bad = file + (n++ ? ".bad" + std::to_string(n) : ".bad");
        std::string kept;
        ASSERT_TRUE(fs932::ReadFile(bad, kept));
        EXPECT_EQ(kept, c.bytes);
        struct stat st;
        ASSERT_EQ(stat(fs932::ToNative(bad).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        // the damage is replaced at once by the empty history, with the file's mode
        std::string now;
        ASSERT_TRUE(fs932::ReadFile(file, now));
        EXPECT_EQ(now, kFavRoot + kHistRoot + Rec(1, "2026/12/10"));
        ASSERT_EQ(stat(fs932::ToNative(file).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        ASSERT_EQ(told.size(), 1u);
        EXPECT_NE(told[0].find("写しを「" + bad + "」に残しました"), std::string::npos) << told[0];
        EXPECT_NE(told[0].find(c.error), std::string::npos) << told[0];
        // the next start reads the new file and says nothing
        Add("after", this->now);
        form->SaveToFile();
        told.clear();
        form->LoadFromFile();
        EXPECT_TRUE(told.empty());
        EXPECT_NE(Find("09:30:00"), nullptr);
        // the same damage found again was told before: no second copy, no word
        ASSERT_TRUE(fs932::WriteFileAtomic(file, c.bytes));
        form->LoadFromFile();
        EXPECT_TRUE(told.empty());
        EXPECT_FALSE(fs932::FileExists(file + ".bad" + std::to_string(n + 1)));
        fs932::DeleteFile(file);
    }
}

TEST_F(HistoryTest, NothingIsWrittenWhereTheFileCannotBe) {
    form->FileName = folder + "no-such-folder/zintavor.History";
    form->LoadFromFile();
    Add("a", now);
    EXPECT_NO_THROW(form->SaveToFile());
    EXPECT_FALSE(fs932::DirectoryExists(folder + "no-such-folder"));
}

TEST_F(HistoryTest, PreviousAndNextWalkTheEntriesAcrossDates) {
    struct Case {
        const char* keys;      // P previous (older), N next (newer)
        const char* selected;  // after the last key
    };
    const std::vector<Case> cases = {
        {"P", "18:00:00"},          // right after start-up the newest entry
        {"N", "お気に入り"},        // nothing newer than the start: nothing moves
        {"PP", "17:00:00"},
        {"PPP", "11:00:00"},        // over the date to the next day
        {"PPPPPP", "10:00:00"},     // the oldest stays
        {"PPPN", "17:00:00"},       // back over the date
        {"PN", "18:00:00"},         // nothing newer than the newest
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        Load(kTwoDays);
        EXPECT_EQ(form->CurrentEntry, Find("2026/12/09"));
        for (const char* k = c.keys; *k; ++k) (*k == 'P' ? form->Action_Prev : form->Action_Next)->trigger();
        EXPECT_EQ(Selected(), c.selected);
    }
    // only the current entry shows the current image
    Load(kTwoDays);
    form->Action_Prev->trigger();
    form->Action_Prev->trigger();
    EXPECT_EQ(Find("18:00:00")->GetImageIndex(), TForm_History::ImageEntry);
    EXPECT_EQ(Find("17:00:00")->GetImageIndex(), TForm_History::ImageCurrentEntry);
    EXPECT_EQ(Preview(), "select 3;\r\n");
    // a favourite selected in between: previous goes on from the current entry
    Select("件数");
    form->Action_Prev->trigger();
    EXPECT_EQ(Selected(), "11:00:00");
}

TEST_F(HistoryTest, DeletionByKind) {
    struct Case {
        std::string select;
        Lines outline;
        const char* current;  // caption of the current entry afterwards
    };
    const Lines full = {"お気に入り", ".道具", "..件数", ".表示", "履歴", ".2026/12/10", "..09:00:00", ".2026/12/09",
                        "..18:00:00", "..17:00:00", ".2026/12/08", "..11:00:00", "..10:00:00"};
    auto without = [&](std::initializer_list<const char*> gone) {
        Lines out;
        for (const std::string& s : full) {
            bool drop = false;
            for (const char* g : gone) drop = drop || s == g;
            if (!drop) out.push_back(s);
        }
        return out;
    };
    const std::vector<Case> cases = {
        {"2026/12/10", without({"..09:00:00"}), "2026/12/09"},                       // today's date stays
        {"2026/12/09", without({".2026/12/09", "..18:00:00", "..17:00:00"}), "2026/12/10"},
        {"18:00:00", without({"..18:00:00"}), "2026/12/10"},
        {"道具", without({".道具", "..件数"}), "2026/12/10"},
        {"表示", without({".表示"}), "2026/12/10"},
        {"お気に入り", full, "2026/12/10"},
        {"履歴", full, "2026/12/10"},
    };
    const std::string today = kTwoDays.substr(0, kTwoDays.find(kHistRoot) + kHistRoot.size()) + Rec(1, "2026/12/10") +
                              Rec(2, "09:00:00", {"today"}) + kTwoDays.substr(kTwoDays.find(kHistRoot) + kHistRoot.size());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.select);
        Load(today);
        Select(c.select);
        form->Action_Delete->trigger();
        EXPECT_EQ(Outline(), c.outline);
        ASSERT_NE(form->CurrentEntry, nullptr);
        EXPECT_EQ(form->CurrentEntry->Text(), c.current);
    }
    // after deleting today's entries, previous starts from the next date with entries
    Load(today);
    Select("2026/12/10");
    form->Action_Delete->trigger();
    form->Action_Prev->trigger();
    EXPECT_EQ(Selected(), "18:00:00");
}

TEST_F(HistoryTest, ActionsFollowTheSelectedKind) {
    // revival, add favourite, new folder, new favourite, rename, delete
    struct Case {
        std::string select;
        const char* enabled;
        bool editable;
    };
    const std::vector<Case> cases = {
        {"お気に入り", "-AFC--", false}, {"道具", "-AFCRD", false}, {"件数", "V---RD", true},
        {"履歴", "------", false},       {"2026/12/09", "-----D", false}, {"18:00:00", "VA--RD", false},
    };
    Load(kTwoDays);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.select);
        Select(c.select);
        std::string e;
        e += form->Action_CurrentRevival->isEnabled() ? 'V' : '-';
        e += form->Action_AddFav->isEnabled() ? 'A' : '-';
        e += form->Action_AddFavNode->isEnabled() ? 'F' : '-';
        e += form->Action_CreateFav->isEnabled() ? 'C' : '-';
        e += form->Action_NodeRename->isEnabled() ? 'R' : '-';
        e += form->Action_Delete->isEnabled() ? 'D' : '-';
        EXPECT_EQ(e, c.enabled);
        EXPECT_TRUE(form->Action_Prev->isEnabled() && form->Action_Next->isEnabled());
        EXPECT_EQ(form->PreviewEditor().ReadOnly(), !c.editable);
        // roots and dates keep their captions
        const bool renamable = c.select != "お気に入り" && c.select != "履歴" && c.select != "2026/12/09";
        EXPECT_EQ(bool(Find(c.select)->flags() & Qt::ItemIsEditable), renamable);
    }
    TTreeNodeEx* date = Find("2026/12/09");
    date->setData(0, Qt::EditRole, QStringLiteral("renamed"));
    EXPECT_EQ(date->Text(), "2026/12/09");
}

TEST_F(HistoryTest, FavouritesAndFoldersGoWhereTheSelectionSays) {
    struct Case {
        std::string select;
        std::string parent;  // of the new favourite
    };
    const std::vector<Case> cases = {
        {"お気に入り", "お気に入り"}, {"道具", "道具"}, {"件数", "道具"}, {"表示", "お気に入り"},
        {"18:00:00", "お気に入り"},   {"2026/12/09", "お気に入り"},     {"履歴", "お気に入り"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.select);
        Load(kTwoDays);
        Select(c.select);
        TStringList lines("select 9;\r\nfrom x;\r\n");
        form->AddFavorite(&lines);
        TTreeNodeEx* fav = form->IndexTree2->GetSelected();
        ASSERT_NE(fav, nullptr);
        EXPECT_EQ(fav->Text(), "新しいお気に入り");
        EXPECT_EQ(fav->Parent()->Text(), c.parent);
        EXPECT_TRUE(fav->IsLastSibling());
        EXPECT_EQ(fav->GetStringList()->Text(), "select 9;\r\nfrom x;\r\n");
        EXPECT_EQ(fav->GetImageIndex(), TForm_History::ImageFavorite);
        EXPECT_EQ(form->NodeKind(fav), hnkFavorite);
        EXPECT_EQ(Preview(), "select 9;\r\nfrom x;\r\n");
    }
    // folders and empty favourites only in the root or a folder
    struct FolderCase {
        std::string select;
        bool made;
    };
    for (const FolderCase& c : std::vector<FolderCase>{{"お気に入り", true}, {"道具", true}, {"件数", false},
                                                       {"18:00:00", false}, {"履歴", false}}) {
        SCOPED_TRACE(c.select);
        Load(kTwoDays);
        Select(c.select);
        const size_t before = Outline().size();
        form->AddFavoriteFolder();
        EXPECT_EQ(Outline().size(), before + (c.made ? 1 : 0));
        if (c.made) {
            TTreeNodeEx* folderNode = form->IndexTree2->GetSelected();
            EXPECT_EQ(folderNode->Text(), "新しいお気に入りフォルダ");
            EXPECT_EQ(folderNode->Parent()->Text(), c.select);
            EXPECT_EQ(form->NodeKind(folderNode), hnkFavoriteFolder);
            EXPECT_EQ(folderNode->GetStringList()->Text(), "＄＄お気に入りフォルダ\r\n");
        }
        Load(kTwoDays);
        Select(c.select);
        form->Action_CreateFav->trigger();
        EXPECT_EQ(Outline().size(), before + (c.made ? 1 : 0));
        if (c.made) {
            EXPECT_EQ(form->IndexTree2->GetSelected()->GetStringList()->Count(), 0);
        }
    }
}

TEST_F(HistoryTest, AFavouriteEditedInThePreviewKeepsTheEdit) {
    Load(kTwoDays);
    Select("件数");
    form->PreviewEditor().Lines().SetText("select count(*) from u;\r\n");
    Select("表示");
    EXPECT_EQ(Find("件数")->GetStringList()->Text(), "select count(*) from u;\r\n");
    // still selected when the program closes
    form->PreviewEditor().Lines().SetText("select '裏' from dual;\r\n");
    const std::string bytes = Saved();
    EXPECT_NE(bytes.find(Rec(1, "表示", {"select '裏' from dual;"})), std::string::npos) << testutil::Hex(bytes);
    // an entry's preview is read-only: nothing of it is taken back
    Select("18:00:00");
    EXPECT_TRUE(form->PreviewEditor().ReadOnly());
}

TEST_F(HistoryTest, DropsInsideTheTree) {
    struct Case {
        const char* name;
        std::string drag;
        std::string target;
        int position;
        bool accepted;
        Lines outline;  // of the favourites, when accepted
    };
    const std::vector<Case> cases = {
        {"on a folder: its last child", "表示", "道具", 1, true, {"お気に入り", ".道具", "..件数", "..表示"}},
        {"below a folder: its first child", "表示", "道具", 2, true, {"お気に入り", ".道具", "..表示", "..件数"}},
        {"below the root: its first child", "表示", "お気に入り", 2, true, {"お気に入り", ".表示", ".道具", "..件数"}},
        {"below a favourite: after it", "表示", "件数", 2, true, {"お気に入り", ".道具", "..件数", "..表示"}},
        {"a folder onto the root", "道具", "お気に入り", 1, true, {"お気に入り", ".表示", ".道具", "..件数"}},
        {"an entry on a folder becomes a favourite", "18:00:00", "道具", 1, true,
         {"お気に入り", ".道具", "..件数", "..18:00:00", ".表示"}},
        {"on a favourite", "表示", "件数", 1, false, {}},
        {"on a history entry", "表示", "17:00:00", 1, false, {}},
        {"below a date", "表示", "2026/12/09", 2, false, {}},
        {"below the history root", "表示", "履歴", 2, false, {}},
        {"on itself", "道具", "道具", 1, false, {}},
        {"into its own child", "道具", "件数", 2, false, {}},
        {"no node", "表示", "", 1, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Load(kTwoDays);
        Select(c.drag);
        TTreeNodeEx* node = Find(c.drag);
        std::unique_ptr<THistoryItemDragObj> item(form->StartDrag(node));
        ASSERT_NE(item, nullptr);
        TTreeNodeEx* target = c.target.empty() ? nullptr : Find(c.target);
        EXPECT_EQ(form->CanDrop(item.get(), target, c.position), c.accepted);
        if (!c.accepted) continue;
        form->DropNode(node, target, c.position);
        Lines outline = Outline();
        outline.resize(c.outline.size());
        EXPECT_EQ(outline, c.outline);
        EXPECT_EQ(Selected(), c.drag);
    }
    // the moved entry left the history and is a favourite now
    Load(kTwoDays);
    form->Action_Prev->trigger();
    TTreeNodeEx* entry = Find("18:00:00");
    form->DropNode(entry, Find("道具"), 1);
    EXPECT_EQ(form->NodeKind(entry), hnkFavorite);
    EXPECT_EQ(entry->GetImageIndex(), TForm_History::ImageFavorite);
    EXPECT_FALSE(form->PreviewEditor().ReadOnly());
    EXPECT_EQ(form->CurrentEntry, Find("2026/12/09"));
    form->Action_Prev->trigger();
    EXPECT_EQ(Selected(), "17:00:00");
    EXPECT_NE(Saved().find(Rec(2, "18:00:00", {"select 4;"}) + Rec(1, "表示", {"select '表' from dual;"})), std::string::npos);
    // dates and roots are not dragged
    for (const char* caption : {"2026/12/09", "履歴", "お気に入り"}) EXPECT_EQ(form->StartDrag(Find(caption)), nullptr);
}

TEST_F(HistoryTest, ADropThroughTheTreesEvents) {
    form->resize(500, 600);
    form->show();
    Load(kTwoDays);
    Select("表示");
    std::unique_ptr<THistoryItemDragObj> item(form->StartDrag(Find("表示")));
    TKZNTreeView* tree = form->IndexTree2;
    const QRect r = tree->visualItemRect(Find("道具"));
    const QPointF on(r.left() + 30, r.top() + 1);
    QDragEnterEvent enter(on.toPoint(), Qt::MoveAction, item.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(tree->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDragMoveEvent overHistory(tree->visualItemRect(Find("17:00:00")).center(), Qt::MoveAction, item.get(),
                               Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(tree->viewport(), &overHistory);
    EXPECT_FALSE(overHistory.isAccepted());
    QDropEvent drop(on, Qt::MoveAction, item.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(tree->viewport(), &drop);
    EXPECT_EQ(Find("表示")->Parent(), Find("道具"));
    form->hide();
}

// A drag that outlives its node moves nothing, not even the node built after
// it (which a freeing allocator often puts at the same address).
TEST_F(HistoryTest, ADragWhoseNodeWentMovesNothing) {
    form->resize(500, 600);
    form->show();
    Load(kTwoDays);
    Select("表示");
    std::unique_ptr<THistoryItemDragObj> item(form->StartDrag(Find("表示")));
    ASSERT_NE(item, nullptr);
    form->Action_Delete->trigger();
    ASSERT_EQ(Find("表示"), nullptr);
    Select("お気に入り");
    TStringList lines("select 9;\r\n");
    form->AddFavorite(&lines);
    EXPECT_EQ(item->Node(), nullptr);
    EXPECT_FALSE(form->CanDrop(item.get(), Find("道具"), 1));
    const Lines before = Outline();
    TKZNTreeView* tree = form->IndexTree2;
    const QRect r = tree->visualItemRect(Find("道具"));
    QDropEvent drop(QPointF(r.left() + 30, r.top() + 1), Qt::MoveAction, item.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(tree->viewport(), &drop);
    EXPECT_FALSE(drop.isAccepted());
    EXPECT_EQ(Outline(), before);
    form->hide();
}

TEST_F(HistoryTest, MessagesItSends) {
    Load(kTwoDays);
    sent.clear();
    Select("件数");
    form->Action_CurrentRevival->trigger();
    Select("18:00:00");
    form->IndexTree2->setFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(form->IndexTree2, &enter);
    EXPECT_EQ(revived, (Lines{"select count(*) from t;\r\n", "select 4;\r\n"}));
    // a date has nothing to revive
    Select("2026/12/09");
    form->Action_CurrentRevival->trigger();
    EXPECT_EQ(revived.size(), 2u);
    // space is the next (newer) entry
    Select("17:00:00");
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
    QCoreApplication::sendEvent(form->IndexTree2, &space);
    EXPECT_EQ(Selected(), "18:00:00");

    sent.clear();
    form->Action_AddFav->trigger();
    form->Action_AutoMoveToggle->trigger();
    EXPECT_FALSE(form->AutoMove);
    EXPECT_FALSE(form->Action_AutoMoveToggle->isChecked());
    form->show();
    form->resize(form->width() + 10, form->height());
    form->Splitter1->splitterMoved(100, 1);
    form->Action_FormClose->trigger();
    EXPECT_FALSE(form->isVisible());
    const std::vector<uint32_t> expected = {mc::WM_MC_ADDFAVORITE, mc::WM_MC_HISTORYAUTOMOVE, mc::WM_MC_HISTORYSHOW,
                                            mc::WM_MC_HISTORYRESIZE, mc::WM_MC_HISTORYSPLIT, mc::WM_MC_HISTORYCLOSE};
    for (uint32_t m : expected) EXPECT_NE(std::find(sent.begin(), sent.end(), m), sent.end()) << std::hex << m;
    EXPECT_EQ(sent.front(), mc::WM_MC_ADDFAVORITE);
    EXPECT_EQ(sent.back(), mc::WM_MC_HISTORYCLOSE);
}

TEST_F(HistoryTest, CaptionsAndMenus) {
    EXPECT_EQ(cp932::FromQString(form->windowTitle()).rfind("履歴 ", 0), 0u);
    Lines menus;
    for (QAction* m : form->MainMenu1->actions()) {
        std::string line = cp932::FromQString(m->text()) + ":";
        for (QAction* a : m->menu()->actions()) line += " " + cp932::FromQString(a->text());
        menus.push_back(line);
    }
    EXPECT_EQ(menus, (Lines{"画面: 閉じる",
                            "操作: スクリプトエディタへ復活 スクリプトからお気に入りに追加 新しいお気に入りフォルダの作成 "
                            "新しいお気に入りを作成 削除",
                            "オプション: 画面自動最適化"}));
    EXPECT_EQ(cp932::FromQString(form->Action_FormClose->toolTip()), "履歴画面を閉じます");
    EXPECT_EQ(cp932::FromQString(form->Action_Prev->toolTip()), "上に移動");
    EXPECT_EQ(cp932::FromQString(form->Action_Next->text()), "下に移動");
    EXPECT_EQ(cp932::FromQString(form->Action_NodeRename->text()), "名前の変更");
    EXPECT_TRUE(form->AutoMove);
    EXPECT_TRUE(form->Action_AutoMoveToggle->isChecked());
}

// Every button and every kind of tree entry has an icon, in every size asked
// for, and no two of them look alike.
TEST_F(HistoryTest, IconsExistAndDiffer) {
    const std::pair<const char*, QIcon> icons[] = {
        {"revival", form->Action_CurrentRevival->icon()},
        {"previous", form->Action_Prev->icon()},
        {"next", form->Action_Next->icon()},
        {"delete", form->Action_Delete->icon()},
        {"close", form->Action_FormClose->icon()},
        {"folder", form->IndexTree2->Images.at(TForm_History::ImageFolder)},
        {"date", form->IndexTree2->Images.at(TForm_History::ImageDate)},
        {"entry", form->IndexTree2->Images.at(TForm_History::ImageEntry)},
        {"current entry", form->IndexTree2->Images.at(TForm_History::ImageCurrentEntry)},
        {"favourite", form->IndexTree2->Images.at(TForm_History::ImageFavorite)},
    };
    std::vector<QImage> seen;
    for (const auto& [name, icon] : icons) {
        ASSERT_FALSE(icon.isNull()) << name;
        for (int size : {16, 32}) {
            const QImage image = icon.pixmap(size).toImage();
            EXPECT_FALSE(image.isNull()) << name << " " << size;
            EXPECT_TRUE(image.width() <= size && image.height() <= size) << name << " " << size;
            EXPECT_FALSE(icon.pixmap(QSize(size, size), 2.0).isNull()) << name << " " << size << " at twice the scale";
        }
        const QImage image = icon.pixmap(16).toImage();
        for (size_t i = 0; i < seen.size(); ++i) EXPECT_NE(image, seen[i]) << name << " looks like " << icons[i].first;
        seen.push_back(image);
    }
}

// Shown at a small size, every entry in view is readable, none cut to "…"
// (scripts/screenshots.sh takes the window's picture).
TEST_F(HistoryTest, EveryEntryInViewIsReadable) {
    Load(kTwoDays);
    form->resize(520, 360);
    form->show();
    Select("件数");
    QApplication::processEvents();
    std::string cut;
    for (const std::string& c : layoutcheck::CutCaptions(form->IndexTree2)) cut += c + "\n";
    EXPECT_EQ(cut, "");
    form->hide();
}

TEST_F(HistoryTest, BesideTheClientWindow) {
    hooks.Set(screen::SetVirtualScreenProvider, [] { return screen::TScreenSize{1920, 1080}; });
    struct Case {
        QRect client;
        bool autoMove;
        QPoint at;  // the history window's place
    };
    QWidget client;
    form->resize(300, 400);
    form->show();
    form->hide();
    const int w = form->frameGeometry().width();
    const std::vector<Case> cases = {
        {QRect(100, 50, 800, 600), false, QPoint(5, 6)},
        {QRect(100, 50, 800, 600), true, QPoint(900, 50)},
        {QRect(1500, 40, 400, 500), true, QPoint(1920 - w, 40)},  // at the right edge: over the client window
    };
    for (const Case& c : cases) {
        client.setGeometry(c.client);
        form->move(5, 6);
        form->SetAutoMove(c.autoMove);
        form->ShowBeside(&client);
        EXPECT_EQ(form->frameGeometry().topLeft(), c.at);
        EXPECT_EQ(form->frameGeometry().height(), c.autoMove ? client.frameGeometry().height() : 400 + form->frameGeometry().height() - form->height());
        EXPECT_TRUE(form->isVisible());
        form->hide();
    }
}

}  // namespace

// ---- the file shared with other copies of the program

// The history holds every statement run, passwords included: a new file is
// the user's alone; an existing file keeps its mode.
TEST_F(HistoryTest, ANewFileIsTheUsersAloneAndAnOldOneKeepsItsMode) {
    const mode_t oldMask = umask(022);
    form->LoadFromFile();
    Add("ALTER ROLE r PASSWORD 'secret';", now);
    form->SaveToFile();
    struct stat st;
    ASSERT_EQ(stat(fs932::ToNative(file).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    ASSERT_EQ(chmod(fs932::ToNative(file).c_str(), 0644), 0);
    Add("select 1;", now + 1);
    form->SaveToFile();
    ASSERT_EQ(stat(fs932::ToNative(file).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
    umask(oldMask);
}

// A read-only file would lose the run's history without a word: its save fails, naming it.
TEST_F(HistoryTest, AReadOnlyFileFailsTheSaveNamingIt) {
    Load(kTwoDays);
    ASSERT_EQ(chmod(fs932::ToNative(file).c_str(), 0444), 0);
    Add("select 5;", now);
    try {
        form->SaveToFile();
        ADD_FAILURE() << "the save went through";
    } catch (const EForm_History& e) {
        EXPECT_NE(e.Message.find("ファイル " + file + " を作成できません（読み取り専用です）"), std::string::npos) << e.Message;
    }
    std::string bytes;
    ASSERT_TRUE(fs932::ReadFile(file, bytes));
    EXPECT_EQ(bytes, kTwoDays);
    ASSERT_EQ(chmod(fs932::ToNative(file).c_str(), 0644), 0);
}

// A FIFO in the file's place is never opened for reading (that would wait for
// ever), copied or written; the user is told once.
TEST_F(HistoryTest, AFifoInPlaceOfTheFileIsToldOnceAndLeftAlone) {
    form->FileName = folder + "fifo.History";
    ASSERT_EQ(mkfifo(fs932::ToNative(form->FileName).c_str(), 0644), 0);
    form->LoadFromFile();
    EXPECT_EQ(Outline(), (Lines{"お気に入り", "履歴", ".2026/12/10"}));
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("ファイル " + form->FileName + " を開けません"), std::string::npos) << told[0];
    Add("select 1;", now);
    EXPECT_NO_THROW(form->SaveToFile());
    form->LoadFromFile();
    EXPECT_EQ(told.size(), 1u);
    struct stat st;
    ASSERT_EQ(lstat(fs932::ToNative(form->FileName).c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_FALSE(fs932::FileExists(form->FileName + ".bad"));
}

// Two copies that read the same file: the second save keeps what the first
// added; what the second deleted or moved of what it read is gone.
TEST_F(HistoryTest, ASaveKeepsWhatAnotherCopyAddedSinceItRead) {
    Load(kTwoDays);
    TForm_History other(nullptr, centre.Handle(), file);
    other.Clock = [this] { return now; };
    other.LoadFromFile();
    other.AddHistory(TStringList("select 'other';"));
    other.IndexTree2->SetSelected(other.FavoriteRoot());
    other.AddFavoriteFolder();
    other.SaveToFile();

    Add("select 'this';", now + 60);
    Select("11:00:00");
    form->Action_Delete->trigger();
    form->DropNode(Find("表示"), Find("道具"), 1);
    form->SaveToFile();
    const Lines merged = {"お気に入り", ".道具",       "..件数",     "..表示",     ".新しいお気に入りフォルダ",
                          "履歴",       ".2026/12/10", "..09:31:00", "..09:30:00", ".2026/12/09",
                          "..18:00:00", "..17:00:00",  ".2026/12/08", "..10:00:00"};
    EXPECT_EQ(Outline(), merged);
    form->LoadFromFile();
    EXPECT_EQ(Outline(), merged);
    EXPECT_NE(Find("09:30:00", "select 'other';\r\n"), nullptr);
    EXPECT_NE(Find("09:31:00", "select 'this';\r\n"), nullptr);
}

// A script run again the same day by two copies, each refreshing the time of
// the day's newest entry: the merged file keeps one entry, with the later time.
TEST_F(HistoryTest, TwoCopiesRunningTheSameScriptTheSameDayKeepOneEntry) {
    struct Case {
        const char* Name;
        int OtherAt, ThisAt;  // minutes after 09:00
        const char* Kept;
    } cases[] = {
        {"this copy later", 10, 20, "09:20:00"},
        {"the other copy later", 40, 20, "09:40:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Load(kFavRoot + kHistRoot + Rec(1, "2026/12/10") + Rec(2, "09:00:00", {"@quick.sql"}) +
             Rec(2, "08:00:00", {"select 1;"}));
        TForm_History other(nullptr, centre.Handle(), file);
        std::time_t otherNow = At(2026, 12, 10, 9, c.OtherAt);
        other.Clock = [&] { return otherNow; };
        other.LoadFromFile();
        other.AddHistory(TStringList("@quick.sql"));
        other.SaveToFile();
        Add("@quick.sql", At(2026, 12, 10, 9, c.ThisAt));
        form->SaveToFile();
        form->LoadFromFile();
        EXPECT_EQ(Outline(), (Lines{"お気に入り", "履歴", ".2026/12/10", std::string("..") + c.Kept, "..08:00:00"}));
    }
}

// A huge file: only the records the node limit can keep are read into
// records; damage anywhere in it is still found.
TEST(HistoryRecords, OnlyWhatTheLimitKeepsIsRead) {
    const TKZNTreeFormatChars chars;
    const std::string favs = kFavRoot + Rec(1, "道具", {"select 0;"});
    std::string newestFirst = kHistRoot, oldestFirst = kHistRoot;
    for (int d = 0; d < 5; ++d) {
        std::string day = Rec(1, "2026/12/0" + std::to_string(9 - d));
        for (int i = 0; i < 100; ++i) {
            char t[16];
            std::snprintf(t, sizeof t, "%02d:%02d:00", 23 - i / 60, 59 - i % 60);
            day += Rec(2, t, {"select " + std::to_string(i) + ";"});
        }
        newestFirst += day;
        oldestFirst = kHistRoot + day + oldestFirst.substr(kHistRoot.size());
    }
    auto records = [&](std::string_view Text) { return KZNTreeSplitText(Text, chars).size(); };
    struct Case {
        const char* Name;
        std::string Text;
        size_t Keep;
        bool Sorted;
        size_t Records;  // in the part
    } cases[] = {
        {"newest first", favs + newestFirst, 100, true, 100},
        {"as read", favs + oldestFirst, 100, false, 100},
        {"oldest first, to be sorted: all", favs + oldestFirst, 100, true, 508},
        {"favourites always", newestFirst + favs, 10, false, 508},
        {"within the limit", favs + newestFirst, 1000, true, 508},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string_view part = THistoryRecords::KeptPart(c.Text, chars, c.Keep, c.Sorted);
        EXPECT_EQ(records(part), c.Records);
        EXPECT_EQ(c.Text.compare(0, part.size(), part), 0);
    }
    // damage past the part is found as the reader finds it
    for (const std::string& tail : {Rec(4, "飛んだ段"), std::string("\0x", 2)}) {
        const std::string text = favs + newestFirst + tail;
        EXPECT_THROW(THistoryRecords::KeptPart(text, chars, 100, true), EKZNTreeViewError);
    }
}

TEST_F(HistoryTest, TheSizeLimitAppliesAfterTheMerge) {
    // 2 roots + 1 date + 997 entries = 1000 nodes
    std::string bytes = kFavRoot + kHistRoot + Rec(1, "2026/11/01");
    for (int i = 996; i >= 0; --i) {
        char t[16];
        std::snprintf(t, sizeof t, "%02d:%02d:%02d", i / 3600, i / 60 % 60, i % 60);
        bytes += Rec(2, t, {"select " + std::to_string(i) + ";"});
    }
    Load(bytes);
    TForm_History other(nullptr, centre.Handle(), file);
    other.Clock = [this] { return now; };
    other.LoadFromFile();
    other.AddHistory(TStringList("select 'other';"));
    other.SaveToFile();
    Add("select 'this';", now + 60);
    form->SaveToFile();
    form->LoadFromFile();
    EXPECT_EQ(form->IndexTree2->GetCount(), 1000);
    EXPECT_NE(Find("09:30:00", "select 'other';\r\n"), nullptr);
    EXPECT_NE(Find("09:31:00", "select 'this';\r\n"), nullptr);
    // the new date and the two entries took the places of the three oldest
    EXPECT_EQ(Outline().back(), "..00:00:03");
}

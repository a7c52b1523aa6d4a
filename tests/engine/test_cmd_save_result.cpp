// The export commands SaveToFile and SaveToFileXLS: the file name (given,
// chosen in the save dialog, relative to the working directory, default
// extensions), the text and BIFF2 contents, the limits and write errors.
#include <gtest/gtest.h>

#include <dirent.h>

#include <string>
#include <vector>

#include "BiffTestUtil.h"
#include "CommandRunner.h"
#include "FileSystem.h"
#include "TestUtil.h"
#include "U_CommandManager.h"
#include "XBiff.h"
#include "XWriteBiff.h"
#include "zSaveResult.h"

namespace {

using Lines = std::vector<std::string>;
using bifftest::Cell;

class SaveResultTest : public ::testing::Test, public TCommandRunner {
protected:
    SaveResultTest() {
        Host.Folder = PageDir;
        OldDir = fs932::GetCurrentDir();
        fs932::SetCurrentDir(WorkDir);
        SaveResultDialog() = TSaveResultDialog();
    }
    ~SaveResultTest() override {
        fs932::SetCurrentDir(OldDir);
        SaveResultDialog() = TSaveResultDialog();
    }
    std::string Read(const std::string& name) {
        std::string b;
        EXPECT_TRUE(fs932::ReadFile(name, b)) << name;
        return b;
    }
    void SetResult(const Lines& lines) { Host.Console.Lines.Items = lines; }

    std::string WorkDir = testutil::TempFolder("save-work");
    std::string PageDir = testutil::TempFolder("save-page");
    std::string OldDir;
};

TEST_F(SaveResultTest, TextFileHoldsTheResultLines) {
    SetResult({"結果:", "ID  NAME", "1   表", ""});
    EXPECT_EQ(RunLine("#SaveToFile \"" + WorkDir + "out.txt\""), Lines{});
    EXPECT_EQ(Read(WorkDir + "out.txt"), "結果:\r\nID  NAME\r\n1   表\r\n\r\n");
    SetResult({});
    RunLine("#SaveToFile " + WorkDir + "out.txt");  // an existing file is replaced
    EXPECT_EQ(Read(WorkDir + "out.txt"), "");
}

TEST_F(SaveResultTest, GivenNamesAndDefaultExtensions) {
    struct Case {
        std::string command, given, written;  // written: relative to the working directory
    };
    const std::vector<Case> cases = {
        {"SaveToFile", "plain", "plain.txt"},
        {"SaveToFile", "out.", "out."},
        {"SaveToFile", "a.b", "a.b"},
        {"SaveToFile", "dot.d/name", "dot.d/name.txt"},
        {"SaveToFile", "dot.d\\name", "dot.d/name.txt"},
        {"SaveToFileXLS", "book", "book.xls"},
        {"SaveToFileXLS", "book.XLS", "book.XLS"},
        {"SaveToFileXLS", "表", "表.xls"},
        {"SaveToFileXLS", "ソ.d/x", "ソ.d/x.xls"},  // "ソ" ends with 0x5C
    };
    fs932::CreateDir(WorkDir + "dot.d");
    fs932::CreateDir(WorkDir + "ソ.d");
    SetResult({"a"});
    for (const Case& c : cases) {
        EXPECT_EQ(RunLine("#" + c.command + " \"" + c.given + "\""), Lines{}) << c.given;
        EXPECT_TRUE(fs932::FileExists(WorkDir + c.written)) << c.given;
        EXPECT_FALSE(fs932::FileExists(PageDir + c.written)) << c.given;  // never the page's folder
    }
    EXPECT_EQ(AddDefaultExt("ソ", "txt"), "ソ.txt");
    EXPECT_EQ(AddDefaultExt("c:x", "txt"), "c:x.txt");
    EXPECT_EQ(AddDefaultExt("c.d:x", "txt"), "c.d:x.txt");
}

TEST_F(SaveResultTest, WithoutANameTheSaveDialogAsks) {
    struct Case {
        std::string command, title, ext, filter, chosen, written;
    };
    const std::vector<Case> cases = {
        {"SaveToFile", "結果テキストを保存", "txt", "テキストファイル(*.txt)|*.txt|全て(*.*)|*.*", "picked", "picked.txt"},
        {"SaveToFileXLS", "結果テキストを保存(XLS形式)", "xls", "XLSファイル(*.XLS)|*.xls|全て(*.*)|*.*", "picked",
         "picked.xls"},
    };
    SetResult({"x,y"});
    for (const Case& c : cases) {
        TSaveResultDialog seen;
        std::string offered = "not asked";
        SaveResultDialog().Chooser = [&](TSaveResultDialog& d) {
            seen = d;
            offered = d.FileName;
            d.FileName = PageDir + c.chosen;
            return true;
        };
        EXPECT_EQ(RunLine("#" + c.command), Lines{});
        EXPECT_EQ(seen.InitialDir, PageDir);
        EXPECT_EQ(seen.Title, c.title);
        EXPECT_EQ(seen.DefaultExt, c.ext);
        EXPECT_EQ(seen.Filter, c.filter);
        EXPECT_TRUE(fs932::FileExists(PageDir + c.written)) << c.written;
        // The dialog is kept: the next use offers the name chosen last.
        RunLine("#" + c.command);
        EXPECT_EQ(offered, PageDir + c.chosen);
    }
}

TEST_F(SaveResultTest, CancellingOrAnEmptyNameWritesNothing) {
    SetResult({"a"});
    for (const std::string command : {"#SaveToFile", "#SaveToFileXLS"}) {
        int asked = 0;
        SaveResultDialog().Chooser = [&](TSaveResultDialog& d) {
            ++asked;
            d.FileName = WorkDir + "cancelled";
            return false;
        };
        EXPECT_EQ(RunLine(command), Lines{});
        SaveResultDialog().Chooser = [&](TSaveResultDialog& d) {
            ++asked;
            d.FileName.clear();
            return true;
        };
        EXPECT_EQ(RunLine(command), Lines{});
        EXPECT_EQ(asked, 2);
    }
    std::vector<fs932::DirEntry> entries;
    ASSERT_TRUE(fs932::ListDirectory(WorkDir, entries));
    EXPECT_TRUE(entries.empty());
}

TEST_F(SaveResultTest, WorkbookCellsFollowTheCommaTextRules) {
    SetResult({
        "a,\"b,c\",,d",                 // quoted comma, empty value
        "",                             // no cell
        "  ID  NAME\tX ",               // blanks and TABs separate unquoted values
        "\"say \"\"hi\"\"\",last,",     // doubled quotes; a final comma adds an empty value
        "\"open quote, to the end",     // no closing quote
        "表,ソ,\"表 ソ\"",              // double-byte characters whole
    });
    EXPECT_EQ(RunLine("#SaveToFileXLS book"), Lines{});
    const std::string b = Read(WorkDir + "book.xls");
    EXPECT_EQ(testutil::Hex(b.substr(8, 12)), "00 00 08 00 00 00 08 00 00 00 02 01");  // 6 lines + 2, 256 + 2
    EXPECT_EQ(bifftest::Labels(b), (std::vector<Cell>{
                                       {0, 0, "a"},
                                       {0, 1, "b,c"},
                                       {0, 2, ""},
                                       {0, 3, "d"},
                                       {2, 0, "ID"},
                                       {2, 1, "NAME"},
                                       {2, 2, "X"},
                                       {3, 0, "say \"hi\""},
                                       {3, 1, "last"},
                                       {3, 2, ""},
                                       {4, 0, "open quote, to the end"},
                                       {5, 0, "表"},
                                       {5, 1, "ソ"},
                                       {5, 2, "表 ソ"},
                                   }));
}

TEST_F(SaveResultTest, EmptyResultGivesTheBareWorkbook) {
    SetResult({});
    RunLine("#SaveToFileXLS empty");
    EXPECT_EQ(Read(WorkDir + "empty.xls").size(), 120u);
}

TEST_F(SaveResultTest, XlrdReadsTheExportedSheet) {
    Lines result = {"ID,NAME,MEMO", "1,山田,\"東京, 日本\"", "2,ｶﾅ," + std::string(254, 'm') + "表"};
    for (int i = 3; i < 16384; ++i) result.push_back(std::to_string(i));
    SetResult(result);
    RunLine("#SaveToFileXLS sheet.xls");
    std::vector<std::string> read = bifftest::ReadWithXlrd(WorkDir + "sheet.xls");
    ASSERT_GE(read.size(), 16u);
    EXPECT_EQ(read[0], "biff 20");
    EXPECT_EQ(read[1], "size 16384 3");
    EXPECT_EQ(read[2], u8"font ＭＳ Ｐゴシック 220 0 0 0");
    EXPECT_EQ(std::vector<std::string>(read.begin() + 6, read.begin() + 15),
              (std::vector<std::string>{"cell 0 0 ID", "cell 0 1 NAME", "cell 0 2 MEMO", "cell 1 0 1", u8"cell 1 1 山田",
                                        u8"cell 1 2 東京, 日本", "cell 2 0 2", u8"cell 2 1 ｶﾅ",
                                        "cell 2 2 " + std::string(254, 'm')}));
    EXPECT_EQ(read.back(), "cell 16383 0 16383");
}

TEST_F(SaveResultTest, TooManyRowsOrColumnsAreRefusedAndTheOldFileStays) {
    ASSERT_TRUE(fs932::WriteFileAtomic(WorkDir + "keep.xls", "old"));
    Lines rows(16385, "v");
    SetResult(rows);
    EXPECT_EQ(ErrorOf("#SaveToFileXLS keep.xls"),
              "EWriteBiff:XLS形式で保存できるのは 16384 行までです（結果は 16385 行あります）。ファイルは作成されませんでした");
    std::string wide;
    for (int i = 0; i < 257; ++i) wide += "c,";
    wide.pop_back();
    SetResult({"a", "b", wide});
    EXPECT_EQ(ErrorOf("#SaveToFileXLS keep.xls"),
              "EWriteBiff:XLS形式で保存できるのは 256 列までです（3 行目に 257 列あります）。ファイルは作成されませんでした");
    EXPECT_EQ(Read(WorkDir + "keep.xls"), "old");
    std::vector<fs932::DirEntry> entries;
    ASSERT_TRUE(fs932::ListDirectory(WorkDir, entries));
    EXPECT_EQ(entries.size(), 1u);
}

// The entries of a folder as the file system has them, whatever their names.
size_t RawEntryCount(const std::string& Folder) {
    size_t n = 0;
    if (DIR* d = opendir(fs932::ToNative(Folder).c_str())) {
        while (dirent* e = readdir(d)) n += std::string(e->d_name) != "." && std::string(e->d_name) != "..";
        closedir(d);
    }
    return n;
}

// A name with bytes CP932 does not map is refused, given or chosen: nothing
// is written under a name with a substitute in it.
TEST_F(SaveResultTest, NamesCP932CannotHoldAreRefusedAndNothingIsWritten) {
    struct Case {
        std::string command, given, shown;
    };
    const std::vector<Case> cases = {
        {"SaveToFile", "a\x82", "a?"},                // a lead byte with no trail byte: named as written
        {"SaveToFileXLS", "a\x82", "a?"},
        {"SaveToFile", "x\x81.txt", "x?.txt"},         // the "." after a lead byte is still the name's own
        {"SaveToFile", "\xFD.dat", "?.dat"},           // a byte that begins no character
        {"SaveToFileXLS", "b\x81\x20" "c.xls", "b? c.xls"},  // a lead byte before a blank
    };
    SetResult({"a"});
    const std::string refusal = "EFCreateError:ファイル名に、シフトJISで表せない文字が含まれています。このファイルは使えません。\r\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(testutil::Hex(c.given));
        EXPECT_EQ(ErrorOf("#" + c.command + " \"" + c.given + "\""), refusal + c.shown);
        SaveResultDialog().Chooser = [&](TSaveResultDialog& d) {
            d.FileName = WorkDir + c.given;
            return true;
        };
        EXPECT_EQ(ErrorOf("#" + c.command), refusal + WorkDir + c.shown);
        SaveResultDialog().Chooser = nullptr;
    }
    EXPECT_EQ(RawEntryCount(WorkDir), 0u);
}

TEST_F(SaveResultTest, AFileThatCannotBeWrittenIsAnError) {
    SetResult({"a"});
    for (const std::string command : {"SaveToFile", "SaveToFileXLS"}) {
        EXPECT_EQ(ErrorOf("#" + command + " \"no such/x.dat\""), "EFCreateError:ファイル no such/x.dat を作成できません");
        ASSERT_TRUE(fs932::CreateDir(WorkDir + "folder.dat"));
        EXPECT_EQ(ErrorOf("#" + command + " folder.dat"), "EFCreateError:ファイル folder.dat を作成できません");
        EXPECT_TRUE(fs932::DirectoryExists(WorkDir + "folder.dat"));
        rmdir(fs932::ToNative(WorkDir + "folder.dat").c_str());
    }
}

}  // namespace

// The module keeps one workbook-reader event surface for the whole program:
// every call reaches the same instance, events set once stay set, none is set at first.
TEST(SaveResultModule, OneReaderEventSurfaceIsKept) {
    TXBiff& biff = XBiff();
    EXPECT_EQ(&XBiff(), &biff);
    EXPECT_FALSE(biff.OnProgress);
    EXPECT_FALSE(biff.OnReadCell);
    EXPECT_FALSE(biff.OnReadColW);
    EXPECT_FALSE(biff.OnReadSheetName);
    int progress = -1;
    biff.OnProgress = [&](void*, int P) { progress = P; };
    XBiff().OnProgress(nullptr, 40);
    EXPECT_EQ(progress, 40);
    biff.OnProgress = nullptr;
}

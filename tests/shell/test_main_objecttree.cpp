// The main form and the object tree: the trees recorded with a saved
// connection are loaded through command lines, and the pane's width is recorded.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QSplitter>

#include "DM_MessageCenter.h"
#include "DbTestUtil.h"
#include "FileSystem.h"
#include "Form_Main.h"
#include "I_ConnectionStore.h"
#include "KZNMessageDlg.h"
#include "Reentrancy.h"
#include "MainTestUtil.h"
#include "TestUtil.h"
#include "U_ADODriver.h"
#include "U_ClientMessages.h"
#include "U_Form_Result.h"
#include "U_Frame_SQLClient.h"

namespace {

using Lines = std::vector<std::string>;

// One saved connection "X" to a SQLite file, with the trees A and "B C".
class TOneConnection : public IConnectionStore {
public:
    explicit TOneConnection(std::string Conn) : Conn(std::move(Conn)) {}
    int GetCount() override { return 1; }
    void GetSelectedName(std::string& Name) override { Name = "X"; }
    void GetConnectString(const std::string&, std::string& S) override { S = Conn; }
    void GetObjectTreeNames(const std::string&, std::string& S) override { S = "A,\"B C\""; }
    void SelectNode(const std::string&) override {}
    void SaveToFile() override {}
    std::string Conn;
};

struct MainObjectTreeTest : maintest::TMainFolderTest {
    MainObjectTreeTest() : TMainFolderTest("main-objtree") {}
    void SetUp() override {
        TMainFolderTest::SetUp();
        main = std::make_unique<TMain>();
    }
    void Send(uint32_t Msg) { TMainFolderTest::Send(Msg, Me()); }
    Lines ResultLines() { return TStringList(Client().ActiveResultPage()->Editor->Lines().GetText()).Items; }
};

TEST_F(MainObjectTreeTest, TreesOfTheSavedConnectionAreAddedThenShown) {
    EXPECT_NE(TMessageCenter::Find(mc::WM_MC_LOADOBJECTTREE), nullptr);
    EXPECT_NE(TMessageCenter::Find(mc::WM_MC_DESCTREESPLIT), nullptr);
    // Not connected: nothing runs.
    Send(mc::WM_MC_LOADOBJECTTREE);
    EXPECT_TRUE(ResultLines().empty() || ResultLines() == Lines{""});

    const std::string conn = dbtest::SqliteConn("main-objtree");
    main->ADODriver->ConnectionStoreFactory = [conn](TDriverInterfaceProp&) {
        return std::make_unique<TOneConnection>(conn);
    };
    ASSERT_TRUE(main->ADODriver->Connect("X"));
    Client().ActiveResultPage()->Editor->Lines().Clear();
    Send(mc::WM_MC_LOADOBJECTTREE);
    const Lines lines = ResultLines();
    auto at = [&](const std::string& s) { return std::find(lines.begin(), lines.end(), s) - lines.begin(); };
    const auto cleared = at("クリアしました"), a = at("オブジェクトツリーがありません [A]"),
               bc = at("オブジェクトツリーがありません [B C]");
    EXPECT_LT(cleared, a);
    EXPECT_LT(a, bc);
    EXPECT_LT(bc, static_cast<long>(lines.size()));
    main->ADODriver->Disconnect();
}

TEST_F(MainObjectTreeTest, PaneWidthIsRecorded) {
    Client().resize(800, 600);
    Client().Splitter_Desctree->setSizes({150, 600});
    Send(mc::WM_MC_DESCTREESPLIT);
    EXPECT_EQ(main->CloseTimeEnvData->DescTreePos, Client().Panel_DelcTreeBase->width());
}

}  // namespace

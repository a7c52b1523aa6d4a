// The main form under test: a fixture that gives it a folder of its own and
// catches its dialogs, and a UDL file maker for the connections it opens.
#pragma once
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <memory>
#include <string>
#include <vector>

#include "CP932.h"
#include "DM_MessageCenter.h"
#include "FileSystem.h"
#include "Form_Main.h"
#include "KZNMessageDlg.h"
#include "Reentrancy.h"
#include "TestUtil.h"
#include "U_Frame_SQLClient.h"
#include "WindowMessage.h"

namespace maintest {

// A UDL file: UTF-16LE with its byte-order mark, the connection string on the third line.
inline std::string UdlBytes(const std::string& ConnectionString) {
    std::u16string text = u"[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n" +
                          cp932::ToUtf16(ConnectionString) + u"\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

// The main form in a folder of its own: the program "lives" there (its
// settings file is there) and it is the current folder. Message boxes and the
// fatal-error dialog are caught in `notices` and `fatal`.
struct TMainFolderTest : ::testing::Test {
    explicit TMainFolderTest(const char* FolderName = "main") : folderName(FolderName) {}

    std::string dir;
    std::string oldDir;
    std::vector<std::string> notices;
    std::vector<std::string> fatal;
    std::unique_ptr<TMain> main;
    // TMain's hooks, the message presenter, the terminating flag and what a
    // test or a derived fixture installs besides; put back after main has gone.
    testutil::THookScope hooks;

    void SetUp() override {
        dir = testutil::TempFolder(folderName);
        ASSERT_FALSE(dir.empty());
        hooks.Keep(TMain::Hooks());
        TMain::Hooks() = TMain::THooks();
        TMain::Hooks().ProgramPath = dir + "Zintavor";
        TMain::Hooks().ShowFatalError = [this](QWidget*, const std::string& m) { fatal.push_back(m); };
        hooks.Set(SetMessageDlgPresenter, [this](const std::string& t, TMsgDlgType) { notices.push_back(t); });
        hooks.Set(reentry::SetTerminating, false);
        oldDir = fs932::GetCurrentDir();
        ASSERT_TRUE(fs932::SetCurrentDir(dir));
    }
    void TearDown() override {
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (!oldDir.empty()) fs932::SetCurrentDir(oldDir);
        hooks.Restore();
    }
    void Write(const std::string& Name, const std::string& Bytes) {
        ASSERT_TRUE(fs932::WriteFileAtomic(dir + Name, Bytes)) << Name;
    }
    TFrameSQLClient& Client() { return *main->SQLClient; }
    winmsg::WPARAM Me() { return reinterpret_cast<winmsg::WPARAM>(main->SQLClient.data()); }
    winmsg::LRESULT Send(uint32_t Msg, winmsg::WPARAM W = 0, winmsg::LPARAM L = 0) {
        return winmsg::SendMessage(main->MessageCenter->Handle(), Msg, W, L);
    }

private:
    const char* folderName;
};

}  // namespace maintest

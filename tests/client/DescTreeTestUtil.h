// Shared by the object tree tests: a window with a console for its result
// area, a definition folder written from a table of files, and the tree read
// back as indented captions.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include <QCoreApplication>

#include "ClientTestUtil.h"
#include "FileSystem.h"
#include "KZNTreeView.h"
#include "QtTestApp.h"
#include "TestUtil.h"
#include "U_DescTreeManager.h"
#include "U_Frame_SQLClient.h"
#include "WindowMessage.h"

namespace desctree_test {

using Lines = std::vector<std::string>;

class TTestFrame : public TFrameSQLClient {
public:
    using TFrameSQLClient::TFrameSQLClient;
    TResultConsole* ActiveResultConsole() override { return &Console; }
    clienttest::TLinesConsole Console;
};

// Files as (path below the program folder, contents); a path ending in '/' is a folder.
using Files = std::vector<std::pair<std::string, std::string>>;

inline void WriteFiles(const std::string& Folder, const Files& files) {
    for (const auto& [path, text] : files) {
        if (!path.empty() && path.back() == '/') {
            fs932::ForceDirectories(Folder + path);
            continue;
        }
        const std::string full = Folder + path;
        fs932::ForceDirectories(full.substr(0, full.rfind('/')));
        fs932::WriteFileAtomic(full, text);
    }
}

struct DescTreeFixture : testutil::WithApp {
    winmsg::TMessageWindow Centre;
    std::unique_ptr<TTestFrame> Frame;
    std::string Program;  // the program folder of the test
    bool Connected = false;
    std::vector<std::string> SQLs;

    explicit DescTreeFixture(const std::string& tag) {
        Program = testutil::TempFolder(tag);
        Frame = std::make_unique<TTestFrame>(nullptr, Centre.Handle());
        Frame->SQLDelimiter = ';';
        Frame->CommandPrefix = '#';
        Frame->ImportScriptFileNamePrefix = '@';
        Frame->OnIsConnected = [this](void*, bool& c) { c = Connected; };
        Manager().ChangeDelay = 0;
    }
    ~DescTreeFixture() {
        Frame.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    TDescTreeManager& Manager() { return *Frame->DescTreeManager; }
    TKZNTreeView& Tree() { return *Frame->TreeView_Desc; }

    // Writes the definition, names the shown trees and rebuilds.
    void Load(const Files& files, const Lines& trees) {
        WriteFiles(Program, files);
        Manager().SetProgramFolder(Program);
        for (const std::string& t : trees) EXPECT_TRUE(Manager().AddObjectTree(t)) << t;
        Manager().LoadObjectTrees();
    }

    // The node reached by captions from the top ("ObjectTree/Sales/Tables"); null when none.
    TTreeNodeEx* Find(const std::string& path) {
        TTreeNodeEx* node = nullptr;
        size_t at = 0;
        while (at <= path.size()) {
            size_t slash = path.find('/', at);
            if (slash == std::string::npos) slash = path.size();
            const std::string part = path.substr(at, slash - at);
            TTreeNodeEx* next = nullptr;
            const int n = node ? node->Count() : Tree().RootCount();
            for (int i = 0; i < n && !next; ++i) {
                TTreeNodeEx* c = node ? node->Item(i) : Tree().Root(i);
                if (c->Text() == part) next = c;
            }
            if (!next) return nullptr;
            node = next;
            at = slash + 1;
        }
        return node;
    }
    // Selects the node as a click does.
    TTreeNodeEx* Select(const std::string& path) {
        TTreeNodeEx* node = Find(path);
        if (node) {
            Tree().SetSelected(node);
            Manager().NodeSelected(node);
        }
        return node;
    }
    // The tree as captions, two blanks of indent per level.
    Lines Dump() {
        Lines out;
        Tree().ForEachNode([&](TTreeNodeEx* n) { out.push_back(std::string(2 * n->Level(), ' ') + n->Text()); });
        return out;
    }
    static Lines Params(TTreeNodeEx* n) { return TDescTreeManager::GetParams(n).Items; }
};

}  // namespace desctree_test

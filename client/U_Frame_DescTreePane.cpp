// The client window's object tree pane: the tree above its property pages,
// left of the script and result area, and the window's object tree members.
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

#include "AppException.h"
#include "KZNTreeView.h"
#include "U_ClientMessages.h"
#include "U_DescTreeManager.h"
#include "U_Frame_SQLClient.h"

void TFrameSQLClient::BuildDescTreePane() {
    Splitter_Desctree = new QSplitter(Qt::Horizontal, this);
    Splitter_Desctree->setChildrenCollapsible(false);
    Panel_DelcTreeBase = new QWidget(Splitter_Desctree);
    auto* paneLayout = new QVBoxLayout(Panel_DelcTreeBase);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    Splitter3 = new QSplitter(Qt::Vertical, Panel_DelcTreeBase);
    Splitter3->setChildrenCollapsible(false);
    TreeView_Desc = new TKZNTreeView(Splitter3);
    KZNTreeView_Desc_PopupMenu = new QMenu(TreeView_Desc);
    Panel_DescTreePropertyBase = new QWidget(Splitter3);
    auto* propLayout = new QVBoxLayout(Panel_DescTreePropertyBase);
    propLayout->setContentsMargins(0, 0, 0, 0);
    propLayout->setSpacing(1);
    Panel_DescTreeCurrentNode = new QLabel(Panel_DescTreePropertyBase);
    Panel_DescTreeCurrentNode->setFrameShape(QFrame::Panel);
    Panel_DescTreeCurrentNode->setFrameShadow(QFrame::Raised);
    PageControl_DescTreeProperty = new QTabWidget(Panel_DescTreePropertyBase);
    Label_DescTreeAddress = new QLabel(Panel_DescTreePropertyBase);
    propLayout->addWidget(Panel_DescTreeCurrentNode);
    propLayout->addWidget(PageControl_DescTreeProperty, 1);
    propLayout->addWidget(Label_DescTreeAddress);
    Splitter3->addWidget(TreeView_Desc);
    Splitter3->addWidget(Panel_DescTreePropertyBase);
    Splitter3->setStretchFactor(0, 1);
    // the property pages show a dozen rows, not just the two their tabs would leave
    PageControl_DescTreeProperty->setMinimumHeight(PageControl_DescTreeProperty->fontMetrics().lineSpacing() * 12);
    paneLayout->addWidget(Splitter3);
    Splitter_Desctree->addWidget(Panel_DelcTreeBase);
    Splitter_Desctree->addWidget(Panel_ClientBase);
    Splitter_Desctree->setStretchFactor(1, 1);
    Splitter_Desctree->setSizes({200, 600});
    setCentralWidget(Splitter_Desctree);

    auto moved = [this](int, int) {
        app::Guard([this] {
            mc::SendFromClient<mc::WM_MC_DESCTREESPLIT>(MessageWindowHandle, this);
        });
    };
    QObject::connect(Splitter_Desctree, &QSplitter::splitterMoved, this, moved);
    QObject::connect(Splitter3, &QSplitter::splitterMoved, this, moved);

    Action_DesctreeRefresh = new QAction(QString::fromUtf16(u"最新の状態に更新"), this);
    Action_DesctreeEdit = new QAction(QString::fromUtf16(u"ツリー構造を編集"), this);
    QObject::connect(Action_DesctreeRefresh, &QAction::triggered, this, [this] {
        app::Guard([this] { DescTreeManager->RefreshNode(TreeView_Desc->GetSelected()); });
    });
    QObject::connect(Action_DesctreeEdit, &QAction::triggered, this, [this] {
        app::Guard([this] { DescTreeManager->OpenNodeFolder(TreeView_Desc->GetSelected()); });
    });
}

std::string TFrameSQLClient::GetObjectTreeFolder() const { return DescTreeManager->RootFolder(); }
bool TFrameSQLClient::AddObjectTree(const std::string& Name) { return DescTreeManager->AddObjectTree(Name); }
void TFrameSQLClient::ClearObjectTrees() { DescTreeManager->ClearObjectTrees(); }
void TFrameSQLClient::LoadObjectTrees() { DescTreeManager->LoadObjectTrees(); }
bool TFrameSQLClient::IsObjectTreeShown(const std::string& Name) const {
    return DescTreeManager->IsObjectTreeShown(Name);
}

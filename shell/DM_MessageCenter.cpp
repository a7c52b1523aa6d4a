#include "DM_MessageCenter.h"

#include <iterator>

#include <QApplication>
#include <QWidget>

#include "Form_Main.h"
#include "StringList.h"
#include "U_ClientMessages.h"
#include "U_Frame_SQLClient.h"

namespace {

using winmsg::TMessage;

using mc::LinesOf;

// The messages and their handlers. A handler that needs a client window gets
// none only when the program has no client window at all.
const TMessageCenter::TRow kTable[] = {
    {mc::WM_MC_ENVEDIT, [](TMain& m, TFrameSQLClient* t, TMessage&) { m.ShowEnvEditor(t); }},
    {mc::WM_MC_ABOUT, [](TMain& m, TFrameSQLClient* t, TMessage&) { m.ShowAbout(t); }},
    {mc::WM_MC_UPDATECAPTION, [](TMain& m, TFrameSQLClient* t, TMessage&) { m.UpdateClientCaption(t); }},
    {mc::WM_MC_CLOSECLIENT, [](TMain& m, TFrameSQLClient* t, TMessage&) { m.CloseClient(t); }},
    {mc::WM_MC_REVIVESCRIPT, [](TMain& m, TFrameSQLClient* t, TMessage& msg) { m.ReviveScript(t, LinesOf(msg)); }},
    {mc::WM_MC_CLIENTACTIVATE, [](TMain& m, TFrameSQLClient* t, TMessage&) { m.SetCurrentTarget(t); }},
    {mc::WM_MC_CLIENTMOVE, [](TMain& m, TFrameSQLClient* t, TMessage&) { m.ClientMoved(t); }},
    {mc::WM_MC_CLIENTRESIZE, [](TMain& m, TFrameSQLClient* t, TMessage&) { m.ClientResized(t); }},
    {mc::WM_MC_CLIENTMAXIMIZE, [](TMain& m, TFrameSQLClient* t, TMessage&) { m.ClientMaximized(t); }},
    {mc::WM_MC_CLIENTRESTORE, [](TMain& m, TFrameSQLClient* t, TMessage&) { m.ClientRestored(t); }},
    {mc::WM_MC_ESCAPEREPLACECHANGE, [](TMain& m, TFrameSQLClient* t, TMessage&) { m.EscapeReplaceChanged(t); }},
    {mc::WM_MC_RELOADENV, [](TMain& m, TFrameSQLClient* t, TMessage&) { m.ReloadEnvironment(t); }},
    {mc::WM_MC_SCRIPTRESULTSPLIT, [](TMain& m, TFrameSQLClient* t, TMessage&) { m.ScriptResultSplitMoved(t); }},
    {mc::WM_MC_LOADOBJECTTREE, [](TMain& m, TFrameSQLClient* t, TMessage&) { m.LoadClientObjectTrees(t); }},
    {mc::WM_MC_DESCTREESPLIT, [](TMain& m, TFrameSQLClient* t, TMessage&) { m.DescTreeSplitMoved(t); }},
    {mc::WM_MC_CLIENTMINIMIZE, [](TMain& m, TFrameSQLClient*, TMessage&) { m.ClientMinimized(); }},
    {mc::WM_MC_SHOWHISTORY, [](TMain& m, TFrameSQLClient* t, TMessage&) { m.ShowHistory(t); }},
    {mc::WM_MC_ADDHISTORY, [](TMain& m, TFrameSQLClient*, TMessage& msg) { m.AddHistory(LinesOf(msg)); }},
    {mc::WM_MC_REVIVEHISTORY, [](TMain& m, TFrameSQLClient*, TMessage& msg) { m.ReviveHistory(LinesOf(msg)); }},
    {mc::WM_MC_ADDFAVORITE, [](TMain& m, TFrameSQLClient*, TMessage&) { m.AddFavoriteFromCurrent(); }},
    {mc::WM_MC_ADDCLIENTFAVORITE, [](TMain& m, TFrameSQLClient* t, TMessage&) { m.AddFavoriteFromClient(t); }},
    {mc::WM_MC_PREVHISTORY, [](TMain& m, TFrameSQLClient*, TMessage&) { m.PrevHistory(); }},
    {mc::WM_MC_NEXTHISTORY, [](TMain& m, TFrameSQLClient*, TMessage&) { m.NextHistory(); }},
    {mc::WM_MC_HISTORYSHOW, [](TMain& m, TFrameSQLClient*, TMessage&) { m.HistoryShown(); }},
    {mc::WM_MC_HISTORYCLOSE, [](TMain& m, TFrameSQLClient*, TMessage&) { m.HistoryClosed(); }},
    {mc::WM_MC_HISTORYRESIZE, [](TMain& m, TFrameSQLClient*, TMessage&) { m.HistoryResized(); }},
    {mc::WM_MC_HISTORYSPLIT, [](TMain& m, TFrameSQLClient*, TMessage&) { m.HistorySplitMoved(); }},
    {mc::WM_MC_HISTORYAUTOMOVE, [](TMain& m, TFrameSQLClient*, TMessage&) { m.HistoryAutoMoveChanged(); }},
};

}  // namespace

TMessageCenter::TMessageCenter(TMain& Owner)
    : MessageReceive(std::make_unique<TKZNInVisibleWindow>()), FOwner(Owner) {
    MessageReceive->OnReceiveMessage = [this](winmsg::TMessage& M) { MessageReceiveReceiveMessage(M); };
}

TMessageCenter::~TMessageCenter() { MessageReceive->OnReceiveMessage = nullptr; }

TMessageCenter::THandler TMessageCenter::Find(uint32_t Msg) {
    for (const TRow& row : kTable)
        if (row.Msg == Msg) return row.Handler;
    return nullptr;
}

TFrameSQLClient* TMessageCenter::ClientWindowOf(winmsg::WPARAM WParam) {
    if (WParam == 0) return nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* frame = dynamic_cast<TFrameSQLClient*>(w);
        if (frame && mc::ClientWindowParam(frame) == WParam) return frame;
    }
    return nullptr;
}

void TMessageCenter::MessageReceiveReceiveMessage(winmsg::TMessage& Message) {
    THandler handler = Find(Message.Msg);
    if (!handler) return;
    TFrameSQLClient* target = ClientWindowOf(Message.WParam);
    if (!target) target = FOwner.GetCurrentTarget();
    handler(FOwner, target, Message);
}

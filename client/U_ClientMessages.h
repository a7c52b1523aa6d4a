// The numbers of the window messages that the client window and its pages
// send to the message centre's hidden window, and the typed senders and
// readers of what they carry. wParam names the sending client window (the
// TFrameSQLClient object) or is 0 for the current one; the messages that carry
// a line list have it in lParam. Only this header casts either.
#pragma once
#include <cstdint>

#include "StringList.h"
#include "WindowMessage.h"

class TFrameSQLClient;

namespace mc {

using winmsg::WM_APP;
constexpr uint32_t WM_MC_ENVEDIT = WM_APP + 1;
constexpr uint32_t WM_MC_ABOUT = WM_APP + 2;
constexpr uint32_t WM_MC_UPDATECAPTION = WM_APP + 4;
constexpr uint32_t WM_MC_CLOSECLIENT = WM_APP + 5;
constexpr uint32_t WM_MC_SHOWHISTORY = WM_APP + 6;
constexpr uint32_t WM_MC_REVIVESCRIPT = WM_APP + 7;
constexpr uint32_t WM_MC_CLIENTACTIVATE = WM_APP + 8;
constexpr uint32_t WM_MC_CLIENTMOVE = WM_APP + 9;
constexpr uint32_t WM_MC_CLIENTRESIZE = WM_APP + 10;
constexpr uint32_t WM_MC_CLIENTMAXIMIZE = WM_APP + 11;
constexpr uint32_t WM_MC_CLIENTMINIMIZE = WM_APP + 12;
constexpr uint32_t WM_MC_CLIENTRESTORE = WM_APP + 13;
constexpr uint32_t WM_MC_BUNDLECHANGE = WM_APP + 14;
constexpr uint32_t WM_MC_ESCAPEREPLACECHANGE = WM_APP + 15;
constexpr uint32_t WM_MC_LOADOBJECTTREE = WM_APP + 44;
constexpr uint32_t WM_MC_RELOADENV = WM_APP + 1001;
constexpr uint32_t WM_MC_ADDHISTORY = WM_APP + 2001;
constexpr uint32_t WM_MC_REVIVEHISTORY = WM_APP + 2002;
constexpr uint32_t WM_MC_ADDFAVORITE = WM_APP + 2003;
constexpr uint32_t WM_MC_ADDCLIENTFAVORITE = WM_APP + 2004;
constexpr uint32_t WM_MC_PREVHISTORY = WM_APP + 2005;
constexpr uint32_t WM_MC_NEXTHISTORY = WM_APP + 2006;
constexpr uint32_t WM_MC_HISTORYSHOW = WM_APP + 2007;
constexpr uint32_t WM_MC_HISTORYCLOSE = WM_APP + 2008;
constexpr uint32_t WM_MC_DESCTREESPLIT = WM_APP + 2009;
constexpr uint32_t WM_MC_SCRIPTRESULTSPLIT = WM_APP + 2010;
constexpr uint32_t WM_MC_HISTORYRESIZE = WM_APP + 2011;
constexpr uint32_t WM_MC_HISTORYSPLIT = WM_APP + 2012;
constexpr uint32_t WM_MC_HISTORYAUTOMOVE = WM_APP + 2013;

// The messages whose lParam is a line list: the script to revive in the
// current page, the page's text for the history, and the page's text that
// the handler replaces with the current history entry.
constexpr bool CarriesLines(uint32_t Msg) {
    return Msg == WM_MC_REVIVESCRIPT || Msg == WM_MC_ADDHISTORY || Msg == WM_MC_REVIVEHISTORY;
}

// The wParam that names a client window; null names the current one.
inline winmsg::WPARAM ClientWindowParam(const TFrameSQLClient* Window) {
    return reinterpret_cast<winmsg::WPARAM>(Window);
}

// Sends (or posts) Msg on behalf of the client window From.
template <uint32_t Msg>
winmsg::LRESULT SendFromClient(winmsg::HWND To, const TFrameSQLClient* From = nullptr) {
    static_assert(!CarriesLines(Msg), "this message carries a line list: use SendLines");
    return winmsg::SendMessage(To, Msg, ClientWindowParam(From), 0);
}
// A result page names itself (WM_MC_BUNDLECHANGE): the centre finds no
// client window in it and takes the current one.
template <uint32_t Msg>
winmsg::LRESULT SendFromPage(winmsg::HWND To, const void* Page) {
    static_assert(!CarriesLines(Msg), "this message carries a line list: use SendLines");
    return winmsg::SendMessage(To, Msg, reinterpret_cast<winmsg::WPARAM>(Page), 0);
}
template <uint32_t Msg>
bool PostFromClient(winmsg::HWND To, const TFrameSQLClient* From = nullptr) {
    static_assert(!CarriesLines(Msg), "a line list cannot be posted: it must outlive the handler");
    return winmsg::PostMessage(To, Msg, ClientWindowParam(From), 0);
}

// Sends a message that carries Lines, for the current client window. The
// send is synchronous, so Lines outlives the handler, which may change it.
template <uint32_t Msg>
winmsg::LRESULT SendLines(winmsg::HWND To, TStringList& Lines) {
    static_assert(CarriesLines(Msg), "this message carries no line list");
    return winmsg::SendMessage(To, Msg, 0, reinterpret_cast<winmsg::LPARAM>(&Lines));
}

// The line list of a message that carries one.
inline TStringList& LinesOf(const winmsg::TMessage& M) { return *reinterpret_cast<TStringList*>(M.LParam); }

}  // namespace mc

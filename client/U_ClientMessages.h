// The numbers of the window messages that the client window and its pages
// send to the message centre's hidden window. wParam names the sending client
// window (the TFrameSQLClient object) or is 0 for the current one.
#pragma once
#include <cstdint>

#include "WindowMessage.h"

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

}  // namespace mc

#include "U_ConnectDriverInterfacePropImpl.h"

#include "U_Frame_SQLClient.h"

void TDriverInterfaceProp_ClientImpl::GetCurrentFolder(std::string& Folder) { Folder = Frame->GetActiveScriptFolder(); }

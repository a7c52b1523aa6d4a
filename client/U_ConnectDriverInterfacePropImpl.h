// The client window's side of the driver link: the driver's question for the
// current folder is answered with the folder of the active script page.
// There is no way to make one without its window.
#pragma once
#include <string>

#include "U_DriverInterface.h"

class TFrameSQLClient;

class TDriverInterfaceProp_ClientImpl : public TDriverInterfaceProp {
public:
    explicit TDriverInterfaceProp_ClientImpl(TFrameSQLClient* Frame) : Frame(Frame) {}
    void GetCurrentFolder(std::string& Folder) override;

    TFrameSQLClient* Frame;  // not owned
};

#include <gtest/gtest.h>

#include "U_DriverInterface.h"

namespace {
class ClientProp : public TDriverInterfaceProp {
public:
    void GetCurrentFolder(std::string& Folder) override { Folder = Current; }
    std::string Current;
};
}  // namespace

TEST(DriverInterfaceProp, DriverCopyIsEmptyUntilCopiedAndTakenOnce) {
    TDriverInterfaceProp_DriverImpl prop;
    std::string folder = "x";
    prop.GetCurrentFolder(folder);
    EXPECT_EQ(folder, "");

    ClientProp client;
    client.Current = "/work/scripts/";
    prop.CopyFrom(client);
    client.Current = "/elsewhere/";
    prop.GetCurrentFolder(folder);
    EXPECT_EQ(folder, "/work/scripts/");
}

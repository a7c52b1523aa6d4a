// What the ODBC driver manager has installed: its drivers and its data
// sources (user and system), for the connection-string dialog.
#pragma once
#include <string>
#include <vector>

namespace odbc {

struct TInstalledItem {
    std::string Name;         // CP932
    std::string Description;  // a driver's attributes ("key=value; ..."), a data source's driver
};

// Both lists are empty when the driver manager cannot be asked.
std::vector<TInstalledItem> InstalledDrivers();
std::vector<TInstalledItem> InstalledDataSources();

}  // namespace odbc

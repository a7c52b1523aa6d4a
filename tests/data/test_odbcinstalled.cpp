#include <gtest/gtest.h>

#include <cstdlib>

#include "FileSystem.h"
#include "OdbcInstalled.h"
#include "TestUtil.h"

namespace {
const odbc::TInstalledItem* Find(const std::vector<odbc::TInstalledItem>& items, const std::string& name) {
    for (const auto& i : items)
        if (i.Name == name) return &i;
    return nullptr;
}
}  // namespace

TEST(OdbcInstalled, ListsTheDriversAndDataSourcesOfTheDriverManager) {
    auto drivers = odbc::InstalledDrivers();
    const odbc::TInstalledItem* sqlite = Find(drivers, "SQLite3");
    ASSERT_NE(sqlite, nullptr);
    EXPECT_NE(sqlite->Description.find("Driver="), std::string::npos) << sqlite->Description;
    EXPECT_NE(Find(drivers, "PostgreSQL Unicode"), nullptr);

    std::string ini = testutil::TempFolder("odbcini") + "odbc.ini";
    // the driver manager reads its files as UTF-8
    ASSERT_TRUE(fs932::WriteFileAtomic(ini, u8"[開発DSN]\nDriver=SQLite3\nDatabase=/tmp/x.db\n"));
    setenv("ODBCINI", fs932::ToNative(ini).c_str(), 1);
    auto sources = odbc::InstalledDataSources();
    unsetenv("ODBCINI");
    const odbc::TInstalledItem* dsn = Find(sources, "開発DSN");
    ASSERT_NE(dsn, nullptr) << (sources.empty() ? std::string("none") : testutil::Hex(sources[0].Name));
    EXPECT_EQ(dsn->Description, "SQLite3");
}

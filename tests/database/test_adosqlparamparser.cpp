#include <gtest/gtest.h>

#include "U_ADOSQLParamParser.h"

TEST(ADOSQLParamParser, FindsFileMarkersOutsideLiteralsAndComments) {
    struct Case { const char* sql; std::vector<std::string> files; std::vector<std::string> others; };
    const Case cases[] = {
        {"insert into t values(<?FILE:/tmp/a.bin?>)", {"<?FILE:/tmp/a.bin?>"}, {}},
        {"select '<?FILE:x?>' -- <?FILE:y?>\n, /* <?FILE:z?> */ 1", {}, {}},
        {"values(<?file:b?>, <?FILE:B?>, <?FILE:a?>)", {"<?FILE:a?>", "<?file:b?>"}, {}},
        {"values(<?FILE:a<?x?>b?>)", {"<?FILE:a<?x?>b?>"}, {}},
        {"values(<?FILE:a.bin)", {}, {}},
        {"values(<?xml?>, <?FILE表:c?>, <?" "?>)", {"<?FILE表:c?>"}, {"<?" "?>", "<?xml?>"}},
        {"a <<?FILE:q?> ?<?FILE:r?>", {}, {}},   // the byte after "<" or a lone "?" is stepped over
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        TADOSQLParamParser p(c.sql);
        EXPECT_EQ(p.Files.Items, c.files);
        EXPECT_EQ(p.Others.Items, c.others);
    }
}

TEST(ADOSQLParamParser, ScannerErrorsPass) {
    EXPECT_THROW(TADOSQLParamParser("select '<?FILE:x?>"), ESQL99LiteralException);
}

#include <gtest/gtest.h>

#include "Exception.h"
#include "T_Integer.h"

TEST(IntegerList, BoxesValuesAndChangesThemInPlace) {
    TIntegerList l;
    EXPECT_EQ(l.Count(), 0);
    EXPECT_EQ(l.Add(10), 0);
    EXPECT_EQ(l.Add(-3), 1);
    EXPECT_EQ(l.Add(INT32_MAX), 2);
    EXPECT_EQ(l.Count(), 3);
    l.SetItems(1, 7);
    EXPECT_EQ(l.Items(0), 10);
    EXPECT_EQ(l.Items(1), 7);
    EXPECT_EQ(l.Items(2), INT32_MAX);
    for (int bad : {-1, 3}) {
        EXPECT_THROW(l.Items(bad), EListError);
        EXPECT_THROW(l.SetItems(bad, 0), EListError);
    }
    l.Clear();
    EXPECT_EQ(l.Count(), 0);
    EXPECT_THROW(l.Items(0), EListError);
    EXPECT_EQ(TInteger(5).Value, 5);
}

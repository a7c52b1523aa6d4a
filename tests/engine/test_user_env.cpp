#include <gtest/gtest.h>

#include "U_UserEnvManager.h"

TEST(UserEnvManager, NamesAreStoredUpperCasedAndFoundInAnyCase) {
    TUserEnvManager env;
    env.SetValue("abc", "1");
    env.SetValue("Other", "x");
    env.SetValue("ABC", "2");  // the same variable: new value, same place
    EXPECT_EQ(env.GetValue("aBc"), "2");
    ASSERT_EQ(env.Count(), 2);
    TEnvItem item;
    env.GetItem(0, item);
    EXPECT_EQ(item.Name, "ABC");
    EXPECT_EQ(item.Value, "2");
    env.GetItem(1, item);
    EXPECT_EQ(item.Name, "OTHER");
}

TEST(UserEnvManager, EmptyValueKeepsTheVariable) {
    TUserEnvManager env;
    env.SetValue("a", "");
    env.SetValue("b", "2");
    ASSERT_EQ(env.Count(), 2);
    TEnvItemArr items{{"stale", "x"}};
    env.GetEnvItems(items);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].Name, "A");
    EXPECT_EQ(items[0].Value, "");
    EXPECT_EQ(items[1].Name, "B");
    EXPECT_EQ(items[1].Value, "2");
    // A value equal to the marker reads as empty.
    env.SetValue("m", TUserEnvManager::EmptyValueMarker);
    EXPECT_EQ(env.GetValue("M"), "");
}

TEST(UserEnvManager, UnsetNamesReadEmptyAndClearRemovesAll) {
    TUserEnvManager env;
    EXPECT_EQ(env.GetValue("never"), "");
    env.SetValue("x", "1");
    env.Clear();
    EXPECT_EQ(env.Count(), 0);
    EXPECT_EQ(env.GetValue("x"), "");
}

TEST(UserEnvManager, IndexOutsideTheListIsRefused) {
    TUserEnvManager env;
    env.SetValue("x", "1");
    TEnvItem item;
    EXPECT_THROW(env.GetItem(-1, item), EListError);
    EXPECT_THROW(env.GetItem(1, item), EListError);
}

TEST(UserEnvManager, NameWithEqualsSignIsRefused) {
    TUserEnvManager env;
    try {
        env.SetValue("a=b", "1");
        FAIL() << "no error";
    } catch (const EUserEnvManager& e) {
        EXPECT_EQ(e.Message, "変数名に '=' は使えません [a=b]");
    }
    EXPECT_EQ(env.Count(), 0);
}

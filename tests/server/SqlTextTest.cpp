#include "server/SqlText.h"

#include <gtest/gtest.h>

using namespace qm;

TEST(SqlIdent, OrdinaryNamesStayOthersAreBracketedWithClosingBracketsDoubled) {
    const std::vector<std::string> ordinary = {"UFDATA_001_2015", "_x", "a@b#c$", "selection", std::string(128, 'a')};
    for (const auto& n : ordinary) EXPECT_EQ(SqlIdent(n), n) << n;
    // "@x" would be read as a variable, "#t" as a temporary object.
    // clang-format off
    const std::pair<std::string, std::string> cases[] = {
        {"UFDATA 001", "[UFDATA 001]"}, {"a]b", "[a]]b]"}, {"O'Brien", "[O'Brien]"}, {"1abc", "[1abc]"}, {"@x", "[@x]"},
        {"#t", "[#t]"}, {"账套001", "[账套001]"}, {"", "[]"}, {"select", "[select]"}, {"Default", "[Default]"},
        {std::string(129, 'a'), "[" + std::string(129, 'a') + "]"}};
    // clang-format on
    for (const auto& [name, quoted] : cases) EXPECT_EQ(SqlIdent(name), quoted) << name;
}

TEST(SqlLiteralBody, DoublesApostrophesOnly) {
    EXPECT_EQ(SqlLiteralBody("O'Brien"), "O''Brien");
    EXPECT_EQ(SqlLiteralBody("''"), "''''");
    EXPECT_EQ(SqlLiteralBody("D:\\Data\\a b]c.mdf"), "D:\\Data\\a b]c.mdf");
}

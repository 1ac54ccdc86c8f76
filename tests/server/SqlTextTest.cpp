#include "server/SqlText.h"

#include <gtest/gtest.h>

using namespace qm;

TEST(SqlIdent, OrdinaryNamesStayAsTheyAre) {
    for (const char* n : {"UFDATA_001_2015", "UFTSystem", "master", "_x", "a@b#c$", "Ufmodel_LOG", "x1"})
        EXPECT_EQ(SqlIdent(n), n) << n;
}

TEST(SqlIdent, OtherNamesAreBracketedWithClosingBracketsDoubled) {
    EXPECT_EQ(SqlIdent("UFDATA 001"), "[UFDATA 001]");
    EXPECT_EQ(SqlIdent("a]b"), "[a]]b]");
    EXPECT_EQ(SqlIdent("a[b"), "[a[b]");
    EXPECT_EQ(SqlIdent("O'Brien"), "[O'Brien]");
    EXPECT_EQ(SqlIdent("1abc"), "[1abc]");
    EXPECT_EQ(SqlIdent("$x"), "[$x]");
    EXPECT_EQ(SqlIdent("@x"), "[@x]");      // would be read as a variable
    EXPECT_EQ(SqlIdent("#t"), "[#t]");      // would be read as a temporary object
    EXPECT_EQ(SqlIdent("a-b"), "[a-b]");
    EXPECT_EQ(SqlIdent("a.b"), "[a.b]");
    EXPECT_EQ(SqlIdent("账套001"), "[账套001]");
    EXPECT_EQ(SqlIdent(""), "[]");
    EXPECT_EQ(SqlIdent("]"), "[]]]");
}

TEST(SqlIdent, ReservedWordsAreBracketedInAnyLetterCase) {
    EXPECT_EQ(SqlIdent("select"), "[select]");
    EXPECT_EQ(SqlIdent("Default"), "[Default]");
    EXPECT_EQ(SqlIdent("PLAN"), "[PLAN]");
    EXPECT_EQ(SqlIdent("selection"), "selection");
    EXPECT_FALSE(IsRegularIdentifier("Database"));
    EXPECT_TRUE(IsRegularIdentifier("Databases"));
}

TEST(SqlIdent, OverlongNamesAreBracketed) {
    std::string n(129, 'a');
    EXPECT_EQ(SqlIdent(n), "[" + n + "]");
    EXPECT_EQ(SqlIdent(std::string(128, 'a')), std::string(128, 'a'));
}

TEST(SqlLiteralBody, DoublesApostrophesOnly) {
    EXPECT_EQ(SqlLiteralBody("UFDATA_001_2015"), "UFDATA_001_2015");
    EXPECT_EQ(SqlLiteralBody("O'Brien"), "O''Brien");
    EXPECT_EQ(SqlLiteralBody("''"), "''''");
    EXPECT_EQ(SqlLiteralBody("D:\\Data\\a b]c.mdf"), "D:\\Data\\a b]c.mdf");
    EXPECT_EQ(SqlLiteralBody(""), "");
    EXPECT_EQ(SqlLiteralBody("账套'甲"), "账套''甲");
}

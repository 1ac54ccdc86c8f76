#include "server/ServerVersion.h"
#include "server/VersionClass.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace qm;

namespace {

std::string Name(std::string pv) { return GetVersionName(pv); }

} // namespace

TEST(VersionName, ExamplesOfTheKnownGenerations) {
    EXPECT_EQ(Name("8.00.2039"), "SQL Server 2000 SP4");
    EXPECT_EQ(Name("9.00.4035.00"), "SQL Server 2005 SP3");
    EXPECT_EQ(Name("9.00.1399.06"), "SQL Server 2005 ");
    EXPECT_EQ(Name("10.50.1600.1"), "SQL Server 2008 ");   // 2008 R2 counts as major 10
    EXPECT_EQ(Name("10.50.4000.0"), "SQL Server 2008 SP1");
    EXPECT_EQ(Name("10.00.1600.22"), "SQL Server 2008 ");
}

TEST(VersionName, UnknownMajorGivesTheRawTextWithTheDotAppended) {
    EXPECT_EQ(Name("11.0.2100.60"), "11.0.2100.60.");
    EXPECT_EQ(Name("12.0.2000.8"), "12.0.2000.8.");
    EXPECT_EQ(Name("15.0.2000.5"), "15.0.2000.5.");
    EXPECT_EQ(Name("7.00.623"), "7.00.623.");
    EXPECT_EQ(Name(""), ".");
    EXPECT_EQ(Name("abc"), "abc.");
}

TEST(VersionName, AppendsTheDotToTheCallersTextOnlyWhenMissing) {
    std::string pv = "9.00.4035.00";
    GetVersionName(pv);
    EXPECT_EQ(pv, "9.00.4035.00.");
    GetVersionName(pv);
    EXPECT_EQ(pv, "9.00.4035.00.");
    std::string ending = "11.0.2100.60.";
    EXPECT_EQ(GetVersionName(ending), "11.0.2100.60.");
}

TEST(VersionName, ServicePackRangeBoundaries) {
    const std::tuple<const char*, const char*> cases[] = {
        {"8.00.383", "SQL Server 2000 "},     {"8.00.384", "SQL Server 2000 SP1"},
        {"8.00.533", "SQL Server 2000 SP1"},  {"8.00.534", "SQL Server 2000 SP2"},
        {"8.00.759", "SQL Server 2000 SP2"},  {"8.00.760", "SQL Server 2000 SP3"},
        {"8.00.2038", "SQL Server 2000 SP3"}, {"8.00.2039", "SQL Server 2000 SP4"},
        {"8.00.194", "SQL Server 2000 "},
        {"9.00.2046.00", "SQL Server 2005 "},    {"9.00.2047.00", "SQL Server 2005 SP1"},
        {"9.00.3041.00", "SQL Server 2005 SP1"}, {"9.00.3042.00", "SQL Server 2005 SP2"},
        {"9.00.4034.00", "SQL Server 2005 SP2"}, {"9.00.4035.00", "SQL Server 2005 SP3"},
        {"9.00.5000.00", "SQL Server 2005 SP3"},
        {"10.0.2530.0", "SQL Server 2008 "},     {"10.0.2531.0", "SQL Server 2008 SP1"},
        {"10.0.5500.0", "SQL Server 2008 SP1"},
    };
    for (const auto& [pv, want] : cases) EXPECT_EQ(Name(pv), want) << pv;
}

TEST(VersionName, BuildReadsTheRevisionAsAFractionAndRoundsHalvesToEven) {
    EXPECT_EQ(Name("9.00.4034.5"), "SQL Server 2005 SP2");    // 4034.5 → 4034 (even)
    EXPECT_EQ(Name("9.00.4034.51"), "SQL Server 2005 SP3");   // 4034.51 → 4035
    EXPECT_EQ(Name("9.00.4033.5"), "SQL Server 2005 SP2");    // 4033.5 → 4034
    EXPECT_EQ(Name("9.00.2046.6"), "SQL Server 2005 SP1");    // 2046.6 → 2047
    EXPECT_EQ(Name("8.00.2038.5"), "SQL Server 2000 SP3");    // 2038.5 → 2038
    EXPECT_EQ(Name("8.00.2038.501"), "SQL Server 2000 SP4");
    // The text read is p3 - 1 characters long, so a long revision is cut: "2038.5000" → 2038.
    EXPECT_EQ(Name("8.00.2038.50001"), "SQL Server 2000 SP3");
}

TEST(VersionName, ShortVersionsReadTheBuildFromWhatIsThere) {
    EXPECT_EQ(Name("9.00"), "SQL Server 2005 ");   // no build field: build 0
    EXPECT_EQ(Name("8"), "SQL Server 2000 ");      // the search wraps to the major: build 8
    EXPECT_EQ(Name("8.00.2039."), "SQL Server 2000 SP4");
}

TEST(VersionName, NumbersBeyondSixteenBitsFail) {
    std::string error;
    std::string pv = "9.00.32767.0";
    EXPECT_EQ(GetVersionName(pv, error), "SQL Server 2005 SP3");
    EXPECT_TRUE(error.empty());

    for (const char* bad : {"9.00.32768.0", "9.00.32767.5", "9.00.99999", "40000.0.1.0", "9.00.1e9.0"}) {
        std::string text = bad, err;
        EXPECT_EQ(GetVersionName(text, err), "") << bad;
        EXPECT_EQ(err, "溢出") << bad;
    }
    std::string halfDown = "9.00.32766.5", err;
    EXPECT_EQ(GetVersionName(halfDown, err), "SQL Server 2005 SP3");
    EXPECT_TRUE(err.empty());
}

TEST(EditionName, KnownEditionsAfterTrimmingBlanks) {
    EXPECT_EQ(GetEditionName("Desktop Engine"), "MSDE");
    EXPECT_EQ(GetEditionName("Developer Edition"), "开发版");
    EXPECT_EQ(GetEditionName("Enterprise Edition"), "企业版");
    EXPECT_EQ(GetEditionName("Enterprise Evaluation Edition"), "企业评估版");
    EXPECT_EQ(GetEditionName("Personal Edition"), "个人版");
    EXPECT_EQ(GetEditionName("  Standard Edition "), "标准版");
}

TEST(EditionName, AnythingElsePassesThroughUntrimmed) {
    EXPECT_EQ(GetEditionName("Express Edition"), "Express Edition");
    EXPECT_EQ(GetEditionName("Enterprise Edition (64-bit)"), "Enterprise Edition (64-bit)");
    EXPECT_EQ(GetEditionName("standard edition"), "standard edition");   // letter case counts
    EXPECT_EQ(GetEditionName(" Express Edition "), " Express Edition ");
    EXPECT_EQ(GetEditionName("\tStandard Edition"), "\tStandard Edition");  // only blanks are trimmed
    EXPECT_EQ(GetEditionName(""), "");
}

TEST(VersionClassOf, TheNamedGenerationsOnly) {
    EXPECT_EQ(GetVersionClass("SQL Server 2000 SP4 个人版"), VersionClass::Sql2000);
    EXPECT_EQ(GetVersionClass("SQL Server 2005  标准版"), VersionClass::Sql2005);
    EXPECT_EQ(GetVersionClass("SQL Server 2008 SP1 Express Edition"), VersionClass::Sql2008);
    EXPECT_EQ(GetVersionClass("SQL Server 2008"), VersionClass::Sql2008);
}

TEST(VersionClassOf, NewerServersAndFailuresHaveNoClass) {
    EXPECT_EQ(GetVersionClass(""), VersionClass::None);
    EXPECT_EQ(GetVersionClass("11.0.2100.60. 标准版"), VersionClass::None);
    EXPECT_EQ(GetVersionClass("12.0.2000.8. 企业版"), VersionClass::None);      // contains "2000"
    EXPECT_EQ(GetVersionClass("15.0.2000.5. Developer Edition"), VersionClass::None);
    EXPECT_EQ(GetVersionClass("10.50.2008.0."), VersionClass::None);
    EXPECT_EQ(GetVersionClass("SQL Server 20081"), VersionClass::None);
    EXPECT_EQ(GetVersionClass(" SQL Server 2005"), VersionClass::None);
}

TEST(VersionClassOf, FollowsTheTextsGetVersionNameMakes) {
    const std::tuple<const char*, VersionClass> cases[] = {
        {"8.00.2039", VersionClass::Sql2000}, {"9.00.1399.06", VersionClass::Sql2005},
        {"10.50.1600.1", VersionClass::Sql2008}, {"12.0.2000.8", VersionClass::None},
        {"9.00.2008.0", VersionClass::Sql2005},
    };
    for (const auto& [pv, cls] : cases) EXPECT_EQ(GetVersionClass(Name(pv) + " 标准版"), cls) << pv;
}

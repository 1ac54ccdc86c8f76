#include "server/ServerVersion.h"

#include <gtest/gtest.h>

using namespace qm;

// Numbers beyond sixteen bits fail with the overflow text and no name.
TEST(VersionName, ServicePackBoundariesUnknownMajorsAndOverflow) {
    // clang-format off
    const std::pair<const char*, const char*> cases[] = {
        {"8.00.383", "SQL Server 2000 "},     {"8.00.384", "SQL Server 2000 SP1"},
        {"8.00.533", "SQL Server 2000 SP1"},  {"8.00.534", "SQL Server 2000 SP2"},
        {"8.00.759", "SQL Server 2000 SP2"},  {"8.00.760", "SQL Server 2000 SP3"},
        {"8.00.2038", "SQL Server 2000 SP3"}, {"8.00.2039", "SQL Server 2000 SP4"},
        {"9.00.2046.00", "SQL Server 2005 "},    {"9.00.2047.00", "SQL Server 2005 SP1"},
        {"9.00.3041.00", "SQL Server 2005 SP1"}, {"9.00.3042.00", "SQL Server 2005 SP2"},
        {"9.00.4034.00", "SQL Server 2005 SP2"}, {"9.00.4035.00", "SQL Server 2005 SP3"},
        {"10.0.2530.0", "SQL Server 2008 "},     {"10.0.2531.0", "SQL Server 2008 SP1"},
        {"10.50.1600.1", "SQL Server 2008 "},    // 2008 R2 counts as major 10
        // The revision is a fraction of the build, halves rounding to even; a long one is cut short.
        {"9.00.4034.5", "SQL Server 2005 SP2"},  {"9.00.4034.51", "SQL Server 2005 SP3"},
        {"9.00.4033.5", "SQL Server 2005 SP2"},  {"8.00.2038.50001", "SQL Server 2000 SP3"},
        {"9.00", "SQL Server 2005 "},            {"8", "SQL Server 2000 "},   // the search wraps to the major
        {"11.0.2999.0", "SQL Server 2012 "},     {"11.0.7000.0", "SQL Server 2012 SP3"},
        {"11.0.7001.0", "SQL Server 2012 SP4"},  {"12.0.4100.1", "SQL Server 2014 SP1"},
        {"12.0.6024.0", "SQL Server 2014 SP3"},  {"13.0.4000.0", "SQL Server 2016 "},
        {"13.0.5026.0", "SQL Server 2016 SP2"},  {"14.0.3456.2", "SQL Server 2017 "},
        {"17.0.1000.7", "SQL Server 2025 "},     {"18.0.1000.1", "18.0.1000.1."},
        {"7.00.623", "7.00.623."},               {"", "."},
        {"9.00.32767.0", "SQL Server 2005 SP3"}, {"9.00.32766.5", "SQL Server 2005 SP3"},
        {"9.00.32768.0", ""}, {"9.00.32767.5", ""}, {"40000.0.1.0", ""}, {"9.00.1e9.0", ""},
    };
    // clang-format on
    VersionClass cls;
    for (const auto& [pv, want] : cases) {
        std::string text = pv, err;
        EXPECT_EQ(GetVersionName(text, cls, err), want) << pv;
        EXPECT_EQ(err, *want ? "" : "溢出") << pv;
    }
    // The caller's text gets the trailing dot, once.
    std::string pv = "9.00.4035.00", err;
    GetVersionName(pv, cls, err);
    GetVersionName(pv, cls, err);
    EXPECT_EQ(pv, "9.00.4035.00.");
}

TEST(EditionName, KnownEditionsAfterTrimmingBlanksOthersUntouched) {
    const std::pair<const char*, const char*> cases[] = {
        {"Desktop Engine", "MSDE"},       {"Developer Edition", "开发版"},
        {"Enterprise Edition", "企业版"}, {"Enterprise Evaluation Edition", "企业评估版"},
        {"Personal Edition", "个人版"},   {"  Standard Edition ", "标准版"}};
    for (const auto& [edition, name] : cases) EXPECT_EQ(GetEditionName(edition), name) << edition;
    for (const char* other : {" Express Edition ", "standard edition", "\tStandard Edition", ""})
        EXPECT_EQ(GetEditionName(other), other);
}

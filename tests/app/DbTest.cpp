// The connection text start-up builds; opening it and reading values are met in the start-up, discovery
// and repair scenarios.
#include "app/Db.h"

#include <gtest/gtest.h>

using namespace qm;

TEST(ConnectionString, ExactTextAndValuesThatWouldBreakItQuotedWhole) {
    EXPECT_EQ(BuildConnectionString("SRV\\SQL2005", "master", "sa", ""),
              "Provider=SQLOLEDB;Server=SRV\\SQL2005;Database=master;Uid=sa;Pwd=;");
    EXPECT_EQ(BuildConnectionString("s", "master", "sa", "a;b"),
              "Provider=SQLOLEDB;Server=s;Database=master;Uid=sa;Pwd={a;b};");
    EXPECT_EQ(BuildConnectionString("s", "master", "sa", " pw "),
              "Provider=SQLOLEDB;Server=s;Database=master;Uid=sa;Pwd={ pw };");
    EXPECT_EQ(BuildConnectionString("s", "master", "sa", "{x}y"),
              "Provider=SQLOLEDB;Server=s;Database=master;Uid=sa;Pwd={{x}}y};");
}

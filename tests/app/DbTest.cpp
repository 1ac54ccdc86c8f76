// The connection text start-up builds; opening it and reading values are met in the start-up, discovery
// and repair scenarios.
#include "app/Db.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

using namespace qm;

// Plain values stand bare; any other value is read back whole by the same rule the drivers' side reads.
TEST(ConnectionString, ExactTextAndEveryValueReadBackWhole) {
    EXPECT_EQ(BuildConnectionString("SRV\\SQL2005", "master", "sa", ""),
              "Provider=SQLOLEDB;Server=SRV\\SQL2005;Database=master;Uid=sa;Pwd=;");
    for (const std::string pwd : {"a;b", " pw ", "{x}y", "x}y{", "'q'", "\"q", "p\t"}) {
        const auto items = ParseConnectionText(BuildConnectionString("s", "master", "sa", pwd));
        EXPECT_EQ(FirstConnectionItem(items, {"Pwd"}), pwd);
    }
}

// The portable side of the automation layer: values as a late-bound caller reads them and the null-safe
// calls.
#include "LoginFixture.h"

using namespace qm;

namespace {

TEST(Automation, NullObjectFailsWithNoObjectAndAFailedCallLeavesTheResultEmpty) {
    std::shared_ptr<AutomationObject> none;
    AutoValue v = AutoValue::Text("stale");
    AutoError err;
    EXPECT_FALSE(AutoCall(none, "Login", {}, v, err));
    EXPECT_TRUE(v.isEmpty());
    EXPECT_EQ(err.number, 91);
    EXPECT_EQ(err.description, "对象变量或 With 块变量未设置");
    err.Clear();
    EXPECT_FALSE(AutoGet(none, "LogState", v, err));
    EXPECT_EQ(err.number, 91);
    err.Clear();
    EXPECT_FALSE(AutoSet(none, "cUsername", AutoValue::Text("Admin"), err));
    EXPECT_EQ(err.number, 91);

    auto obj = std::make_shared<qmtest::FakeObject>();
    obj->methods["Half"] = [](const std::vector<AutoValue>&, AutoValue& r, AutoError& e) {
        r = AutoValue::Number(1);  // a partial result must not leak out
        e = AutoError::Make(5);
        return false;
    };
    EXPECT_FALSE(AutoCall(obj, "Half", {}, v, err));
    EXPECT_TRUE(v.isEmpty());
    EXPECT_EQ(err.number, 5);
    EXPECT_EQ(err.description, "自动化错误");
}

// The wrapper compares LogState with 100 and names databases from ciyear, whatever type they come in.
TEST(Automation, ValuesReadAsTextAndNumber) {
    EXPECT_EQ(AutoValue::Number(2015).toText(), "2015");
    EXPECT_EQ(AutoValue::Number(1.5).toText(), "1.5");
    EXPECT_EQ(AutoValue::Bool(true).toText(), "True");
    EXPECT_EQ(AutoValue::Text(" 100 ").toNumber(), 100);
    EXPECT_EQ(AutoValue::Text("100x").toNumber(), 0);
    EXPECT_EQ(AutoValue::Bool(true).toNumber(), -1);
}

} // namespace

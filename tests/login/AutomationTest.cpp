// The null-safe calls of the automation layer; values crossing a real IDispatch are met by the login
// tests under Wine.
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

} // namespace

// The null-safe calls of the automation layer; values crossing a real IDispatch are met by the login
// tests under Wine.
#include "LoginFixture.h"

using namespace qm;

namespace {

TEST(Automation, NullObjectFailsWithNoObjectAndAFailedCallLeavesTheResultEmpty) {
    std::shared_ptr<AutomationObject> none;
    AutoValue v = AutoValue::Text("stale");
    AutoError err;
    for (int call = 0; call < 3; ++call) {
        err.Clear();
        EXPECT_FALSE(call == 0   ? AutoCall(none, "Login", {}, v, err)
                     : call == 1 ? AutoGet(none, "LogState", v, err)
                                 : AutoSet(none, "cUsername", AutoValue::Text("Admin"), err));
        EXPECT_EQ(std::to_string(err.number) + " " + err.description, "91 对象变量或 With 块变量未设置") << call;
    }
    EXPECT_TRUE(v.isEmpty());

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

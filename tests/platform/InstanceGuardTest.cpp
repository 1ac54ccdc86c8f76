// The single-instance guard: a second copy is refused while the first runs, also in another process on
// Windows, where a crashed first copy must not keep it; copies in other folders may run side by side.
#include "platform/LocalInstanceGuard.h"

#ifdef _WIN32
#include "OtherProcess.h"
#endif

#include <gtest/gtest.h>

#include <chrono>

using namespace qm;

namespace {
std::string UniqueKey() {
    return "C:\\工具\\quillmere-test\\" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
}
} // namespace

#ifdef _WIN32
TEST(InstanceGuard, ASecondCopyIsRefusedWhileTheFirstRunsEvenIfItCrashes) {
    for (bool crash : {false, true}) {
        SCOPED_TRACE(crash);
        const std::string key = UniqueKey();
        qmtest::OtherProcess first;
        ASSERT_TRUE(first.Start("guard", key));
        LocalInstanceGuard second, other;
        EXPECT_FALSE(second.TryAcquire(key));
        EXPECT_TRUE(other.TryAcquire(key + "\\another folder"));
        if (crash) first.Kill();
        else first.Release();
        EXPECT_TRUE(second.TryAcquire(key));
        EXPECT_TRUE(second.TryAcquire(key)); // asking again keeps the hold
    }
}
#endif

TEST(InstanceGuard, TheHoldEndsWithTheGuardAndLockNamesDependOnTheKey) {
    const std::string key = UniqueKey();
    {
        LocalInstanceGuard g, h;
        ASSERT_TRUE(g.TryAcquire(key));
        EXPECT_FALSE(h.TryAcquire(key)); // also within one process
    }
    LocalInstanceGuard again;
    EXPECT_TRUE(again.TryAcquire(key));
    EXPECT_NE(InstanceLockName("a"), InstanceLockName("b"));
}

#include "platform/LocalInstanceGuard.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qm;

namespace {

// A second copy of the program: a child process that takes the key, reports on a pipe, and holds it until
// `release` is closed or it is killed. Returns the child's id, or -1 when it did not get the key.
pid_t StartHolder(const std::string& key, int& release) {
    int ready[2], hold[2];
    if (::pipe(ready) != 0 || ::pipe(hold) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        LocalInstanceGuard guard;
        const char answer = guard.TryAcquire(key) ? 'y' : 'n';
        (void)!::write(ready[1], &answer, 1);
        ::close(hold[1]);
        char c;
        while (::read(hold[0], &c, 1) > 0) {
        }
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(hold[0]);
    release = hold[1];
    pollfd p{ready[0], POLLIN, 0};
    char answer = 0;
    const bool ok = ::poll(&p, 1, 10000) == 1 && ::read(ready[0], &answer, 1) == 1 && answer == 'y';
    ::close(ready[0]);
    return ok ? pid : -1;
}

std::string UniqueKey() {
    return "/opt/quillmere-test/" + std::to_string(::getpid()) + "/" +
           std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
}

} // namespace

TEST(InstanceGuard, ASecondCopyIsRefusedWhileTheFirstRunsEvenIfItCrashes) {
    for (bool crash : {false, true}) {
        SCOPED_TRACE(crash);
        const std::string key = UniqueKey();
        int release = -1;
        const pid_t first = StartHolder(key, release);
        ASSERT_GT(first, 0);
        LocalInstanceGuard second, other;
        EXPECT_FALSE(second.TryAcquire(key));
        EXPECT_TRUE(other.TryAcquire(key + "/another folder"));  // a copy in another folder may run
        if (crash) ::kill(first, SIGKILL);
        ::close(release);
        int status;
        ::waitpid(first, &status, 0);
        EXPECT_TRUE(second.TryAcquire(key));
        EXPECT_TRUE(second.TryAcquire(key));  // asking again keeps the hold
    }
}

TEST(InstanceGuard, TheHoldEndsWithTheGuardAndLockNamesDependOnTheKeyOnly) {
    const std::string key = UniqueKey();
    {
        LocalInstanceGuard g, h;
        ASSERT_TRUE(g.TryAcquire(key));
        EXPECT_FALSE(h.TryAcquire(key));  // also within one process
    }
    LocalInstanceGuard again;
    EXPECT_TRUE(again.TryAcquire(key));
    EXPECT_NE(InstanceLockName("a"), InstanceLockName("b"));
    EXPECT_EQ(InstanceLockName("x").size(), std::string("quillmere-").size() + 16);
}

#include "platform/LocalInstanceGuard.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qm;

namespace {

// A second copy of the program: a child process that takes the key, reports on `ready`, and holds it
// until `release` is closed (or it is killed).
struct HolderProcess {
    pid_t pid = -1;
    int release = -1;  // parent's write end; closing it lets the child exit

    bool start(const std::string& key) {
        int ready[2], hold[2];
        if (::pipe(ready) != 0 || ::pipe(hold) != 0) return false;
        pid = ::fork();
        if (pid < 0) return false;
        if (pid == 0) {
            ::close(ready[0]);
            ::close(hold[1]);
            LocalInstanceGuard guard;
            const char answer = guard.TryAcquire(key) ? 'y' : 'n';
            (void)!::write(ready[1], &answer, 1);
            char c;
            while (::read(hold[0], &c, 1) > 0) {
            }
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(hold[0]);
        release = hold[1];
        // Wait (bounded) for the child to say whether it holds the key.
        pollfd p{ready[0], POLLIN, 0};
        char answer = 0;
        const bool ok = ::poll(&p, 1, 10000) == 1 && ::read(ready[0], &answer, 1) == 1 && answer == 'y';
        ::close(ready[0]);
        return ok;
    }
    void exitNormally() {
        ::close(release);
        int status;
        ::waitpid(pid, &status, 0);
    }
    void crash() {
        ::kill(pid, SIGKILL);
        int status;
        ::waitpid(pid, &status, 0);
        ::close(release);
    }
};

std::string UniqueKey(const char* what) {
    return std::string("/opt/quillmere-test/") + what + "/" + std::to_string(::getpid()) + "/" +
           std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
}

} // namespace

TEST(InstanceGuard, ASecondCopyIsRefusedWhileTheFirstRuns) {
    const std::string key = UniqueKey("exit");
    HolderProcess first;
    ASSERT_TRUE(first.start(key));
    {
        LocalInstanceGuard second;
        EXPECT_FALSE(second.TryAcquire(key));
        LocalInstanceGuard other;
        EXPECT_TRUE(other.TryAcquire(key + "/another folder"));  // a copy in another folder may run
    }
    first.exitNormally();
    LocalInstanceGuard later;
    EXPECT_TRUE(later.TryAcquire(key));
    EXPECT_TRUE(later.TryAcquire(key));  // asking again keeps the hold
}

TEST(InstanceGuard, ACrashedCopyDoesNotKeepTheKey) {
    const std::string key = UniqueKey("crash");
    HolderProcess first;
    ASSERT_TRUE(first.start(key));
    LocalInstanceGuard second;
    EXPECT_FALSE(second.TryAcquire(key));
    first.crash();
    EXPECT_TRUE(second.TryAcquire(key));
}

TEST(InstanceGuard, TheHoldEndsWithTheGuardAndLockNamesDependOnTheKeyOnly) {
    const std::string key = UniqueKey("scope");
    {
        LocalInstanceGuard g;
        ASSERT_TRUE(g.TryAcquire(key));
        LocalInstanceGuard h;
        EXPECT_FALSE(h.TryAcquire(key));  // also within one process
    }
    LocalInstanceGuard again;
    EXPECT_TRUE(again.TryAcquire(key));
    EXPECT_EQ(InstanceLockName("a"), InstanceLockName("a"));
    EXPECT_NE(InstanceLockName("a"), InstanceLockName("b"));
    EXPECT_EQ(InstanceLockName("x").size(), std::string("quillmere-").size() + 16);
}

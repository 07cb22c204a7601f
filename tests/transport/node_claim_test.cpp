// Claiming driver nodes: lowest free node first, never one node twice, across
// camera objects and processes, and no claim outlives a dead process.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "camera/transport/driver_channel.h"
#include "support/recording_node.h"

namespace qcx {
namespace {

using test::RecordingProvider;

// Runs `body` in a child process that reports the node it claimed through a
// pipe, then waits for the parent's word before it ends (or dies).
struct ChildClaim {
    pid_t pid = -1;
    int toChild = -1;
    int node = -2;

    static ChildClaim Start(RecordingProvider& provider) {
        int up[2], down[2];
        EXPECT_EQ(pipe(up), 0);
        EXPECT_EQ(pipe(down), 0);
        ChildClaim child;
        child.pid = fork();
        if (child.pid == 0) {
            NodeDirectory directory({&provider});
            DriverChannel channel(directory);
            const int node = channel.Open() == 1 ? channel.NodeNumber() : -1;
            (void)!write(up[1], &node, sizeof node);
            char go;
            (void)!read(down[0], &go, 1);
            _exit(0);
        }
        close(up[1]);
        close(down[0]);
        EXPECT_EQ(read(up[0], &child.node, sizeof child.node), static_cast<ssize_t>(sizeof child.node));
        close(up[0]);
        child.toChild = down[1];
        return child;
    }
    void Finish() {
        char go = 1;
        (void)!write(toChild, &go, 1);
        close(toChild);
        waitpid(pid, nullptr, 0);
    }
    void Kill() {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        close(toChild);
    }
};

TEST(NodeClaimTest, CameraObjectsInOneProcessTakeTheLowestFreeNodes) {
    RecordingProvider provider(3);
    NodeDirectory directory({&provider});
    DriverChannel first(directory), second(directory), third(directory), fourth(directory);
    ASSERT_EQ(first.Open(), 1);
    ASSERT_EQ(second.Open(), 1);
    ASSERT_EQ(third.Open(), 1);
    EXPECT_EQ(first.NodeNumber(), 0);
    EXPECT_EQ(second.NodeNumber(), 1);
    EXPECT_EQ(third.NodeNumber(), 2);
    EXPECT_EQ(fourth.Open(), -8) << "no node left";

    // A lower node that becomes free is taken by the next object that opens.
    first.Close();
    EXPECT_EQ(fourth.Open(), 1);
    EXPECT_EQ(fourth.NodeNumber(), 0);
}

TEST(NodeClaimTest, TwoProcessesClaimNodesZeroAndOne) {
    RecordingProvider provider(2);
    ChildClaim child = ChildClaim::Start(provider);
    EXPECT_EQ(child.node, 0);

    NodeDirectory directory({&provider});
    DriverChannel channel(directory);
    ASSERT_EQ(channel.Open(), 1);
    EXPECT_EQ(channel.NodeNumber(), 1);
    child.Finish();
}

TEST(NodeClaimTest, ClaimOfACrashedProcessIsReleased) {
    RecordingProvider provider(1);
    ChildClaim child = ChildClaim::Start(provider);
    ASSERT_EQ(child.node, 0);

    NodeDirectory directory({&provider});
    DriverChannel channel(directory);
    EXPECT_EQ(channel.Open(), -8) << "node 0 is held by the child";
    child.Kill();
    ASSERT_EQ(channel.Open(), 1);
    EXPECT_EQ(channel.NodeNumber(), 0);
}

TEST(NodeDirectoryTest, NumbersProvidersOneAfterTheOtherAndCapsAt32) {
    RecordingProvider usb(2), simulated(40);
    NodeDirectory directory({&usb, &simulated});
    EXPECT_EQ(directory.CountNodes(), 32);
    EXPECT_EQ(simulated.firstNode, 2);
    ASSERT_NE(directory.OpenNode(2), nullptr);
    EXPECT_EQ(usb.opens, 0);
    EXPECT_EQ(simulated.opens, 1);
    EXPECT_EQ(directory.OpenNode(32), nullptr);
    EXPECT_EQ(directory.OpenNode(-1), nullptr);

    // An unplugged USB camera shifts the simulated nodes down.
    usb.gone = 1;
    EXPECT_EQ(directory.CountNodes(), 32);
    EXPECT_EQ(simulated.firstNode, 1);
}

}  // namespace
}  // namespace qcx

// Claiming driver nodes across processes (no claim outlives a dead process),
// and the numbering of the node providers. Lowest-free-node claims within one
// process are checked with the camera object's lifecycle.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "camera/transport/driver_channel.h"
#include "support/recording_node.h"

namespace qcx {
namespace {

using test::RecordingProvider;

// Claims a node in a child process, which reports the node through a pipe
// and then waits to be killed.
pid_t ClaimInChild(RecordingProvider& provider, int* node) {
    int up[2];
    EXPECT_EQ(pipe(up), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        NodeDirectory directory({&provider});
        DriverChannel channel(directory);
        const int claimed = channel.Open() == 1 ? channel.NodeNumber() : -1;
        (void)!write(up[1], &claimed, sizeof claimed);
        for (;;) pause();
    }
    close(up[1]);
    EXPECT_EQ(read(up[0], node, sizeof *node), static_cast<ssize_t>(sizeof *node));
    close(up[0]);
    return pid;
}

TEST(NodeClaimTest, AClaimOfAnotherProcessHoldsUntilThatProcessDies) {
    RecordingProvider provider(1);
    int node = -2;
    const pid_t child = ClaimInChild(provider, &node);
    ASSERT_EQ(node, 0);
    NodeDirectory directory({&provider});
    DriverChannel channel(directory);
    EXPECT_EQ(channel.Open(), -8) << "node 0 is held by the child";
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
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

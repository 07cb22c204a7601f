// Claiming driver nodes across processes (no claim outlives a dead process),
// and the numbering of the node providers. Lowest-free-node claims within one
// process are checked with the camera object's lifecycle.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "camera/platform/node_claim.h"
#include "camera/transport/driver_channel.h"
#include "support/recording_node.h"
#include "support/temp_folder.h"

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

// A claim file another user made must be lockable too: a new one is
// readable and writable by everyone whatever the umask, and an existing one
// that only grants reading still takes the lock.
TEST(NodeClaimTest, ClaimFilesAreMadeForEveryUserAndReadOnlyOnesStillLock) {
    test::TempFolder folder;
    setenv("QCX_LOCK_DIR", folder.Path().c_str(), 1);
    const mode_t saved = umask(022);
    {
        const auto claim = NodeClaim::TryClaim(5);
        ASSERT_NE(claim, nullptr);
        struct stat info {};
        ASSERT_EQ(stat((folder.Path() + "/qxCamera5.lock").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0666u);
    }
    const std::string readOnly = folder.Path() + "/qxCamera6.lock";
    close(open(readOnly.c_str(), O_CREAT | O_WRONLY, 0444));
    chmod(readOnly.c_str(), 0444);
    const auto claim = NodeClaim::TryClaim(6);
    EXPECT_NE(claim, nullptr);
    EXPECT_EQ(NodeClaim::TryClaim(6), nullptr) << "held by the claim above";
    umask(saved);
    unsetenv("QCX_LOCK_DIR");
}

// Cameras that name their claims, as USB nodes name theirs by their place on
// the bus; listed in node order, an empty name being a node that does not open.
struct NamedCameras : NodeProvider {
    struct Node : test::RecordingNode {
        explicit Node(std::string name)
            : RecordingNode(std::make_shared<test::RecordingNodeState>()), name(std::move(name)) {}
        std::string ClaimName(int) const override { return name; }
        std::string name;
    };
    int CountNodes() override { return static_cast<int>(names.size()); }
    std::unique_ptr<DriverNode> OpenNode(int i) override {
        if (names.at(i).empty()) return nullptr;
        return std::make_unique<Node>(names.at(i));
    }
    std::vector<std::string> names;
};

TEST(NodeClaimTest, AClaimNamedByTheCameraFollowsItAcrossNodeNumbers) {
    NamedCameras cameras;
    cameras.names = {"camera-x", "camera-y"};
    NodeDirectory directory({&cameras});
    DriverChannel x(directory), y(directory), third(directory);
    ASSERT_EQ(x.Open(), 1);
    ASSERT_EQ(y.Open(), 1);

    cameras.names = {"camera-y"};  // X unplugged, its object still open: Y moves to node 0
    y.Close();
    ASSERT_EQ(y.Open(), 1) << "X's object holds X, not the number 0";
    EXPECT_EQ(y.NodeNumber(), 0);

    cameras.names = {"", "camera-y"};
    EXPECT_EQ(third.Open(), -8) << "Y is held, whichever its number";
    cameras.names = {"camera-w"};
    ASSERT_EQ(third.Open(), 1) << "another camera at the number Y was claimed at";
    EXPECT_EQ(third.NodeNumber(), 0);
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

#include "sim/sim_node_provider.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <vector>

#include "qcxsim.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t kUntouched = 0xEE;

// Every test starts from a process without simulated cameras.
class SimNodes : public ::testing::Test {
protected:
    void SetUp() override { Provider().Reset(); }
    void TearDown() override {
        unsetenv("QCX_SIM");
        Provider().Reset();
    }
    static SimNodeProvider& Provider() { return SimNodeProvider::Instance(); }
    static void SetList(const char* text) { setenv("QCX_SIM", text, 1); }

    static std::optional<Bytes> Request(DriverNode& node, std::uint8_t type, std::uint8_t request,
                                        std::uint16_t value, std::uint16_t index, Bytes data) {
        const SetupPacket setup{type, request, value, index, static_cast<std::uint16_t>(data.size())};
        const auto record = RequestRecord::FromSetup(setup, data.data()).Encode();
        if (!node.IoControl(kVendorIoControlCode, record, data.data(),
                            static_cast<std::uint32_t>(data.size()))) {
            return std::nullopt;
        }
        return data;
    }
    static std::optional<Bytes> Info(DriverNode& node) {
        return Request(node, vendor::kTypeIn, vendor::kDeviceInformation, 0, 0, Bytes(5, kUntouched));
    }
    static int TypeAt(int node) {
        int type = -1;
        return QCXSimDescribe(node, &type, nullptr, nullptr) == QCXSIM_OK ? type : -1;
    }
};

TEST_F(SimNodes, UnpluggedCameraLeavesAGapThatLaterCamerasFill) {
    SetList("21,8,17");
    Provider().SetFirstNodeNumber(2);
    auto nodeOf8 = Provider().OpenNode(1);
    ASSERT_EQ(QCXSimUnplug(3), QCXSIM_OK);
    EXPECT_EQ(QCXSimGetCount(), 2);
    EXPECT_EQ(TypeAt(3), 17);
    EXPECT_EQ(TypeAt(4), -1);
    EXPECT_EQ(Info(*Provider().OpenNode(1)).value()[1], 17);
    EXPECT_FALSE(Info(*nodeOf8));
    std::uint8_t frame[8];
    EXPECT_EQ(nodeOf8->ReadFrame(frame, sizeof frame, 10).kind, FrameReadResult::Kind::Failed);

    ASSERT_EQ(QCXSimReplugAll(), QCXSIM_OK);
    EXPECT_EQ(TypeAt(3), 8);
    EXPECT_EQ(TypeAt(4), 17);
    EXPECT_FALSE(Info(*nodeOf8));  // replugging is a new connection
    EXPECT_TRUE(Info(*Provider().OpenNode(1)));
}

// --- the C control API ---

TEST_F(SimNodes, ControlApiSetsTimingPerCameraAndReportsTheRenderedFrameSize) {
    SetList("21,46");
    int value = -1, width = 0, height = 0;
    ASSERT_EQ(QCXSimSetTiming(0, QCXSIM_TIMING_FAST), QCXSIM_OK);
    ASSERT_EQ(QCXSimGetTiming(0, &value), QCXSIM_OK);
    EXPECT_EQ(value, QCXSIM_TIMING_FAST);
    ASSERT_EQ(QCXSimGetTiming(1, &value), QCXSIM_OK);
    EXPECT_EQ(value, QCXSIM_TIMING_REALTIME) << "the other camera keeps its own";
    ASSERT_EQ(QCXSimSetTiming(0, QCXSIM_TIMING_REALTIME), QCXSIM_OK);
    ASSERT_EQ(QCXSimGetTiming(0, &value), QCXSIM_OK);
    EXPECT_EQ(value, QCXSIM_TIMING_REALTIME);
    EXPECT_EQ(QCXSimSetTiming(0, -1), QCXSIM_BAD_ARGUMENT);
    EXPECT_EQ(QCXSimSetTiming(2, QCXSIM_TIMING_FAST), QCXSIM_NO_CAMERA);

    // A 320 x 480 window binned by 2 in columns (field 1) and by 4 in rows (field 2).
    ASSERT_EQ(QCXSimWriteSensorReg(0, 0x04, 320), QCXSIM_OK);
    ASSERT_EQ(QCXSimWriteSensorReg(0, 0x0D, 0x0306), QCXSIM_OK);
    ASSERT_EQ(QCXSimGetFrameSize(0, &width, &height), QCXSIM_OK);
    EXPECT_EQ((std::pair(width, height)), (std::pair(160, 120)));
    EXPECT_EQ(QCXSimGetFrameSize(1, &width, &height), QCXSIM_NOT_SUPPORTED) << "no sensor model";
}

}  // namespace
}  // namespace qcx

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

TEST_F(SimNodes, CountsTheListedCamerasAndNoneWithoutTheVariable) {
    unsetenv("QCX_SIM");
    EXPECT_EQ(Provider().CountNodes(), 0);
    SetList("21,8");
    EXPECT_EQ(Provider().CountNodes(), 2);
    EXPECT_EQ(QCXSimGetCount(), 2);
    EXPECT_EQ(Provider().OpenNode(2), nullptr);
    EXPECT_EQ(Provider().OpenNode(-1), nullptr);
}

TEST_F(SimNodes, OpenedNodeTalksToItsCameraThroughTheVendorCodeOnly) {
    SetList("21,8:3:0x0102");
    auto node = Provider().OpenNode(1);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(Info(*node), (Bytes{0, 8, 3, 0x02, 0x01}));

    Bytes data(5);
    const auto record = RequestRecord::FromSetup({0xC0, 0xC9, 0, 0, 5}, data.data()).Encode();
    EXPECT_FALSE(node->IoControl(0x222004, record, data.data(), 5));
    unsigned count = 0;
    ASSERT_EQ(QCXSimGetRequestCount(1, &count), QCXSIM_OK);
    EXPECT_EQ(count, 1u);  // the driver refused the wrong code before the camera saw it

    // Claims are the library's business: a second open of the same node works.
    EXPECT_NE(Provider().OpenNode(1), nullptr);
}

TEST_F(SimNodes, CameraStateSurvivesRereadsWhileItsEntryStaysTheSame) {
    SetList("21,8");
    auto oldNode = Provider().OpenNode(0);
    ASSERT_EQ(QCXSimWriteEeprom(0, 0x10, 0x5A), QCXSIM_OK);
    ASSERT_EQ(QCXSimWriteEeprom(1, 0x10, 0xA5), QCXSIM_OK);

    SetList(" 21 , 8 ,17");
    EXPECT_EQ(Provider().CountNodes(), 3);
    unsigned char value = 0;
    ASSERT_EQ(QCXSimReadEeprom(0, 0x10, &value), QCXSIM_OK);
    EXPECT_EQ(value, 0x5A);
    EXPECT_TRUE(Info(*oldNode));

    SetList("22,8");  // camera 0 swapped for another model
    ASSERT_EQ(QCXSimReadEeprom(0, 0x10, &value), QCXSIM_OK);
    EXPECT_EQ(value, 0xFF);
    ASSERT_EQ(QCXSimReadEeprom(1, 0x10, &value), QCXSIM_OK);
    EXPECT_EQ(value, 0xA5);
    EXPECT_FALSE(Info(*oldNode));  // the node of the removed camera is dead
    EXPECT_EQ(TypeAt(2), -1);
}

TEST_F(SimNodes, NodeNumbersStartAtTheFirstSimulatedNode) {
    SetList("21,8");
    Provider().SetFirstNodeNumber(3);
    EXPECT_EQ(Provider().CameraAtNode(2), nullptr);
    EXPECT_EQ(TypeAt(3), 21);
    EXPECT_EQ(TypeAt(4), 8);
    EXPECT_EQ(TypeAt(5), -1);
    EXPECT_EQ(Provider().CameraAtNode(-2147483647 - 1), nullptr);
    // Local numbering of the provider itself does not move.
    EXPECT_EQ(Info(*Provider().OpenNode(0)).value()[1], 21);
}

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

TEST_F(SimNodes, WarnsOncePerDistinctText) {
    ::testing::internal::CaptureStderr();
    SetList("21,x");
    Provider().CountNodes();
    Provider().CountNodes();
    SetList("21,y");
    Provider().CountNodes();
    SetList("21,x");
    Provider().CountNodes();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "qcxapi: ignoring QCX_SIM entry 'x'\nqcxapi: ignoring QCX_SIM entry 'y'\n");
}

// --- the C control API ---

TEST_F(SimNodes, ControlApiRejectsBadArgumentsAndMissingCameras) {
    unsigned char byte = 0;
    unsigned char record[QCXSIM_RECORD_SIZE];
    EXPECT_EQ(QCXSimDescribe(0, nullptr, nullptr, nullptr), QCXSIM_NO_CAMERA);
    EXPECT_EQ(QCXSimReadEeprom(0, 0, &byte), QCXSIM_NO_CAMERA);
    SetList("21");
    EXPECT_EQ(QCXSimDescribe(0, nullptr, nullptr, nullptr), QCXSIM_OK);
    EXPECT_EQ(QCXSimReadEeprom(0, 0x10000, &byte), QCXSIM_BAD_ARGUMENT);
    EXPECT_EQ(QCXSimWriteEeprom(0, 0x10000, 1), QCXSIM_BAD_ARGUMENT);
    EXPECT_EQ(QCXSimReadEeprom(0, 0, nullptr), QCXSIM_BAD_ARGUMENT);
    EXPECT_EQ(QCXSimFailRequests(0, 1, 2), QCXSIM_BAD_ARGUMENT);
    EXPECT_EQ(QCXSimFailRequests(0, -1, QCXSIM_FAIL_STATUS), QCXSIM_BAD_ARGUMENT);
    EXPECT_EQ(QCXSimGetLastRequest(0, nullptr, nullptr, nullptr), QCXSIM_BAD_ARGUMENT);
    EXPECT_EQ(QCXSimGetLastRequest(0, record, nullptr, nullptr), QCXSIM_OK);
    EXPECT_EQ(QCXSimUnplug(1), QCXSIM_NO_CAMERA);
}

TEST_F(SimNodes, ControlApiInjectsFaultsThatRunOut) {
    SetList("21");
    auto node = Provider().OpenNode(0);
    ASSERT_EQ(QCXSimFailRequests(0, 1, QCXSIM_FAIL_STATUS), QCXSIM_OK);
    EXPECT_EQ(Info(*node), (Bytes{1, kUntouched, kUntouched, kUntouched, kUntouched}));
    ASSERT_EQ(QCXSimFailRequests(0, 1, QCXSIM_FAIL_REFUSE), QCXSIM_OK);
    EXPECT_FALSE(Info(*node));
    EXPECT_EQ(Info(*node).value()[0], 0);

    unsigned count = 0;
    ASSERT_EQ(QCXSimGetRequestCount(0, &count), QCXSIM_OK);
    EXPECT_EQ(count, 3u);
    ASSERT_EQ(QCXSimResetRequestCount(0), QCXSIM_OK);
    ASSERT_EQ(QCXSimGetRequestCount(0, &count), QCXSIM_OK);
    EXPECT_EQ(count, 0u);
}

TEST_F(SimNodes, ControlApiSeesWhatTheHostWrote) {
    SetList("46");
    auto node = Provider().OpenNode(0);
    ASSERT_TRUE(Request(*node, vendor::kTypeIn, vendor::kSetWorkingMode, 0x0110, 0, Bytes(1)));
    unsigned count = 0;
    unsigned short word = 0;
    ASSERT_EQ(QCXSimGetFlushCount(0, &count), QCXSIM_OK);
    EXPECT_EQ(count, 1u);
    ASSERT_EQ(QCXSimGetWorkingMode(0, &word), QCXSIM_OK);
    EXPECT_EQ(word, 0x0010);

    ASSERT_TRUE(Request(*node, vendor::kTypeOut, vendor::kWriteEeprom32, 0, 0x66, {0, 1, 0x23, 0x45}));
    unsigned char record[QCXSIM_RECORD_SIZE];
    unsigned char hostData[QCXSIM_HOST_DATA_MAX] = {};
    unsigned length = 0;
    ASSERT_EQ(QCXSimGetLastRequest(0, record, hostData, &length), QCXSIM_OK);
    EXPECT_EQ(record[16], vendor::kWriteEeprom32);
    EXPECT_EQ(record[17], vendor::kTypeOut);
    EXPECT_EQ(record[8], 4);  // wLength
    EXPECT_EQ(record[12], 0x66);  // wIndex carries the value
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(Bytes(hostData, hostData + 4), (Bytes{0, 1, 0x23, 0x45}));
    unsigned char value = 0;
    ASSERT_EQ(QCXSimReadEeprom32(0, 0x12345, &value), QCXSIM_OK);
    EXPECT_EQ(value, 0x66);
}

TEST_F(SimNodes, ControlApiWritesAreWhatTheHostReads) {
    SetList("46");
    auto node = Provider().OpenNode(0);
    ASSERT_EQ(QCXSimWriteSensorReg(0, 0x0100, 0x0A0B), QCXSIM_OK);
    EXPECT_EQ(Request(*node, vendor::kTypeIn, vendor::kReadSensorReg, 0x0100, 0, Bytes(3)),
              (Bytes{0, 0x0A, 0x0B}));
    ASSERT_EQ(QCXSimWriteSfr(0, 0xB1, 0x3C), QCXSIM_OK);
    EXPECT_EQ(Request(*node, vendor::kTypeIn, vendor::kReadSfr, 0xB1, 0, Bytes(2)), (Bytes{0, 0x3C}));
    ASSERT_EQ(QCXSimWriteFx2Reg(0, 0xE601, 0x03), QCXSIM_OK);
    EXPECT_EQ(Request(*node, vendor::kTypeIn, vendor::kReadFx2Reg, 0xE601, 0, Bytes(2)), (Bytes{0, 3}));
    ASSERT_EQ(QCXSimWriteEeprom32(0, 0xFFFF0000u, 0x12), QCXSIM_OK);
    EXPECT_EQ(Request(*node, vendor::kTypeIn, vendor::kReadEeprom32, 0xFFFF, 0, Bytes(2)),
              (Bytes{0, 0x12}));
    ASSERT_EQ(QCXSimSetWorkingMode(0, 0x0101), QCXSIM_OK);
    EXPECT_EQ(Request(*node, vendor::kTypeIn, vendor::kGetWorkingMode, 0, 0, Bytes(3)),
              (Bytes{0, 0x01, 0x00}));
}

}  // namespace
}  // namespace qcx

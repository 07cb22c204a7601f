// Reaching cameras through the exports: manager life, device indexes, the
// opening of a camera on first use, and the status texts.
#include <cstring>

#include "camera/platform/node_claim.h"
#include "support/library_fixture.h"

namespace qcx {
namespace {

using DeviceManagerTest = test::LibraryTest;

TEST_F(DeviceManagerTest, WithoutInitDeviceExportsAndCountReportNotInitialised) {
    UseCameras("21");
    QCX_BYTE value = 0;
    EXPECT_EQ(QCX_DeviceGetCount(), -5);
    EXPECT_EQ(QCX_RdFx2Reg(0, 0, &value), -5);
    EXPECT_EQ(QCX_EmptyFrameBuffer(0), -5);
    EXPECT_EQ(QCX_UnInit(), 1) << "UnInit without Init";
    EXPECT_EQ(Requests(0), 0u);
}

TEST_F(DeviceManagerTest, InitWithoutCamerasCountsZero) {
    ASSERT_EQ(QCX_Init(), 1);
    EXPECT_EQ(QCX_DeviceGetCount(), 0);
    QCX_BYTE value = 0;
    EXPECT_EQ(QCX_RdEEPROM(0, 0, &value), -5);
}

TEST_F(DeviceManagerTest, InvalidIndexesNeverTouchACamera) {
    UseCameras("21,8");
    ASSERT_EQ(QCX_Init(), 1);
    ASSERT_EQ(QCX_DeviceGetCount(), 2);
    QCX_BYTE value = 0;
    for (int index : {-1, 2, 31, 32, 1000}) EXPECT_EQ(QCX_RdFx2Reg(index, 0, &value), -5) << index;
    EXPECT_EQ(Requests(0) + Requests(1), 0u);
}

TEST_F(DeviceManagerTest, CountIsTakenAfreshButTheManagersCountIsFixed) {
    UseCameras("21");
    ASSERT_EQ(QCX_Init(), 1);
    setenv("QCX_SIM", "21,21,21", 1);
    EXPECT_EQ(QCX_DeviceGetCount(), 3);
    QCX_BYTE value = 0;
    EXPECT_EQ(QCX_RdFx2Reg(1, 0, &value), -5) << "index 1 was not counted at QCX_Init";
}

TEST_F(DeviceManagerTest, FirstUseOpensTheCameraAndAFailureIsRetriedLater) {
    UseCameras("21");
    ASSERT_EQ(QCX_Init(), 1);
    sensor->initializeResult = -3;
    QCX_BYTE value = 0;
    EXPECT_EQ(QCX_RdFx2Reg(0, 0, &value), -5);
    EXPECT_EQ(sensor->initializeCalls, 1);
    EXPECT_NE(NodeClaim::TryClaim(0), nullptr) << "the half-made camera let go of its node";

    sensor->initializeResult = 1;
    QCXSimWriteFx2Reg(0, 0xE600, 0x5A);
    EXPECT_EQ(QCX_RdFx2Reg(0, 0xE600, &value), 1);
    EXPECT_EQ(value, 0x5A);
    EXPECT_EQ(QCX_RdFx2Reg(0, 0xE600, &value), 1);
    EXPECT_EQ(sensor->initializeCalls, 2) << "opened once, then reused";
}

TEST_F(DeviceManagerTest, SecondInitClosesTheCamerasOfTheFirst) {
    UseCameras("21");
    ASSERT_EQ(QCX_Init(), 1);
    QCX_BYTE value = 0;
    ASSERT_EQ(QCX_RdFx2Reg(0, 0, &value), 1);
    EXPECT_EQ(NodeClaim::TryClaim(0), nullptr) << "the camera holds node 0";

    ASSERT_EQ(QCX_Init(), 1);
    EXPECT_EQ(sensor->fieldOfViewModes.size(), 1u) << "the old camera was destroyed";
    EXPECT_NE(NodeClaim::TryClaim(0), nullptr);
    ASSERT_EQ(QCX_RdFx2Reg(0, 0, &value), 1);
    EXPECT_EQ(sensor->initializeCalls, 2) << "the first export after the second Init opens it again";
}

TEST_F(DeviceManagerTest, CameraOfATypeWithoutDriverFamilyIsCountedButNeverOpens) {
    UseCameras("6");
    qcx::testing::SetSensorDriverFactory(nullptr);
    ASSERT_EQ(QCX_Init(), 1);
    EXPECT_EQ(QCX_DeviceGetCount(), 1);
    int type = 0;
    EXPECT_EQ(QCX_DeviceGetInformation(0, &type, nullptr, nullptr), -5);
}

TEST_F(DeviceManagerTest, FamiliesWithoutADriverFailToOpen) {
    UseCameras("8");  // MT9P001: no driver
    qcx::testing::SetSensorDriverFactory(nullptr);
    ASSERT_EQ(QCX_Init(), 1);
    EXPECT_EQ(QCX_EmptyFrameBuffer(0), -5);
}

TEST_F(DeviceManagerTest, ErrorTextsInTheirTableAndUnknownCodes) {
    const struct {
        int code;
        const char* text;
    } known[] = {{1, "Successful"},
                 {-1, "Parameter Error"},
                 {-2, "Memory Allocation Failed"},
                 {-3, "Operation is not Supported"},
                 {-4, "Device cannt be Detected"},
                 {-5, "Device wasn't Initialized"},
                 {-6, "Illegal Operation"},
                 {-7, "User No Privilege"},
                 {-8, "Fail"},
                 {-10, "Device Recovery Successful"},
                 {-11, "Device Recovery Fail"},
                 {-12, "Bad Frame From Device, Should be Discarded"},
                 {-13, "Invalid Frame, Transmission Error"},
                 {-14, "Zero Frame, Tranmission Error"},
                 {-15, "Version Error"}};
    char text[64];
    for (const auto& entry : known) {
        std::memset(text, 'x', sizeof text);
        EXPECT_EQ(QCX_GetErrorInfo(entry.code, text), 1) << entry.code;
        EXPECT_STREQ(text, entry.text);
    }
    EXPECT_EQ(std::strlen(known[11].text), 42u) << "the longest text";
    for (int code : {-9, 0, 2, 100, -16, -1000000}) {
        EXPECT_EQ(QCX_GetErrorInfo(code, text), -6) << code;
        EXPECT_STREQ(text, "Illegal Operation");
    }
    EXPECT_EQ(QCX_GetErrorInfo(1, nullptr), -1);
}

}  // namespace
}  // namespace qcx

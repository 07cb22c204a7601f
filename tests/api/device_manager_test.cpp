// Reaching cameras through the exports: manager life, device indexes, the
// opening of a camera on first use, and the status texts.
#include <cstring>

#include "camera/platform/node_claim.h"
#include "support/library_fixture.h"

namespace qcx {
namespace {

using DeviceManagerTest = test::LibraryTest;

TEST_F(DeviceManagerTest, TheCountIsTakenAfreshButOnlyCamerasCountedAtInitAreReached) {
    UseCameras("21,8");
    ASSERT_EQ(QCX_Init(), 1);
    setenv("QCX_SIM", "21,8,21", 1);
    EXPECT_EQ(QCX_DeviceGetCount(), 3);
    QCX_BYTE value = 0;
    EXPECT_EQ(QCX_RdFx2Reg(2, 0, &value), -5);
    EXPECT_EQ(Requests(2), 0u);
}

TEST_F(DeviceManagerTest, FirstUseOpensTheCameraAFailureIsRetriedAndASecondInitClosesIt) {
    UseCameras("21");
    ASSERT_EQ(QCX_Init(), 1);
    sensor->initializeResult = -3;
    QCX_BYTE value = 0;
    EXPECT_EQ(QCX_RdFx2Reg(0, 0, &value), -5);
    EXPECT_NE(NodeClaim::TryClaim(0), nullptr) << "the half-made camera let go of its node";

    sensor->initializeResult = 1;
    QCXSimWriteFx2Reg(0, 0xE600, 0x5A);
    EXPECT_EQ(QCX_RdFx2Reg(0, 0xE600, &value), 1);
    EXPECT_EQ(value, 0x5A);
    EXPECT_EQ(QCX_RdFx2Reg(0, 0xE600, &value), 1);
    EXPECT_EQ(sensor->initializeCalls, 2) << "opened once, then reused";
    EXPECT_EQ(NodeClaim::TryClaim(0), nullptr) << "the camera holds node 0";

    const std::size_t closed = sensor->fieldOfViewModes.size();
    ASSERT_EQ(QCX_Init(), 1);
    EXPECT_EQ(sensor->fieldOfViewModes.size(), closed + 1) << "the old camera was destroyed";
    EXPECT_NE(NodeClaim::TryClaim(0), nullptr);
}

TEST_F(DeviceManagerTest, ErrorTextsInTheirTableAndUnknownCodes) {
    const std::pair<int, const char*> known[] = {
        {1, "Successful"},
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
    char text[QCX_ERROR_TEXT_SIZE];
    for (const auto& [code, expected] : known) {
        std::memset(text, 'x', sizeof text);
        EXPECT_EQ(QCX_GetErrorInfo(code, text), 1) << code;
        EXPECT_STREQ(text, expected);
    }
    for (int code : {-9, 0, 2, -16}) {
        EXPECT_EQ(QCX_GetErrorInfo(code, text), -6) << code;
        EXPECT_STREQ(text, "Illegal Operation");
    }
    EXPECT_EQ(QCX_GetErrorInfo(1, nullptr), -1);
}

}  // namespace
}  // namespace qcx

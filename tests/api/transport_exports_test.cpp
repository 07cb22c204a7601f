// The register, EEPROM and vendor-request exports against a simulated camera:
// what reaches the camera and what comes back. (Refused arguments are swept
// end to end.)
#include "support/library_fixture.h"

namespace qcx {
namespace {

class TransportExportsTest : public test::LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        UseCameras("28:7:0x0305");
        ASSERT_EQ(QCX_Init(), 1);
        int type = 0;
        ASSERT_EQ(QCX_DeviceGetInformation(0, &type, nullptr, nullptr), 1);
    }
};

// What the library writes the simulated firmware stores, and what it stores
// the library reads: both sides agree on every request's byte order.
TEST_F(TransportExportsTest, RegistersAndEepromsRoundTrip) {
    QCX_BYTE byte = 0;
    QCX_WORD word = 0;
    unsigned char direct = 0;
    EXPECT_EQ(QCX_WrFx2Reg(0, 0xE680, 0x12), 1);
    EXPECT_EQ(QCX_RdFx2Reg(0, 0xE680, &byte), 1);
    EXPECT_EQ(byte, 0x12);
    EXPECT_EQ(QCX_WrFx2Sfr(0, 0x80, 0x34), 1);
    EXPECT_EQ(QCX_RdFx2Sfr(0, 0x80, &byte), 1);
    EXPECT_EQ(byte, 0x34);
    EXPECT_EQ(QCX_WrEEPROM(0, 0xFFFF, 0x56), 1);
    EXPECT_EQ(QCXSimReadEeprom(0, 0xFFFF, &direct), 1);
    EXPECT_EQ(direct, 0x56);
    EXPECT_EQ(QCX_WrEEPROMEx(0, 0x12345, 0x78), 1);
    EXPECT_EQ(QCXSimReadEeprom32(0, 0x12345, &direct), 1);
    EXPECT_EQ(direct, 0x78) << "the 32-bit address reached the camera whole";
    EXPECT_EQ(QCX_RdEEPROMEx(0, 0x12345, &byte), 1);
    EXPECT_EQ(byte, 0x78);
    ASSERT_EQ(QCXSimWriteSensorReg(0, 0x3012, 0xBEEF), 1);
    EXPECT_EQ(QCX_RdSensorRegX(0, 0x3012, &word), 1);
    EXPECT_EQ(word, 0xBEEF);
    EXPECT_EQ(QCX_WrSensorReg(0, 0x0B, 0x01E0), 1);
    EXPECT_EQ(QCXSimReadSensorReg(0, 0x0B, &word), 1);
    EXPECT_EQ(word, 0x01E0);
}

TEST_F(TransportExportsTest, VendorCommandPassesAnyRequestAndReportsOnlyTheDriver) {
    QCXSimWriteSensorReg(0, 0x0B, 0x1234);
    const QCX_BYTE setup[8] = {0xC0, 0xC2, 0x0B, 0, 0, 0, 3, 0};
    QCX_BYTE data[3] = {0xFF, 0xFF, 0xFF};
    ASSERT_EQ(QCX_VendorCmd(0, setup, data), 1);
    EXPECT_EQ(data[0], 0);
    EXPECT_EQ(data[1], 0x12);
    EXPECT_EQ(data[2], 0x34);

    // A failed status byte is the caller's to read: the request itself succeeded.
    QCXSimFailRequests(0, 1, QCXSIM_FAIL_STATUS);
    EXPECT_EQ(QCX_VendorCmd(0, setup, data), 1);
    EXPECT_NE(data[0], 0);

    QCXSimFailRequests(0, 1, QCXSIM_FAIL_REFUSE);
    EXPECT_EQ(QCX_VendorCmd(0, setup, data), -8);
    const QCX_BYTE unknown[8] = {0xC0, 0x7E, 0, 0, 0, 0, 1, 0};
    EXPECT_EQ(QCX_VendorCmd(0, unknown, data), -8) << "the firmware stalls a request it does not know";
}

TEST_F(TransportExportsTest, AVanishedCameraFailsItsRequests) {
    QCX_BYTE byte = 0;
    ASSERT_EQ(QCXSimUnplug(0), 1);
    EXPECT_EQ(QCX_RdFx2Reg(0, 0, &byte), -8);
    EXPECT_EQ(QCX_EmptyFrameBuffer(0), -8);
    // The old node stays dead after a replug, as a real USB handle does; a new
    // camera object finds the camera again.
    QCXSimReplugAll();
    EXPECT_EQ(QCX_RdFx2Reg(0, 0, &byte), -8);
    ASSERT_EQ(QCX_Init(), 1);
    EXPECT_EQ(QCX_RdFx2Reg(0, 0, &byte), 1);
}

}  // namespace
}  // namespace qcx

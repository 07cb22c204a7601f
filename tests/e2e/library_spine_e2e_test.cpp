// The shipped shared library through its C headers only, against simulated
// cameras: the cameras QCX_SIM lists, and a camera of a family without driver.
#include <gtest/gtest.h>

#include <cstdlib>

#include "qcxapi.h"
#include "qcxsim.h"

namespace {

class LibrarySpineE2E : public ::testing::Test {
protected:
    void TearDown() override {
        QCX_UnInit();
        unsetenv("QCX_SIM");
    }
};

TEST_F(LibrarySpineE2E, SimulatedCamerasAreCountedAndDescribedAndBadEntriesSkipped) {
    setenv("QCX_SIM", "21,banana,300,8:3:0x0102,,8:1:2:3", 1);
    ASSERT_EQ(QCX_Init(), QCX_STATUS_SUCCESS);
    EXPECT_EQ(QCXSimGetCount(), 2);
    const int count = QCX_DeviceGetCount();
    ASSERT_GE(count, 2);
    // Real USB cameras come first; the simulated ones are the last two nodes.
    int type = 0, number = 0;
    unsigned short firmware = 0;
    ASSERT_EQ(QCXSimDescribe(count - 1, &type, &number, &firmware), 1);
    EXPECT_EQ(type, 8);
    EXPECT_EQ(number, 3);
    EXPECT_EQ(firmware, 0x0102);
    ASSERT_EQ(QCXSimDescribe(count - 2, &type, &number, &firmware), 1);
    EXPECT_EQ(type, 21);
    EXPECT_EQ(number, 0);
    EXPECT_EQ(firmware, 0x0100);
}

TEST_F(LibrarySpineE2E, CamerasOfAFamilyWithoutDriverDoNotOpen) {
    setenv("QCX_SIM", "21,8", 1);
    ASSERT_EQ(QCX_Init(), QCX_STATUS_SUCCESS);
    // Index 0 takes the MT9V032 (type 21); the next index finds only the
    // MT9P001 (type 8), which the library has no driver for.
    const int last = QCX_DeviceGetCount() - 1;
    ASSERT_EQ(QCX_DeviceGetInformation(last - 1, nullptr, nullptr, nullptr), QCX_STATUS_SUCCESS);
    QCX_BYTE value = 0;
    EXPECT_EQ(QCX_RdEEPROM(last, 0, &value), QCX_STATUS_NOT_INITIALIZED);
    EXPECT_EQ(QCX_DeviceGetInformation(last, nullptr, nullptr, nullptr), QCX_STATUS_NOT_INITIALIZED);
}

}  // namespace

// The shipped shared library through its C headers only, against simulated
// cameras: a camera of a family without driver.
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

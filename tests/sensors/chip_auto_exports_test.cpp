// The exports of the chip's own exposure and gain loops and of the flash
// pin, against simulated cameras with the library's own sensor drivers.
#include "camera/sensors/sensor_driver.h"
#include "support/library_fixture.h"

namespace qcx {
namespace {

// Stands in for a family the library has no driver for: a flash pin that
// answers, and every other operation left at "not supported".
class FlashOnlyDriver : public test::FakeSensorDriver {
public:
    FlashOnlyDriver(SensorHost& host, std::shared_ptr<test::FakeSensorLog> log, int* calls)
        : FakeSensorDriver(host, std::move(log)), calls_(calls) {}
    int FlashControlSet(bool, bool) override { return ++*calls_, 1; }
    int FlashControlGet(bool* enable, bool* invert) override { return *enable = *invert = true, ++*calls_, 1; }

private:
    int* calls_;
};

class ChipAutoExportsTest : public test::LibraryTest {
protected:
    int flashCalls = 0;

    void Open(const char* cameras) {
        QCX_UnInit();
        qcx::testing::SetSensorDriverFactory(
            [this](SensorFamily family, SensorHost& host) -> std::unique_ptr<SensorDriver> {
                if (family == SensorFamily::MT9V032) return CreateSensorDriver(family, host);
                return std::make_unique<FlashOnlyDriver>(host, sensor, &flashCalls);
            });
        UseCameras(cameras);
        ASSERT_EQ(QCX_Init(), 1);
        ASSERT_EQ(QCX_DeviceGetInformation(0, nullptr, nullptr, nullptr), 1);
    }
    static QCX_WORD Chip(QCX_WORD reg) {
        unsigned short value = 0;
        EXPECT_EQ(QCXSimReadSensorReg(0, reg, &value), 1);
        return value;
    }
};

TEST_F(ChipAutoExportsTest, LoopsOnAnMt9v032) {
    Open("21:1:0x0100");
    EXPECT_EQ(Chip(0xAF) & 3, 0) << "opening the camera turns the chip's loops off";
    QCX_BOOL8 on = 7;
    ASSERT_EQ(QCX_AECSetEnable(0, 2), 1);
    EXPECT_EQ(Chip(0xAF), 1);
    ASSERT_EQ(QCX_AGCSetEnable(0, 1), 1);
    EXPECT_EQ(Chip(0xAF), 3);
    ASSERT_EQ(QCX_AGCGetEnable(0, &on), 1);
    EXPECT_EQ(on, 1);
    ASSERT_EQ(QCX_AECSetEnable(0, 0), 1);
    ASSERT_EQ(QCX_AECGetEnable(0, &on), 1);
    EXPECT_EQ(on, 0);

    ASSERT_EQ(QCX_AECSetRange(0, 500, 3000), 1);
    ASSERT_EQ(QCX_AGCSetRange(0, 50, 8), 1);
    EXPECT_EQ(Chip(0xBD), 2047);
    EXPECT_EQ(Chip(0x36), 16);
    QCX_WORD minimum = 0, maximum = 0, current = 0;
    ASSERT_EQ(QCX_AECGetRange(0, &minimum, &maximum), 1);
    EXPECT_EQ((std::pair<int, int>(minimum, maximum)), (std::pair(1, 2047)));
    ASSERT_EQ(QCX_AGCGetRange(0, &minimum, &maximum), 1);
    EXPECT_EQ((std::pair<int, int>(minimum, maximum)), (std::pair(16, 16)));
    ASSERT_EQ(QCX_AGCGetCur(0, &current), 1);
    EXPECT_EQ(current, Chip(0xBA));
    ASSERT_EQ(QCX_AECGetCur(0, &current), 1);
    EXPECT_EQ(current, Chip(0xBB));
    EXPECT_EQ(QCX_AECGetEnable(0, nullptr), 1);
    EXPECT_EQ(QCX_AGCGetRange(0, nullptr, nullptr), 1);
}

TEST_F(ChipAutoExportsTest, OtherFamiliesHaveNoChipLoops) {
    Open("8:1:0x0100");
    QCX_BOOL8 on = 1;
    EXPECT_EQ(QCX_AECGetEnable(0, &on), -3);
    EXPECT_EQ(on, 0) << "the output reads off";
    on = 1;
    EXPECT_EQ(QCX_AGCGetEnable(0, &on), -3);
    EXPECT_EQ(on, 0);
    EXPECT_EQ(QCX_AECSetEnable(0, 1), -3);
    EXPECT_EQ(QCX_AGCSetRange(0, 16, 30), -3);
    QCX_WORD minimum = 5, maximum = 5, current = 5;
    EXPECT_EQ(QCX_AECGetRange(0, &minimum, &maximum), -3);
    EXPECT_EQ(minimum, 5);
    EXPECT_EQ(QCX_AGCGetCur(0, &current), -3);
}

TEST_F(ChipAutoExportsTest, FlashPinOnAnMt9v032) {
    Open("24:1:0x0100");
    ASSERT_EQ(QCX_FlashControlSet(0, 0, 9, 5), 1);
    EXPECT_EQ(Chip(0x1B) & 3, 3);
    QCX_BOOL8 enable = 9, invert = 9;
    int mode = 9;
    ASSERT_EQ(QCX_FlashControlGet(0, &enable, &invert, &mode), 1);
    EXPECT_EQ((std::tuple<int, int, int>(enable, invert, mode)), (std::tuple(0, 1, 0)));
    ASSERT_EQ(QCX_FlashControlSet(0, 1, 0, 0), 1);
    EXPECT_EQ(Chip(0x1B) & 3, 0);
    EXPECT_EQ(QCX_FlashControlGet(0, nullptr, nullptr, nullptr), 1);
}

TEST_F(ChipAutoExportsTest, FlashPinOnlyWhereTheSensorDrivesIt) {
    const struct {
        const char* camera;
        int set, get;
    } cases[] = {
        {"4:1:0x0100", 1, 1},    // 1280 x 1024 family with the pin
        {"0:1:0x0100", -3, 1},   // same family, pin not wired: readable only
        {"10:1:0x0100", 1, 1},   // MT9P001 with the pin
        {"8:1:0x0100", -3, 1},   {"3:1:0x0100", -3, -3},  // MT9T001
        {"13:1:0x0100", -3, -3},  // MT9J001
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.camera);
        Open(c.camera);
        flashCalls = 0;
        EXPECT_EQ(QCX_FlashControlSet(0, 1, 1, 0), c.set);
        QCX_BOOL8 enable = 0;
        int mode = 5;
        EXPECT_EQ(QCX_FlashControlGet(0, &enable, nullptr, &mode), c.get);
        EXPECT_EQ(flashCalls, (c.set == 1) + (c.get == 1));
        if (c.get == 1) {
            EXPECT_EQ((std::pair(int{enable}, mode)), (std::pair(1, 0)));
        }
    }
}

TEST_F(ChipAutoExportsTest, WithoutALibraryEverythingIsUninitialised) {
    QCX_BOOL8 on = 0;
    EXPECT_EQ(QCX_AECGetEnable(0, &on), -5);
    EXPECT_EQ(QCX_FlashControlGet(0, nullptr, nullptr, nullptr), -5);
}

}  // namespace
}  // namespace qcx

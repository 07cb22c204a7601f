// Which families the exports of the chip's own exposure and gain loops and of
// the flash pin reach; the MT9V032's own answers are checked end to end.
#include "camera/sensors/sensor_driver.h"
#include "support/library_fixture.h"

namespace qcx {
namespace {

// Stands in for the families the library has no driver for: a flash pin
// that answers, and every other operation left at "not supported".
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
};

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

// The camera link over the simulated component file, loaded as the tool
// loads it, without video.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "tool/camera_link.h"
#include "tool/simcomponent/talvexcam_sim.h"
#include "tool_test_support.h"

namespace pixmender {
namespace {

// A clock whose pauses pass at once, so sensor programming does not hold the test up.
class InstantClock final : public Clock {
 public:
  uint64_t NowMs() override { return now; }
  void SleepMs(uint32_t ms) override { now += ms; }
  uint64_t now = 0;
};

class SimComponentLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The test's own reference keeps the file loaded between the links' loads,
    // and reaches the simulator's test-only functions.
    handle_ = dlopen(testing::SimComponentPath(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle_, nullptr) << dlerror();
    writeCount_ = reinterpret_cast<TalvexSimWriteCountFn>(dlsym(handle_, "TalvexSimWriteCount"));
    getWrites_ = reinterpret_cast<TalvexSimGetWritesFn>(dlsym(handle_, "TalvexSimGetWrites"));
    peekEeprom_ = reinterpret_cast<TalvexSimPeekEepromFn>(dlsym(handle_, "TalvexSimPeekEeprom"));
    peekSensor_ = reinterpret_cast<TalvexSimPeekSensorFn>(dlsym(handle_, "TalvexSimPeekSensor"));
    clearWrites_ = reinterpret_cast<TalvexSimClearWritesFn>(dlsym(handle_, "TalvexSimClearWrites"));
    ASSERT_TRUE(writeCount_ && getWrites_ && peekEeprom_ && peekSensor_ && clearWrites_);
    if (const char* old = std::getenv("TALVEXCAM_SIM")) oldConfig_ = old;
  }
  void TearDown() override {
    if (oldConfig_) {
      setenv("TALVEXCAM_SIM", oldConfig_->c_str(), 1);
    } else {
      unsetenv("TALVEXCAM_SIM");
    }
    if (handle_ != nullptr) dlclose(handle_);
  }

  CameraLink::Options MakeOptions() {
    CameraLink::Options options;
    options.clock = &clock_;
    options.componentPath = testing::SimComponentPath();
    return options;
  }

  std::vector<TalvexSimWrite> Writes() {
    std::vector<TalvexSimWrite> writes(static_cast<size_t>(writeCount_()));
    writes.resize(static_cast<size_t>(getWrites_(writes.data(), 0, static_cast<int32_t>(writes.size()))));
    return writes;
  }

  void* handle_ = nullptr;
  TalvexSimWriteCountFn writeCount_ = nullptr;
  TalvexSimGetWritesFn getWrites_ = nullptr;
  TalvexSimPeekEepromFn peekEeprom_ = nullptr;
  TalvexSimPeekSensorFn peekSensor_ = nullptr;
  TalvexSimClearWritesFn clearWrites_ = nullptr;
  std::optional<std::string> oldConfig_;
  InstantClock clock_;
};

TEST_F(SimComponentLinkTest, OpenResultsFollowTheSimulatedCameras) {
  struct Case {
    const char* config;
    int result;
    int selected;
  };
  const Case cases[] = {
      {"cameras=1", 0, 0},
      {"cameras=2;identity=ABCDEFGHIJ,Zandovre42", 0, 1},
      {"cameras=1;identity=PELUSTRIN", 2, -1},
      {"cameras=0", 3, -1},
      {"cameras=1;fail=register", 4, -1},
      {"cameras=1;fail=stream", 0, 0},
      {"cameras=2;fail=open", 2, -1},
  };
  for (const Case& c : cases) {
    setenv("TALVEXCAM_SIM", c.config, 1);
    CameraLink link(MakeOptions());
    EXPECT_EQ(link.Open(nullptr, 3072, false, nullptr), c.result) << c.config;
    EXPECT_EQ(link.SelectedIndex(), c.selected) << c.config;
    EXPECT_EQ(link.IsOpen(), c.result == 0) << c.config;
  }
}

TEST_F(SimComponentLinkTest, TheSecondCameraIsFoundAndWrittenThrough) {
  setenv("TALVEXCAM_SIM", "cameras=2;identity=KORVEXANDB,PELUSTRINE", 1);
  CameraLink link(MakeOptions());
  ASSERT_EQ(link.Open(nullptr, 3072, false, nullptr), 0);
  ASSERT_EQ(link.SelectedIndex(), 1);

  // Each entry: the bridge reset, then its ten identity words.
  const std::vector<TalvexSimWrite> opening = Writes();
  ASSERT_EQ(opening.size(), 22u);
  for (int32_t camera = 0; camera < 2; ++camera) {
    const TalvexSimWrite* entry = &opening[static_cast<size_t>(camera) * 11];
    EXPECT_EQ(entry[0].camera, camera);
    EXPECT_EQ(entry[0].kind, TALVEX_SIM_BRIDGE);
    EXPECT_EQ(entry[0].address, 0x8107u);
    EXPECT_EQ(entry[0].value, 0u);
    for (uint32_t i = 0; i < 10; ++i) {
      EXPECT_EQ(entry[1 + i].camera, camera);
      EXPECT_EQ(entry[1 + i].kind, TALVEX_SIM_EEPROM_READ);
      EXPECT_EQ(entry[1 + i].address, 3072 + i);
    }
  }

  clearWrites_();
  EXPECT_TRUE(link.WriteCalibrationRecord(2, 1408, 192, 168, 176));
  const int32_t record[] = {5, 128, 0, 192, 0, 168, 0, 176};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(peekEeprom_(1, 3072 + 56 + i), record[i]) << i;
  EXPECT_NE(peekEeprom_(0, 3072 + 56), 5);

  const std::u16string serial = u"PX20260101001";
  const std::vector<uint16_t> words(serial.begin(), serial.end());
  EXPECT_TRUE(link.WriteWords(3072 + 14, 13, words.data()));
  std::vector<uint16_t> readBack(13, 0);
  EXPECT_TRUE(link.ReadWords(3072 + 14, 13, readBack.data()));
  EXPECT_EQ(readBack, words);

  EXPECT_TRUE(link.ProgramSensor(1024, 30, 20, 25, 1));
  EXPECT_EQ(peekSensor_(1, 0x09), 1024);
  EXPECT_EQ(peekSensor_(1, 0x2D), 30);
  EXPECT_EQ(peekSensor_(1, 0x2B), 20);
  EXPECT_EQ(peekSensor_(1, 0x2C), 25);
  for (const TalvexSimWrite& write : Writes()) EXPECT_EQ(write.camera, 1);

  link.Close();
  EXPECT_FALSE(link.IsOpen());
  EXPECT_FALSE(link.WriteBridgeRegister(0xB03E, 0x20));
}

}  // namespace
}  // namespace pixmender

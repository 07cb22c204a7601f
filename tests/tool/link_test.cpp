// The camera link over the simulated component file as the tool loads it,
// with the register and EEPROM traffic read back from the component's log.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "sim_component.h"
#include "tool/camera_link.h"
#include "tool/simcomponent/sim_config.h"
#include "tool/video_input_category.h"

namespace pixmender {
namespace {

using testing::SimComponentPath;

// Pauses pass at once; the test reads how long the link waited.
class InstantClock final : public Clock {
 public:
  uint64_t NowMs() override { return now; }
  void SleepMs(uint32_t ms) override { now += ms; }
  uint64_t now = 0;
};

using Strip = void (*)(TalvexComponentApi&);
using Record = std::tuple<int, int, unsigned, unsigned>;  // camera, kind, address, value
constexpr int kBridge = TALVEX_SIM_BRIDGE;
constexpr int kSensor = TALVEX_SIM_SENSOR;

class CameraLinkSim : public ::testing::Test {
 protected:
  void SetUp() override {
    sim_ = testing::LoadSimComponent();
    ASSERT_NE(sim_, nullptr);
  }
  void TearDown() override { unsetenv("TALVEXCAM_SIM"); }

  // A link over the component configured by `config`, less the functions
  // `strip` takes out of its table.
  std::unique_ptr<CameraLink> Link(const std::string& config, Strip strip = nullptr) {
    setenv("TALVEXCAM_SIM", config.c_str(), 1);
    CameraLink::Options options;
    options.clock = &clock_;
    options.componentPath = SimComponentPath();
    if (strip != nullptr) {
      options.loadComponent = [strip](const std::string& path) -> std::unique_ptr<ComponentLibrary> {
        std::unique_ptr<ComponentLibrary> loaded = ComponentLibrary::Load(path);
        if (!loaded) return nullptr;
        TalvexComponentApi api = loaded->Api();
        strip(api);
        return std::make_unique<ComponentLibrary>(api);  // the test's own reference keeps the file loaded
      };
    }
    return std::make_unique<CameraLink>(options);
  }

  std::vector<Record> Traffic() const {
    std::vector<Record> records;
    for (const TalvexSimWrite& w : sim_->Writes()) records.emplace_back(w.camera, w.kind, w.address, w.value);
    return records;
  }
  bool Logged(const Record& record) const {
    const std::vector<Record> records = Traffic();
    return std::find(records.begin(), records.end(), record) != records.end();
  }

  const testing::SimComponent* sim_ = nullptr;
  InstantClock clock_;
};

TEST_F(CameraLinkSim, OpenResultFollowsTheCamerasAndTheComponent) {
  // Camera 0's EEPROM file carries text right after its ten identity words.
  QTemporaryDir dir;
  const std::string eeprom = dir.filePath("eeprom.bin").toStdString();
  std::vector<char> bytes(2 * SimConfig::kEepromWords, 0);
  for (int i = 0; i < 3; ++i) bytes[2 * (3072 + 10 + i)] = "XYZ"[i];
  std::ofstream(eeprom, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));

  const std::u16string cam7 = u"CAM-7", korvex = u"KORVEX", cam7x = u"CAM-7X";
  struct Case {  // identity null: one of the accepted ones; selected -1: nothing stays open
    std::string config; const std::u16string* identity; int base; Strip strip; bool video; int result, selected;
  };
  const Case cases[] = {
      {"", nullptr, 3072, nullptr, false, 0, 0},
      {"cameras=2;identity=ABCDEFGHIJ,Zandovre42", nullptr, 3072, nullptr, false, 0, 1},
      {"identity=PELUSTRINE;eeprom=" + eeprom, nullptr, 3072, nullptr, false, 0, 0},  // only ten words count
      {"identity=PELUSTRIN", nullptr, 3072, nullptr, false, 2, -1},                 // nine and a zero word
      {"identity=zandovre42", nullptr, 3072, nullptr, false, 2, -1},
      {"base=0x400", nullptr, 1024, nullptr, false, 0, 0},
      // A given identity: as many words as it has characters, compared exactly.
      {"cameras=2;identity=KORVEXANDA,CAM-7", &cam7, 3072, nullptr, false, 0, 1},
      {"", &korvex, 3072, nullptr, false, 0, 0},
      {"identity=CAM-7", &cam7x, 3072, nullptr, false, 2, -1},
      {"cameras=0", nullptr, 3072, nullptr, false, 3, -1},
      {"cameras=2;fail=open", nullptr, 3072, nullptr, false, 2, -1},
      {"fail=register", nullptr, 3072, nullptr, false, 4, -1},
      {"fail=control", nullptr, 3072, nullptr, false, 4, -1},
      {"fail=stream", nullptr, 3072, nullptr, false, 0, 0},  // the stream object is optional
      {"", nullptr, 3072, [](TalvexComponentApi& a) { a.DllRegisterServer = nullptr; }, false, 4, -1},
      {"", nullptr, 3072, [](TalvexComponentApi& a) { a.CreateInstance = nullptr; }, false, 4, -1},
      {"", nullptr, 3072, [](TalvexComponentApi& a) { a.EnumerateCameras = nullptr; }, false, 3, -1},
      // Attached to the capture filter alone, the control object still reaches the camera.
      {"", nullptr, 3072, [](TalvexComponentApi& a) { a.AttachDevice = nullptr; }, false, 0, 0},
      // A graph that cannot be built fails the open, yet the camera stays open.
      {"sizes=320x240", nullptr, 3072, [](TalvexComponentApi& a) { a.CreateVideoSource = nullptr; }, true, 4, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "case " << (&c - cases) << ": " << c.config);
    auto link = Link(c.config, c.strip);
    EXPECT_EQ(link->Open(c.identity, c.base, c.video, nullptr), c.result);
    EXPECT_EQ(link->SelectedIndex(), c.selected);
    EXPECT_EQ(link->IsOpen(), c.selected >= 0);
  }
}

TEST_F(CameraLinkSim, TheSecondCameraIsBoundInTheGraphAndTheEepromWaitsFiveSecondsAfterTheOpen) {
  auto link = Link("cameras=2;identity=NOPE,PELUSTRINE;sizes=320x240;fps=30");
  ASSERT_EQ(link->Open(nullptr, 3072, true, nullptr), 0);
  EXPECT_EQ(link->SelectedIndex(), 1);
  EXPECT_TRUE(Logged({0, kBridge, 0x8107, 0}));  // every entry opened is reset
  EXPECT_TRUE(Logged({1, kBridge, 0x8107, 0}));
  EXPECT_TRUE(Logged({1, TALVEX_SIM_STREAM, 1, 1}));
  EXPECT_EQ(clock_.now, 0u) << "the identity reads of the open do not wait";

  // The frames are camera 1's: unplugging camera 0 does not end them.
  for (int i = 0; i < 2000 && !link->GrabFrame(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(sim_->setStreaming(0, 0), TALVEX_OK);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const std::optional<GrabbedFrame> frame = link->GrabFrame();
  ASSERT_TRUE(frame.has_value());
  EXPECT_EQ(std::tuple(frame->format.width, frame->format.bitCount, frame->bytes.size()), std::tuple(320, 16, 320u * 240 * 2));

  clock_.now = 1200;
  uint16_t word = 0;
  EXPECT_TRUE(link->ReadWords(3072, 1, &word));
  EXPECT_EQ(clock_.now, 5000u);
  EXPECT_EQ(word, u'P');
  EXPECT_TRUE(link->ReadWords(3073, 1, &word));
  EXPECT_EQ(clock_.now, 5000u) << "only the first access waits";

  link->Close();
  EXPECT_TRUE(Logged({1, TALVEX_SIM_STREAM, 1, 0}));
  EXPECT_FALSE(link->IsOpen() || link->GrabFrame() || link->ReadWords(3072, 1, &word) ||
               link->WriteWords(3072, 1, &word) || link->ProgramSensor(1024, 20, 20, 20, 1) ||
               link->WriteBridgeRegister(0xB03E, 0x20))
      << "a closed link refuses every operation";
}

TEST_F(CameraLinkSim, ProgramSensorWritesTheSequenceOfEachKind) {
  auto link = Link("");
  ASSERT_EQ(link->Open(nullptr, 3072, false, nullptr), 0);
  for (const int kind : {1, 2}) {
    SCOPED_TRACE(kind);
    sim_->clearWrites();
    const uint64_t start = clock_.now;
    EXPECT_TRUE(link->ProgramSensor(0x580, 0xC0, 0xA8, 0xB0, kind));
    const unsigned on = kind == 1 ? 0xB03D : 0xB030, off = kind == 1 ? 0xB030 : 0xB03D;
    std::vector<Record> expected = {
        {0, kBridge, 0xB3AB, 0},    {0, kBridge, on, 0x20},      {0, kBridge, off, 0x22},
        {0, kBridge, 0xB482, 0xC0}, {0, kBridge, 0xB3AB, 0},     {0, kSensor, 0xF0, 1},
        {0, kSensor, 0x97, 0},      {0, kSensor, 0xF0, 0},       {0, kSensor, 0x09, 0x580},
        {0, kSensor, 0x2B, 0xA8},   {0, kSensor, 0x2C, 0xB0},    {0, kSensor, 0x2D, 0xC0},
        {0, kSensor, 0x2E, 0xA8},
    };
    if (kind == 2) expected.emplace_back(0, kSensor, 0x2F, 144);
    EXPECT_EQ(Traffic(), expected);
    // 3 ms after each sensor write, then 1000 ms for the frames to show it.
    EXPECT_EQ(clock_.now - start, 3u * (expected.size() - 5) + 1000u);
  }
}

TEST_F(CameraLinkSim, EepromWritesAreReadBackUnderTheGuardAndRecordsAreSplitIntoBytes) {
  auto link = Link("fail=stuck=0xC10");  // word 3088
  ASSERT_EQ(link->Open(nullptr, 3072, false, nullptr), 0);
  const Record guardOn{0, kBridge, 0xB03C, 0x20}, guardOff{0, kBridge, 0xB03C, 0x22};
  const uint16_t words[] = {0x1580, 'N', '1'};
  for (const int at : {3000, 3086}) {
    sim_->clearWrites();
    EXPECT_EQ(link->WriteWords(at, 3, words), at == 3000) << at;
    EXPECT_EQ(sim_->peekEeprom(0, at), 0x1580);
    const std::vector<Record> traffic = Traffic();
    ASSERT_GE(traffic.size(), 2u);
    EXPECT_EQ(std::pair(traffic.front(), traffic.back()), std::pair(guardOn, guardOff)) << "restored after a mismatch too";
  }
  sim_->clearWrites();
  EXPECT_TRUE(link->WriteCalibrationRecord(2, 0x1580, 0xC0, 0xA8, 0x1FF));
  const int record[] = {0x15, 0x80, 0, 0xC0, 0, 0xA8, 0x01, 0xFF};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(sim_->peekEeprom(0, 3072 + 56 + i), record[i]) << i;
  EXPECT_EQ(std::pair(Traffic().front(), Traffic().back()), std::pair(guardOn, guardOff));
  sim_->clearWrites();
  EXPECT_TRUE(link->WriteCalibrationRecord(3, 1, 2, 3, 4));  // no such kind: nothing is written
  EXPECT_TRUE(Traffic().empty());
}

// The component's inputs come first in the video input category, named as
// in its camera table; ten are kept.
TEST_F(CameraLinkSim, TheCategoryListsTenComponentInputsNamedAsTheCameraTable) {
  setenv("TALVEXCAM_SIM", "cameras=11", 1);
  const std::unique_ptr<ComponentLibrary> library = ComponentLibrary::Load(SimComponentPath());
  ASSERT_NE(library, nullptr);
  const TalvexComponentApi& api = library->Api();
  ASSERT_EQ(api.DllRegisterServer(), TALVEX_OK);
  TalvexObject* enumerator = nullptr;
  ASSERT_EQ(api.CreateInstance(TALVEX_CLSID_ENUMERATOR, TALVEX_IID_ENUMERATOR, &enumerator), TALVEX_OK);
  TalvexCameraEntry table[10] = {};
  int32_t count = 0;
  EXPECT_EQ(api.EnumerateCameras(enumerator, table, &count, 10), TALVEX_OK);
  const std::vector<VideoInputDevice> devices = EnumerateVideoInputs(&api);
  ASSERT_EQ(count, 10);
  ASSERT_EQ(devices.size(), 10u);
  for (int i = 0; i < 10; ++i) {
    const TalvexCountedString* name = table[i].second;
    EXPECT_EQ(devices[i].name, std::string(name->text, name->text + name->length)) << i;
  }
  api.Release(enumerator);
}

TEST(ComponentLibrary, PathFromTheEnvironmentElseBesideTheExecutable) {
  const std::string beside = QCoreApplication::applicationDirPath().toStdString() + "/talvexcam.ax";
  const std::pair<const char*, std::string> cases[] = {
      {"/opt/vendor/talvexcam.ax", "/opt/vendor/talvexcam.ax"}, {"", beside}, {nullptr, beside}};
  for (const auto& [value, expected] : cases) {
    if (value != nullptr) setenv("PIXMENDER_COMPONENT", value, 1);
    else unsetenv("PIXMENDER_COMPONENT");
    EXPECT_EQ(ComponentLibrary::DefaultPath(), expected);
  }
  std::string error;
  EXPECT_EQ(ComponentLibrary::Load("/nonexistent/talvexcam.ax", &error), nullptr);
  EXPECT_NE(error.find("talvexcam.ax"), std::string::npos) << error;
}

}  // namespace
}  // namespace pixmender

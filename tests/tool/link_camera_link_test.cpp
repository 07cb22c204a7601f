// The camera link against an in-test component, graph and clock that write
// every call into one event log, so that whole call sequences can be compared.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tool/camera_link.h"

namespace pixmender {
namespace {

using Log = std::vector<std::string>;

std::string Hex4(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof(text), "%04X", value & 0xFFFF);
  return text;
}

// ---- The fake component ---------------------------------------------------

struct FakeCamera {
  std::map<uint16_t, uint16_t> eeprom;  // untouched words read 0
  std::set<uint16_t> stuckWords;        // ignore writes
  bool openFails = false;
};

struct FakeObject {
  std::string name;
  int camera = -1;
  int refs = 1;
};

struct FakeComponent {
  std::vector<FakeCamera> cameras;
  bool registerMissing = false;
  bool registerFails = false;
  bool enumeratorFails = false;
  bool controlFails = false;
  bool streamFails = false;
  Log* log = nullptr;
  std::vector<std::unique_ptr<FakeObject>> objects;
  int attachedCamera = -1;
  std::vector<TalvexCountedString> names;
  std::vector<uint16_t> nameText;

  void Record(const std::string& event) { log->push_back(event); }
  TalvexObject* Make(const std::string& name, int camera = -1) {
    objects.push_back(std::make_unique<FakeObject>(FakeObject{name, camera, 1}));
    return reinterpret_cast<TalvexObject*>(objects.back().get());
  }
  int LiveReferences() const {
    int live = 0;
    for (const auto& object : objects) live += object->refs;
    return live;
  }
  void SetIdentity(int camera, const std::u16string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
      cameras[static_cast<size_t>(camera)].eeprom[static_cast<uint16_t>(3072 + i)] = text[i];
    }
  }
};

FakeComponent* g_fake = nullptr;

FakeObject* Object(TalvexObject* object) { return reinterpret_cast<FakeObject*>(object); }

TalvexResult FakeRegister() {
  g_fake->Record("register");
  return g_fake->registerFails ? TALVEX_E_FAIL : TALVEX_OK;
}

TalvexResult FakeCreate(const char* clsid, const char* iid, TalvexObject** object) {
  std::string kind;
  bool fails = false;
  if (std::strcmp(clsid, TALVEX_CLSID_ENUMERATOR) == 0 && std::strcmp(iid, TALVEX_IID_ENUMERATOR) == 0) {
    kind = "enumerator";
    fails = g_fake->enumeratorFails;
  } else if (std::strcmp(clsid, TALVEX_CLSID_CONTROL) == 0 && std::strcmp(iid, TALVEX_IID_CONTROL) == 0) {
    kind = "control";
    fails = g_fake->controlFails;
  } else if (std::strcmp(clsid, TALVEX_CLSID_STREAM) == 0 && std::strcmp(iid, TALVEX_IID_STREAM) == 0) {
    kind = "stream";
    fails = g_fake->streamFails;
  } else {
    g_fake->Record("create unknown");
    return TALVEX_E_CLASS_NOT_REGISTERED;
  }
  g_fake->Record("create " + kind);
  if (fails) {
    return TALVEX_E_CLASS_NOT_REGISTERED;
  }
  *object = g_fake->Make(kind);
  return TALVEX_OK;
}

uint32_t FakeAddRef(TalvexObject* object) { return static_cast<uint32_t>(++Object(object)->refs); }

uint32_t FakeRelease(TalvexObject* object) {
  g_fake->Record("release " + Object(object)->name);
  return static_cast<uint32_t>(--Object(object)->refs);
}

TalvexResult FakeEnumerate(TalvexObject* enumerator, TalvexCameraEntry* table, int32_t* count, int32_t capacity) {
  g_fake->Record("enumerate " + Object(enumerator)->name + " " + std::to_string(capacity));
  // The names live as long as the fake: "camN", the entry's first value 100+N.
  auto& fake = *g_fake;
  fake.names.assign(fake.cameras.size(), TalvexCountedString{});
  static const uint16_t kName[] = {'c', 'a', 'm', '0', '0'};
  int32_t n = 0;
  for (size_t i = 0; i < fake.cameras.size() && n < capacity; ++i, ++n) {
    fake.names[i] = TalvexCountedString{static_cast<uint32_t>(3 + i % 3), kName};
    table[i] = TalvexCameraEntry{static_cast<uint32_t>(100 + i), &fake.names[i]};
  }
  *count = n;
  return TALVEX_OK;
}

TalvexResult FakeOpenCamera(TalvexObject*, uint32_t first, uint32_t nameLength, TalvexObject** filter,
                            TalvexObject** device) {
  const int camera = static_cast<int>(first) - 100;
  g_fake->Record("open-entry " + std::to_string(first) + " " + std::to_string(nameLength));
  if (g_fake->cameras[static_cast<size_t>(camera)].openFails) {
    return TALVEX_E_FAIL;
  }
  *filter = g_fake->Make("filter" + std::to_string(camera), camera);
  *device = g_fake->Make("device" + std::to_string(camera), camera);
  return TALVEX_OK;
}

TalvexResult FakeBridge(TalvexObject* control, uint16_t address, uint16_t value) {
  g_fake->Record("bridge " + Hex4(address) + "=" + Hex4(value) + (Object(control)->name == "control" ? "" : " bad"));
  return TALVEX_OK;
}

TalvexResult FakeWriteEeprom(TalvexObject*, uint8_t device, uint16_t address, uint16_t value) {
  g_fake->Record("write " + Hex4(device) + ":" + Hex4(address) + "=" + Hex4(value));
  if (g_fake->attachedCamera < 0) return TALVEX_E_FAIL;
  FakeCamera& camera = g_fake->cameras[static_cast<size_t>(g_fake->attachedCamera)];
  if (camera.stuckWords.count(address) == 0) {
    camera.eeprom[address] = value;
  }
  return TALVEX_OK;
}

TalvexResult FakeReadEeprom(TalvexObject*, uint8_t device, uint16_t address, uint16_t* value) {
  g_fake->Record("read " + Hex4(device) + ":" + Hex4(address));
  if (g_fake->attachedCamera < 0) return TALVEX_E_FAIL;
  const FakeCamera& camera = g_fake->cameras[static_cast<size_t>(g_fake->attachedCamera)];
  const auto word = camera.eeprom.find(address);
  *value = word == camera.eeprom.end() ? 0 : word->second;
  return TALVEX_OK;
}

TalvexResult FakeAttachDevice(TalvexObject*, TalvexObject* device) {
  g_fake->Record("attach-device " + Object(device)->name);
  g_fake->attachedCamera = Object(device)->camera;
  return TALVEX_OK;
}

TalvexResult FakeAttachFilter(TalvexObject*, TalvexObject* filter) {
  g_fake->Record("attach-filter " + Object(filter)->name);
  return TALVEX_OK;
}

TalvexResult FakeSensor(TalvexObject*, uint32_t addressBytes, const uint8_t* address, uint32_t valueBytes,
                        const uint16_t* value) {
  const bool shape = addressBytes == 1 && valueBytes == 2;
  g_fake->Record("sensor " + Hex4(*address).substr(2) + "=" + Hex4(*value) + (shape ? "" : " bad"));
  return TALVEX_OK;
}

TalvexResult FakeSwitch(TalvexObject* stream, const char* propertySet, uint32_t property, uint32_t on,
                        uint32_t flags, uint32_t dataSize, uint32_t reserved1, uint32_t reserved2) {
  const bool shape = std::strcmp(propertySet, TALVEX_PROPSET_STREAM) == 0 && property == 1 && flags == 0 &&
                     dataSize == 4096 && reserved1 == 0 && reserved2 == 0 && Object(stream)->name == "stream";
  g_fake->Record("switch " + std::to_string(on) + (shape ? "" : " bad"));
  return TALVEX_OK;
}

TalvexResult FakeStreamAttach(TalvexObject*, TalvexObject* filter) {
  g_fake->Record("stream-attach " + Object(filter)->name);
  return TALVEX_OK;
}

TalvexComponentApi FakeTable(bool withRegister) {
  TalvexComponentApi api{};
  api.DllRegisterServer = withRegister ? &FakeRegister : nullptr;
  api.CreateInstance = &FakeCreate;
  api.AddRef = &FakeAddRef;
  api.Release = &FakeRelease;
  api.EnumerateCameras = &FakeEnumerate;
  api.OpenCamera = &FakeOpenCamera;
  api.WriteBridgeRegister = &FakeBridge;
  api.WriteEepromWord = &FakeWriteEeprom;
  api.ReadEepromWord = &FakeReadEeprom;
  api.AttachDevice = &FakeAttachDevice;
  api.AttachCaptureFilter = &FakeAttachFilter;
  api.WriteSensorRegister = &FakeSensor;
  api.StreamSwitch = &FakeSwitch;
  api.StreamAttachCaptureFilter = &FakeStreamAttach;
  return api;
}

// ---- Fake clock and graph ---------------------------------------------------

class FakeClock final : public Clock {
 public:
  explicit FakeClock(Log& log) : log_(log) {}
  uint64_t NowMs() override { return now; }
  void SleepMs(uint32_t ms) override {
    log_.push_back("sleep " + std::to_string(ms));
    now += ms;
  }
  uint64_t now = 1000000;

 private:
  Log& log_;
};

struct GraphScript {
  int buildResult = 0;
  int attachResult = 0;
  std::optional<std::vector<uint8_t>> buffer;
  bool formatKnown = true;
};

class FakeGraph final : public CaptureGraph {
 public:
  FakeGraph(Log& log, const GraphScript& script) : CaptureGraph({}, {}), log_(log), script_(script) {}
  int Build(int deviceIndex, int wantedWidth, int wantedHeight) override {
    log_.push_back("build " + std::to_string(deviceIndex) + " " + std::to_string(wantedWidth) + "x" +
                   std::to_string(wantedHeight));
    return script_.buildResult;
  }
  int AttachToWindow(VideoWindow* window) override {
    log_.push_back(window != nullptr ? "attach-window" : "attach-no-window");
    return script_.attachResult;
  }
  std::optional<std::vector<uint8_t>> GrabCurrentBuffer() override { return script_.buffer; }
  bool ReadFormat(FrameFormat& format) override {
    if (!script_.formatKnown) return false;
    format = FrameFormat{1280, 1024, 16, script_.buffer ? script_.buffer->size() : 0};
    return true;
  }
  void TearDown() override { log_.push_back("teardown"); }

 private:
  Log& log_;
  const GraphScript& script_;
};

class NullWindow final : public VideoWindow {
 public:
  QSize ClientSize() const override { return QSize(640, 480); }
  void PresentFrame(const QImage&) override {}
};

// ---- Fixture ------------------------------------------------------------------

class CameraLinkTest : public ::testing::Test {
 protected:
  CameraLinkTest() : clock(log) {
    fake.log = &log;
    fake.cameras.resize(1);
    fake.SetIdentity(0, u"KORVEXANDA");
    g_fake = &fake;
  }
  ~CameraLinkTest() override { g_fake = nullptr; }

  CameraLink::Options MakeOptions() {
    CameraLink::Options options;
    options.clock = &clock;
    options.componentPath = "/nowhere/talvexcam.ax";
    options.loadComponent = [this](const std::string& path) -> std::unique_ptr<ComponentLibrary> {
      loadedPath = path;
      if (fileMissing) return nullptr;
      ++loaded;
      return std::make_unique<ComponentLibrary>(FakeTable(!fake.registerMissing), [this] {
        --loaded;
        log.push_back("unload");
      });
    };
    options.makeGraph = [this](const TalvexComponentApi* api) -> std::unique_ptr<CaptureGraph> {
      graphApi = api;
      return std::make_unique<FakeGraph>(log, graph);
    };
    return options;
  }

  // Opens with video into a window, then forgets the open's events.
  std::unique_ptr<CameraLink> OpenWithVideo() {
    auto link = std::make_unique<CameraLink>(MakeOptions());
    EXPECT_EQ(link->Open(nullptr, 3072, true, &window), 0);
    log.clear();
    return link;
  }

  Log log;
  FakeComponent fake;
  FakeClock clock;
  GraphScript graph;
  NullWindow window;
  bool fileMissing = false;
  int loaded = 0;
  std::string loadedPath;
  const TalvexComponentApi* graphApi = nullptr;
};


Log Reads(int first, int count) {
  Log reads;
  for (int i = 0; i < count; ++i) reads.push_back("read 00A0:" + Hex4(static_cast<unsigned>(first + i)));
  return reads;
}

Log Concat(std::initializer_list<Log> parts) {
  Log all;
  for (const Log& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// Events of opening entry `camera` up to its identity read.
Log EntryEvents(int camera, bool withStream = true) {
  const std::string n = std::to_string(camera);
  Log events = {"open-entry " + std::to_string(100 + camera) + " " + std::to_string(3 + camera % 3)};
  if (withStream) events.push_back("stream-attach filter" + n);
  events.insert(events.end(), {"attach-device device" + n, "attach-filter filter" + n, "release filter" + n,
                               "bridge 8107=0000"});
  return events;
}

TEST_F(CameraLinkTest, OpenWithVideoRunsTheStepsInOrder) {
  CameraLink link(MakeOptions());
  EXPECT_EQ(link.Open(nullptr, 3072, true, &window), 0);
  const Log expected = Concat({{"register", "create enumerator", "create control", "enumerate enumerator 10",
                                "create stream"},
                               EntryEvents(0),
                               Reads(3072, 10),
                               {"switch 1", "build 0 1600x1200", "attach-window"}});
  EXPECT_EQ(log, expected);
  EXPECT_TRUE(link.IsOpen());
  EXPECT_EQ(link.SelectedIndex(), 0);
  EXPECT_EQ(link.BaseAddress(), 3072);
  EXPECT_EQ(loadedPath, "/nowhere/talvexcam.ax");
  EXPECT_NE(graphApi, nullptr);
}

TEST_F(CameraLinkTest, OpenOfAnOpenLinkReturnsAtOnceAndKeepsTheNewBase) {
  auto link = OpenWithVideo();
  EXPECT_EQ(link->Open(nullptr, 2048, true, &window), 0);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(link->BaseAddress(), 2048);
  EXPECT_EQ(loaded, 1);
}

struct FailureCase {
  const char* name;
  void (*arrange)(FakeComponent&, bool& fileMissing);
  int result;
  Log expected;
};

class CameraLinkFailureTest : public CameraLinkTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CameraLinkFailureTest, ReturnsItsCodeAndLeavesNothingLoaded) {
  GetParam().arrange(fake, fileMissing);
  CameraLink link(MakeOptions());
  EXPECT_EQ(link.Open(nullptr, 3072, true, &window), GetParam().result);
  EXPECT_EQ(log, GetParam().expected);
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(link.SelectedIndex(), -1);
  EXPECT_EQ(loaded, 0);
  EXPECT_EQ(fake.LiveReferences(), 0);
  // Nothing is left to release: a close afterwards calls nothing.
  log.clear();
  link.Close();
  EXPECT_TRUE(log.empty());
}

const Log kUpToCameras = {"register", "create enumerator", "create control", "enumerate enumerator 10"};

INSTANTIATE_TEST_SUITE_P(
    OpenFailures, CameraLinkFailureTest,
    ::testing::Values(
        FailureCase{"FileMissing", [](FakeComponent&, bool& missing) { missing = true; }, 4, {}},
        FailureCase{"RegistrationMissing", [](FakeComponent& f, bool&) { f.registerMissing = true; }, 4, {"unload"}},
        FailureCase{"RegistrationFails", [](FakeComponent& f, bool&) { f.registerFails = true; }, 4,
                    {"register", "unload"}},
        FailureCase{"NoControlObject", [](FakeComponent& f, bool&) { f.controlFails = true; }, 4,
                    {"register", "create enumerator", "create control", "release enumerator", "unload"}},
        FailureCase{"NoEnumerator", [](FakeComponent& f, bool&) { f.enumeratorFails = true; }, 3,
                    {"register", "create enumerator", "create control", "release control", "unload"}},
        FailureCase{"NoCamera", [](FakeComponent& f, bool&) { f.cameras.clear(); }, 3,
                    Concat({kUpToCameras, {"release control", "release enumerator", "unload"}})},
        FailureCase{"NoAcceptedIdentity", [](FakeComponent& f, bool&) { f.SetIdentity(0, u"KORVEXANDB"); }, 2,
                    Concat({kUpToCameras, {"create stream"}, EntryEvents(0), Reads(3072, 10),
                            {"switch 0", "release control", "release enumerator", "release stream",
                             "release device0", "unload"}})},
        FailureCase{"EveryEntryFailsToOpen", [](FakeComponent& f, bool&) { f.cameras[0].openFails = true; }, 2,
                    Concat({kUpToCameras,
                            {"create stream", "open-entry 100 3", "switch 0", "release control", "release enumerator",
                             "release stream", "unload"}})}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST_F(CameraLinkTest, GraphFailuresGiveFourButTheLinkStaysOpen) {
  for (const bool buildFails : {true, false}) {
    graph = GraphScript{};
    (buildFails ? graph.buildResult : graph.attachResult) = 1;
    log.clear();
    CameraLink link(MakeOptions());
    EXPECT_EQ(link.Open(nullptr, 3072, true, &window), 4);
    EXPECT_TRUE(link.IsOpen());
    EXPECT_EQ(link.SelectedIndex(), 0);
    EXPECT_EQ(log.back(), buildFails ? "build 0 1600x1200" : "attach-window");
    EXPECT_EQ(loaded, 1);
    EXPECT_TRUE(link.WriteBridgeRegister(0xB03E, 0x20));
    link.Close();
    EXPECT_EQ(loaded, 0);
  }
}

TEST_F(CameraLinkTest, SecondOfTwoCamerasIsSelectedAndBoundInTheGraph) {
  fake.cameras.resize(2);
  fake.SetIdentity(0, u"QWERTYUIOP");
  fake.SetIdentity(1, u"Zandovre42");
  CameraLink link(MakeOptions());
  EXPECT_EQ(link.Open(nullptr, 3072, true, &window), 0);
  EXPECT_EQ(link.SelectedIndex(), 1);
  const Log expected = Concat({kUpToCameras, {"create stream"}, EntryEvents(0), Reads(3072, 10), EntryEvents(1),
                               Reads(3072, 10), {"switch 1", "build 1 1600x1200", "attach-window"}});
  EXPECT_EQ(log, expected);
}

TEST_F(CameraLinkTest, FirstAcceptedCameraWinsAndLaterEntriesAreNotOpened) {
  fake.cameras.resize(3);
  fake.cameras[0].openFails = true;
  fake.SetIdentity(1, u"PELUSTRINE");
  fake.SetIdentity(2, u"KORVEXANDA");
  CameraLink link(MakeOptions());
  EXPECT_EQ(link.Open(nullptr, 3072, false, nullptr), 0);
  EXPECT_EQ(link.SelectedIndex(), 1);
  for (const std::string& event : log) EXPECT_NE(event, "open-entry 102 5");
}

TEST_F(CameraLinkTest, WithoutStreamObjectTheOpenGoesOnWithoutSwitching) {
  fake.streamFails = true;
  CameraLink link(MakeOptions());
  EXPECT_EQ(link.Open(nullptr, 3072, true, &window), 0);
  const Log expected = Concat({kUpToCameras, {"create stream"}, EntryEvents(0, false), Reads(3072, 10),
                               {"build 0 1600x1200", "attach-window"}});
  EXPECT_EQ(log, expected);
}

TEST_F(CameraLinkTest, OnlyTheFirstTenIdentityWordsCount) {
  struct Case {
    std::u16string eeprom;
    int result;
  };
  const Case cases[] = {
      {u"PELUSTRINEXYZ", 0},  // whatever follows the ten words is not read
      {u"PELUSTRIN", 2},      // nine characters and a zero word
      {u"Zandovre42", 0},
      {u"zandovre42", 2},
      {u"KORVEX", 2},
  };
  for (const Case& c : cases) {
    fake.cameras.assign(1, FakeCamera{});
    fake.SetIdentity(0, c.eeprom);
    log.clear();
    CameraLink link(MakeOptions());
    EXPECT_EQ(link.Open(nullptr, 3072, false, nullptr), c.result);
    int reads = 0;
    for (const std::string& event : log) reads += event.rfind("read ", 0) == 0;
    EXPECT_EQ(reads, 10);
  }
}

TEST_F(CameraLinkTest, AGivenIdentityReadsItsLengthAndMustMatchExactly) {
  fake.cameras.resize(2);
  fake.SetIdentity(0, u"KORVEXANDA");
  fake.SetIdentity(1, u"CAM-7");
  struct Case {
    std::u16string identity;
    int result;
    int selected;
  };
  const Case cases[] = {
      {u"CAM-7", 0, 1},      // five words read from each camera
      {u"KORVEX", 0, 0},     // its first six words are the whole text read
      {u"PELUSTRINE", 2, -1},  // an accepted text that no camera carries
      {u"CAM-7X", 2, -1},    // the zero after CAM-7 ends the text
  };
  for (const Case& c : cases) {
    log.clear();
    CameraLink link(MakeOptions());
    EXPECT_EQ(link.Open(&c.identity, 3072, false, nullptr), c.result);
    EXPECT_EQ(link.SelectedIndex(), c.selected);
    int reads = 0;
    for (const std::string& event : log) reads += event.rfind("read ", 0) == 0;
    EXPECT_EQ(reads, static_cast<int>(c.identity.size()) * (c.selected == 0 ? 1 : 2));
  }
}

TEST_F(CameraLinkTest, IdentityIsReadAtTheGivenBase) {
  fake.cameras[0].eeprom.clear();
  for (int i = 0; i < 10; ++i) fake.cameras[0].eeprom[static_cast<uint16_t>(100 + i)] = u"KORVEXANDA"[i];
  CameraLink link(MakeOptions());
  EXPECT_EQ(link.Open(nullptr, 100, false, nullptr), 0);
  EXPECT_EQ(link.BaseAddress(), 100);
}

TEST_F(CameraLinkTest, NoWaitDuringOpenAndTheFirstAccessWaitsUntilFiveSecondsAfterIt) {
  auto link = OpenWithVideo();
  const uint64_t openedAt = clock.now;
  clock.now += 1200;
  uint16_t word = 0;
  EXPECT_TRUE(link->ReadWords(3072, 1, &word));
  EXPECT_EQ(log, (Log{"sleep 3800", "read 00A0:0C00"}));
  EXPECT_GE(clock.now, openedAt + 5000);
  EXPECT_EQ(word, u'K');
  log.clear();
  EXPECT_TRUE(link->ReadWords(3073, 1, &word));
  EXPECT_EQ(log, (Log{"read 00A0:0C01"}));
}

TEST_F(CameraLinkTest, TheOpenItselfNeverSleeps) {
  for (const bool video : {true, false}) {
    log.clear();
    CameraLink link(MakeOptions());
    EXPECT_EQ(link.Open(nullptr, 3072, video, &window), 0);
    for (const std::string& event : log) EXPECT_NE(event.rfind("sleep", 0), 0u) << event;
  }
}

TEST_F(CameraLinkTest, TheWaitIsOverWhenFiveSecondsHavePassedAlready) {
  auto link = OpenWithVideo();
  clock.now += 5000;
  EXPECT_TRUE(link->ProgramSensor(1024, 20, 20, 20, 1));
  EXPECT_NE(log.front().rfind("sleep", 0), 0u);
}

TEST_F(CameraLinkTest, AnOpenWithoutVideoLeavesTheEepromReady) {
  // The time of opening is recorded only at the end of an open with video.
  CameraLink link(MakeOptions());
  ASSERT_EQ(link.Open(nullptr, 3072, false, nullptr), 0);
  log.clear();
  uint16_t word = 0;
  EXPECT_TRUE(link.ReadWords(3072, 1, &word));
  EXPECT_EQ(log, (Log{"read 00A0:0C00"}));
}

TEST_F(CameraLinkTest, WriteWordsVerifiesEveryWord) {
  auto link = OpenWithVideo();
  clock.now += 6000;
  const uint16_t values[] = {0x0031, 0x0032, 0x0033};
  EXPECT_TRUE(link->WriteWords(3086, 3, values));
  EXPECT_EQ(log, (Log{"bridge B03C=0020", "write 00A0:0C0E=0031", "write 00A0:0C0F=0032", "write 00A0:0C10=0033",
                      "read 00A0:0C0E", "read 00A0:0C0F", "read 00A0:0C10", "bridge B03C=0022"}));
  EXPECT_EQ(fake.cameras[0].eeprom[0x0C0F], 0x0032);
}

TEST_F(CameraLinkTest, WriteWordsMismatchRestoresTheGuardAndFails) {
  auto link = OpenWithVideo();
  clock.now += 6000;
  fake.cameras[0].stuckWords = {0x0C0F};
  const uint16_t values[] = {0x0031, 0x0032, 0x0033};
  EXPECT_FALSE(link->WriteWords(3086, 3, values));
  EXPECT_EQ(log, (Log{"bridge B03C=0020", "write 00A0:0C0E=0031", "write 00A0:0C0F=0032", "write 00A0:0C10=0033",
                      "read 00A0:0C0E", "read 00A0:0C0F", "read 00A0:0C10", "bridge B03C=0022"}));
}

Log SensorEvents(int kind) {
  Log events = {"bridge B3AB=0000"};
  if (kind == 1) events.insert(events.end(), {"bridge B03D=0020", "bridge B030=0022"});
  if (kind == 2) events.insert(events.end(), {"bridge B030=0020", "bridge B03D=0022"});
  events.insert(events.end(), {"bridge B482=00C0", "bridge B3AB=0000"});
  const char* registers[] = {"F0=0001", "97=0000", "F0=0000", "09=0580", "2B=00A8", "2C=00B0", "2D=00C0", "2E=00A8"};
  for (const char* r : registers) events.insert(events.end(), {std::string("sensor ") + r, "sleep 3"});
  if (kind == 2) events.insert(events.end(), {"sensor 2F=0090", "sleep 3"});
  events.push_back("sleep 1000");
  return events;
}

TEST_F(CameraLinkTest, ProgramSensorWritesTheSequenceOfEachKind) {
  for (const int kind : {1, 2, 3}) {
    auto link = OpenWithVideo();
    clock.now += 6000;
    EXPECT_TRUE(link->ProgramSensor(0x580, 0xC0, 0xA8, 0xB0, kind));
    EXPECT_EQ(log, SensorEvents(kind)) << "kind " << kind;
  }
}

TEST_F(CameraLinkTest, CalibrationRecordWritesHighAndLowBytesThroughWriteWords) {
  for (const int kind : {1, 2}) {
    auto link = OpenWithVideo();
    clock.now += 6000;
    EXPECT_TRUE(link->WriteCalibrationRecord(kind, 0x1580, 0xC0, 0x0A8, 0x1FF));
    const unsigned at = 3072 + (kind == 1 ? 48 : 56);
    Log expected = {"bridge B03C=0020"};
    const unsigned words[] = {0x15, 0x80, 0x00, 0xC0, 0x00, 0xA8, 0x01, 0xFF};
    for (unsigned pair = 0; pair < 4; ++pair) {
      const std::string a = Hex4(at + 2 * pair), b = Hex4(at + 2 * pair + 1);
      expected.insert(expected.end(), {"bridge B03C=0020", "write 00A0:" + a + "=" + Hex4(words[2 * pair]),
                                       "write 00A0:" + b + "=" + Hex4(words[2 * pair + 1]), "read 00A0:" + a,
                                       "read 00A0:" + b, "bridge B03C=0022"});
    }
    expected.push_back("bridge B03C=0022");
    EXPECT_EQ(log, expected) << "kind " << kind;
  }
}

TEST_F(CameraLinkTest, CalibrationRecordIsTrueEvenWhenAWordDoesNotStick) {
  auto link = OpenWithVideo();
  clock.now += 6000;
  fake.cameras[0].stuckWords = {3072 + 49};
  EXPECT_TRUE(link->WriteCalibrationRecord(1, 1024, 20, 20, 20));
  log.clear();
  EXPECT_TRUE(link->WriteCalibrationRecord(0, 1, 2, 3, 4));
  EXPECT_TRUE(link->WriteCalibrationRecord(3, 1, 2, 3, 4));
  EXPECT_TRUE(log.empty());
}

TEST_F(CameraLinkTest, CloseReleasesInOrderAndASecondCloseDoesNothing) {
  fake.cameras.resize(2);
  fake.SetIdentity(0, u"NOPE");
  fake.SetIdentity(1, u"KORVEXANDA");
  CameraLink link(MakeOptions());
  ASSERT_EQ(link.Open(nullptr, 3072, true, &window), 0);
  log.clear();
  link.Close();
  EXPECT_EQ(log, (Log{"switch 0", "teardown", "release control", "release enumerator", "release stream",
                      "release device0", "release device1", "unload"}));
  EXPECT_FALSE(link.IsOpen());
  EXPECT_EQ(link.SelectedIndex(), -1);
  EXPECT_EQ(fake.LiveReferences(), 0);
  log.clear();
  link.Close();
  EXPECT_TRUE(log.empty());
}

TEST_F(CameraLinkTest, DestroyingTheLinkClosesIt) {
  {
    auto link = OpenWithVideo();
  }
  EXPECT_EQ(loaded, 0);
  EXPECT_EQ(fake.LiveReferences(), 0);
  EXPECT_EQ(log.back(), "unload");
}

TEST_F(CameraLinkTest, AClosedLinkRefusesEveryOperation) {
  auto link = OpenWithVideo();
  link->Close();
  CameraLink never(MakeOptions());
  for (CameraLink* l : {link.get(), &never}) {
    uint16_t words[2] = {0, 0};
    EXPECT_FALSE(l->ReadWords(3072, 2, words));
    EXPECT_FALSE(l->WriteWords(3072, 2, words));
    EXPECT_FALSE(l->ProgramSensor(1024, 20, 20, 20, 1));
    EXPECT_FALSE(l->WriteCalibrationRecord(1, 1024, 20, 20, 20));
    EXPECT_FALSE(l->WriteBridgeRegister(0xB03E, 0x20));
    EXPECT_FALSE(l->GrabFrame().has_value());
  }
  EXPECT_EQ(log, (Log{"switch 0", "teardown", "release control", "release enumerator", "release stream",
                      "release device0", "unload"}));
}

TEST_F(CameraLinkTest, GrabFrameCopiesTheBufferWithTheConnectedFormat) {
  auto link = OpenWithVideo();
  EXPECT_FALSE(link->GrabFrame().has_value());  // the grabber has no buffer yet
  graph.buffer = std::vector<uint8_t>{1, 2, 3, 4};
  std::optional<GrabbedFrame> frame = link->GrabFrame();
  ASSERT_TRUE(frame.has_value());
  EXPECT_EQ(frame->bytes, (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(frame->format.width, 1280);
  EXPECT_EQ(frame->format.height, 1024);
  EXPECT_EQ(frame->format.bitCount, 16);
  EXPECT_EQ(frame->format.size, 4u);
  EXPECT_TRUE(log.empty());  // grabbing writes nothing to the camera
}

TEST_F(CameraLinkTest, WithoutVideoThereIsNoGraphAndNoFrame) {
  CameraLink link(MakeOptions());
  ASSERT_EQ(link.Open(nullptr, 3072, false, nullptr), 0);
  EXPECT_EQ(graphApi, nullptr);
  EXPECT_FALSE(link.GrabFrame().has_value());
  log.clear();
  link.Close();
  EXPECT_EQ(log, (Log{"switch 0", "release control", "release enumerator", "release stream", "release device0",
                      "unload"}));
}

}  // namespace
}  // namespace pixmender

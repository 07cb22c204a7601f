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

// ---- A small recording component ---------------------------------------------

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

// Faults: "register-missing", "register", "enumerator", "control", "stream".
struct FakeComponent {
  std::vector<FakeCamera> cameras{1};
  std::set<std::string> fails;
  Log* log = nullptr;
  std::vector<std::unique_ptr<FakeObject>> objects;
  int attached = -1;
  std::vector<TalvexCountedString> names = std::vector<TalvexCountedString>(10);

  TalvexObject* Make(const std::string& name, int camera = -1) {
    objects.push_back(std::make_unique<FakeObject>(FakeObject{name, camera, 1}));
    return reinterpret_cast<TalvexObject*>(objects.back().get());
  }
  int LiveReferences() const {
    int live = 0;
    for (const auto& object : objects) live += object->refs;
    return live;
  }
  void SetIdentity(int camera, const std::u16string& text, int base = 3072) {
    for (size_t i = 0; i < text.size(); ++i) cameras[size_t(camera)].eeprom[uint16_t(base + i)] = text[i];
  }
  FakeCamera& Attached() { return cameras[size_t(attached)]; }
};

FakeComponent* g_fake = nullptr;
FakeObject* Obj(TalvexObject* object) { return reinterpret_cast<FakeObject*>(object); }
void Record(const std::string& event) { g_fake->log->push_back(event); }

TalvexComponentApi FakeTable() {
  TalvexComponentApi api{};
  if (!g_fake->fails.count("register-missing")) {
    api.DllRegisterServer = [] {
      Record("register");
      return g_fake->fails.count("register") ? TALVEX_E_FAIL : TALVEX_OK;
    };
  }
  api.CreateInstance = [](const char* clsid, const char* iid, TalvexObject** object) {
    const std::pair<const char*, const char*> kinds[] = {{TALVEX_CLSID_ENUMERATOR, TALVEX_IID_ENUMERATOR},
                                                         {TALVEX_CLSID_CONTROL, TALVEX_IID_CONTROL},
                                                         {TALVEX_CLSID_STREAM, TALVEX_IID_STREAM}};
    const char* names[] = {"enumerator", "control", "stream"};
    for (int i = 0; i < 3; ++i) {
      if (std::strcmp(clsid, kinds[i].first) != 0 || std::strcmp(iid, kinds[i].second) != 0) continue;
      Record(std::string("create ") + names[i]);
      if (g_fake->fails.count(names[i])) return TALVEX_E_CLASS_NOT_REGISTERED;
      *object = g_fake->Make(names[i]);
      return TALVEX_OK;
    }
    Record("create unknown");
    return TALVEX_E_CLASS_NOT_REGISTERED;
  };
  api.AddRef = [](TalvexObject* object) { return uint32_t(++Obj(object)->refs); };
  api.Release = [](TalvexObject* object) {
    Record("release " + Obj(object)->name);
    return uint32_t(--Obj(object)->refs);
  };
  // Entry N: first value 100+N, a name of 3 + N % 3 code units.
  api.EnumerateCameras = [](TalvexObject* enumerator, TalvexCameraEntry* table, int32_t* count, int32_t capacity) {
    Record("enumerate " + Obj(enumerator)->name + " " + std::to_string(capacity));
    static const uint16_t kName[] = {'c', 'a', 'm', '0', '0'};
    int32_t n = 0;
    for (; size_t(n) < g_fake->cameras.size() && n < capacity; ++n) {
      g_fake->names[size_t(n)] = TalvexCountedString{uint32_t(3 + n % 3), kName};
      table[n] = TalvexCameraEntry{uint32_t(100 + n), &g_fake->names[size_t(n)]};
    }
    *count = n;
    return TALVEX_OK;
  };
  api.OpenCamera = [](TalvexObject*, uint32_t first, uint32_t length, TalvexObject** filter, TalvexObject** device) {
    const int camera = int(first) - 100;
    Record("open-entry " + std::to_string(first) + " " + std::to_string(length));
    if (g_fake->cameras[size_t(camera)].openFails) return TALVEX_E_FAIL;
    *filter = g_fake->Make("filter" + std::to_string(camera), camera);
    *device = g_fake->Make("device" + std::to_string(camera), camera);
    return TALVEX_OK;
  };
  api.WriteBridgeRegister = [](TalvexObject* control, uint16_t address, uint16_t value) {
    Record("bridge " + Hex4(address) + "=" + Hex4(value) + (Obj(control)->name == "control" ? "" : " bad"));
    return TALVEX_OK;
  };
  api.WriteEepromWord = [](TalvexObject*, uint8_t device, uint16_t address, uint16_t value) {
    Record("write " + Hex4(device) + ":" + Hex4(address) + "=" + Hex4(value));
    if (!g_fake->Attached().stuckWords.count(address)) g_fake->Attached().eeprom[address] = value;
    return TALVEX_OK;
  };
  api.ReadEepromWord = [](TalvexObject*, uint8_t device, uint16_t address, uint16_t* value) {
    Record("read " + Hex4(device) + ":" + Hex4(address));
    *value = g_fake->Attached().eeprom[address];
    return TALVEX_OK;
  };
  api.AttachDevice = [](TalvexObject*, TalvexObject* device) {
    Record("attach-device " + Obj(device)->name);
    g_fake->attached = Obj(device)->camera;
    return TALVEX_OK;
  };
  api.AttachCaptureFilter = [](TalvexObject*, TalvexObject* filter) {
    Record("attach-filter " + Obj(filter)->name);
    return TALVEX_OK;
  };
  api.WriteSensorRegister = [](TalvexObject*, uint32_t addressBytes, const uint8_t* address, uint32_t valueBytes,
                               const uint16_t* value) {
    const bool shape = addressBytes == 1 && valueBytes == 2;
    Record("sensor " + Hex4(*address).substr(2) + "=" + Hex4(*value) + (shape ? "" : " bad"));
    return TALVEX_OK;
  };
  api.StreamSwitch = [](TalvexObject* stream, const char* set, uint32_t property, uint32_t on, uint32_t flags,
                        uint32_t size, uint32_t reserved1, uint32_t reserved2) {
    const bool shape = std::strcmp(set, TALVEX_PROPSET_STREAM) == 0 && property == 1 && flags == 0 && size == 4096 &&
                       reserved1 == 0 && reserved2 == 0 && Obj(stream)->name == "stream";
    Record("switch " + std::to_string(on) + (shape ? "" : " bad"));
    return TALVEX_OK;
  };
  api.StreamAttachCaptureFilter = [](TalvexObject*, TalvexObject* filter) {
    Record("stream-attach " + Obj(filter)->name);
    return TALVEX_OK;
  };
  return api;
}

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
};

class FakeGraph final : public CaptureGraph {
 public:
  FakeGraph(Log& log, const GraphScript& script) : CaptureGraph({}, {}), log_(log), script_(script) {}
  int Build(int index, int width, int height) override {
    log_.push_back("build " + std::to_string(index) + " " + std::to_string(width) + "x" + std::to_string(height));
    return script_.buildResult;
  }
  int AttachToWindow(VideoWindow* window) override {
    log_.push_back(window != nullptr ? "attach-window" : "attach-no-window");
    return script_.attachResult;
  }
  std::optional<std::vector<uint8_t>> GrabCurrentBuffer() override { return script_.buffer; }
  bool ReadFormat(FrameFormat& format) override {
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

class CameraLinkTest : public ::testing::Test {
 public:
  CameraLinkTest() : clock(log) {
    fake.log = &log;
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
      return std::make_unique<ComponentLibrary>(FakeTable(), [this] {
        --loaded;
        log.push_back("unload");
      });
    };
    options.makeGraph = [this](const TalvexComponentApi*) -> std::unique_ptr<CaptureGraph> {
      ++graphsMade;
      return std::make_unique<FakeGraph>(log, graph);
    };
    return options;
  }

  // Opens with video into a window, past the EEPROM's readiness, then forgets the open's events.
  std::unique_ptr<CameraLink> OpenReady() {
    auto link = std::make_unique<CameraLink>(MakeOptions());
    EXPECT_EQ(link->Open(nullptr, 3072, true, &window), 0);
    clock.now += 6000;
    log.clear();
    return link;
  }
  int Reads() const {
    int reads = 0;
    for (const std::string& event : log) reads += event.rfind("read ", 0) == 0;
    return reads;
  }

  Log log;
  FakeComponent fake;
  FakeClock clock;
  GraphScript graph;
  NullWindow window;
  bool fileMissing = false;
  int loaded = 0;
  int graphsMade = 0;
  std::string loadedPath;
};

Log Concat(std::initializer_list<Log> parts) {
  Log all;
  for (const Log& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// Opening entry `camera` up to and including its ten identity reads at 3072.
Log EntryEvents(int camera, bool withStream = true) {
  const std::string n = std::to_string(camera);
  Log events = {"open-entry " + std::to_string(100 + camera) + " " + std::to_string(3 + camera % 3)};
  if (withStream) events.push_back("stream-attach filter" + n);
  events.insert(events.end(), {"attach-device device" + n, "attach-filter filter" + n, "release filter" + n,
                               "bridge 8107=0000"});
  for (unsigned i = 0; i < 10; ++i) events.push_back("read 00A0:" + Hex4(3072 + i));
  return events;
}

const Log kUpToCameras = {"register", "create enumerator", "create control", "enumerate enumerator 10",
                          "create stream"};

TEST_F(CameraLinkTest, OpenWithVideoRunsTheStepsInOrder) {
  CameraLink link(MakeOptions());
  EXPECT_EQ(link.Open(nullptr, 3072, true, &window), 0);
  EXPECT_EQ(log, Concat({kUpToCameras, EntryEvents(0), {"switch 1", "build 0 1600x1200", "attach-window"}}));
  EXPECT_TRUE(link.IsOpen());
  EXPECT_EQ(link.SelectedIndex(), 0);
  EXPECT_EQ(loadedPath, "/nowhere/talvexcam.ax");
  // Opening an open link returns at once and keeps the new base.
  log.clear();
  EXPECT_EQ(link.Open(nullptr, 2048, true, &window), 0);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(link.BaseAddress(), 2048);
}

TEST_F(CameraLinkTest, OpenReturnCodesAndWhatStaysOpen) {
  struct Case {
    const char* name;
    std::function<void(CameraLinkTest&)> arrange;
    int result;
    bool staysOpen;  // graph failures keep the camera link
  };
  const Case cases[] = {
      {"file missing", [](CameraLinkTest& t) { t.fileMissing = true; }, 4, false},
      {"no registration", [](CameraLinkTest& t) { t.fake.fails = {"register-missing"}; }, 4, false},
      {"registration fails", [](CameraLinkTest& t) { t.fake.fails = {"register"}; }, 4, false},
      {"no control", [](CameraLinkTest& t) { t.fake.fails = {"control"}; }, 4, false},
      {"no enumerator", [](CameraLinkTest& t) { t.fake.fails = {"enumerator"}; }, 3, false},
      {"no camera", [](CameraLinkTest& t) { t.fake.cameras.clear(); }, 3, false},
      {"no accepted identity", [](CameraLinkTest& t) { t.fake.SetIdentity(0, u"KORVEXANDB"); }, 2, false},
      {"entry fails to open", [](CameraLinkTest& t) { t.fake.cameras[0].openFails = true; }, 2, false},
      {"graph build fails", [](CameraLinkTest& t) { t.graph.buildResult = 1; }, 4, true},
      {"window attach fails", [](CameraLinkTest& t) { t.graph.attachResult = 1; }, 4, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake = FakeComponent{};
    fake.log = &log;
    fake.SetIdentity(0, u"KORVEXANDA");
    graph = GraphScript{};
    fileMissing = false;
    c.arrange(*this);
    {
      CameraLink link(MakeOptions());
      EXPECT_EQ(link.Open(nullptr, 3072, true, &window), c.result);
      EXPECT_EQ(link.IsOpen(), c.staysOpen);
      EXPECT_EQ(link.SelectedIndex(), c.staysOpen ? 0 : -1);
      EXPECT_EQ(loaded, c.staysOpen ? 1 : 0);
      log.clear();
      if (c.staysOpen) {
        EXPECT_TRUE(link.WriteBridgeRegister(0xB03E, 0x20));
      } else {
        EXPECT_EQ(fake.LiveReferences(), 0);
        link.Close();  // nothing is left to release: the close calls nothing
        EXPECT_TRUE(log.empty());
      }
    }
    EXPECT_EQ(loaded, 0);
    EXPECT_EQ(fake.LiveReferences(), 0);
  }
}

TEST_F(CameraLinkTest, WithoutStreamObjectTheOpenGoesOnWithoutSwitching) {
  fake.fails = {"stream"};
  CameraLink link(MakeOptions());
  EXPECT_EQ(link.Open(nullptr, 3072, true, &window), 0);
  EXPECT_EQ(log, Concat({kUpToCameras, EntryEvents(0, false), {"build 0 1600x1200", "attach-window"}}));
}

TEST_F(CameraLinkTest, SecondOfTwoCamerasIsSelectedAndBoundInTheGraph) {
  fake.cameras.resize(2);
  fake.SetIdentity(0, u"QWERTYUIOP");
  fake.SetIdentity(1, u"Zandovre42");
  CameraLink link(MakeOptions());
  EXPECT_EQ(link.Open(nullptr, 3072, true, &window), 0);
  EXPECT_EQ(link.SelectedIndex(), 1);
  EXPECT_EQ(log, Concat({kUpToCameras, EntryEvents(0), EntryEvents(1),
                         {"switch 1", "build 1 1600x1200", "attach-window"}}));
}

TEST_F(CameraLinkTest, OnlyTheFirstTenIdentityWordsCountAtTheGivenBase) {
  struct Case {
    std::u16string eeprom;
    int base;
    int result;
  };
  const Case cases[] = {
      {u"PELUSTRINEXYZ", 3072, 0},  // whatever follows the ten words is not read
      {u"PELUSTRIN", 3072, 2},      // nine characters and a zero word
      {u"zandovre42", 3072, 2},
      {u"Zandovre42", 100, 0},
  };
  for (const Case& c : cases) {
    fake.cameras.assign(1, FakeCamera{});
    fake.SetIdentity(0, c.eeprom, c.base);
    log.clear();
    CameraLink link(MakeOptions());
    EXPECT_EQ(link.Open(nullptr, c.base, false, nullptr), c.result);
    EXPECT_EQ(Reads(), 10);
  }
}

TEST_F(CameraLinkTest, AGivenIdentityReadsItsLengthAndMustMatchExactly) {
  fake.cameras.resize(2);
  fake.SetIdentity(1, u"CAM-7");
  struct Case {
    std::u16string identity;
    int result;
    int selected;
  };
  const Case cases[] = {
      {u"CAM-7", 0, 1},     // five words read from each camera
      {u"KORVEX", 0, 0},    // its first six words are the whole text read
      {u"CAM-7X", 2, -1},   // the zero after CAM-7 ends the text
  };
  for (const Case& c : cases) {
    log.clear();
    CameraLink link(MakeOptions());
    EXPECT_EQ(link.Open(&c.identity, 3072, false, nullptr), c.result);
    EXPECT_EQ(link.SelectedIndex(), c.selected);
    EXPECT_EQ(Reads(), int(c.identity.size()) * (c.selected == 0 ? 1 : 2));
  }
}

TEST_F(CameraLinkTest, TheFirstEepromAccessWaitsUntilFiveSecondsAfterTheOpen) {
  CameraLink link(MakeOptions());
  ASSERT_EQ(link.Open(nullptr, 3072, true, &window), 0);
  for (const std::string& event : log) EXPECT_NE(event.rfind("sleep", 0), 0u) << event;
  log.clear();
  const uint64_t openedAt = clock.now;
  clock.now += 1200;
  uint16_t word = 0;
  EXPECT_TRUE(link.ReadWords(3072, 1, &word));
  EXPECT_EQ(log, (Log{"sleep 3800", "read 00A0:0C00"}));
  EXPECT_GE(clock.now, openedAt + 5000);
  EXPECT_EQ(word, u'K');
  log.clear();
  EXPECT_TRUE(link.ReadWords(3073, 1, &word));
  EXPECT_EQ(log, (Log{"read 00A0:0C01"}));
  // An open without video records no time of opening: nothing to wait for.
  CameraLink quiet(MakeOptions());
  ASSERT_EQ(quiet.Open(nullptr, 3072, false, nullptr), 0);
  log.clear();
  EXPECT_TRUE(quiet.ReadWords(3072, 1, &word));
  EXPECT_EQ(log, (Log{"read 00A0:0C00"}));
}

TEST_F(CameraLinkTest, WriteWordsReadsBackAndAMismatchFailsAfterRestoringTheGuard) {
  for (const bool stuck : {true, false}) {
    auto link = OpenReady();
    fake.cameras[0].stuckWords = stuck ? std::set<uint16_t>{0x0C0F} : std::set<uint16_t>{};
    const uint16_t values[] = {0x0031, 0x0032, 0x0033};
    EXPECT_EQ(link->WriteWords(3086, 3, values), !stuck);
    EXPECT_EQ(log, (Log{"bridge B03C=0020", "write 00A0:0C0E=0031", "write 00A0:0C0F=0032", "write 00A0:0C10=0033",
                        "read 00A0:0C0E", "read 00A0:0C0F", "read 00A0:0C10", "bridge B03C=0022"}));
  }
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
    auto link = OpenReady();
    EXPECT_TRUE(link->ProgramSensor(0x580, 0xC0, 0xA8, 0xB0, kind));
    EXPECT_EQ(log, SensorEvents(kind)) << "kind " << kind;
  }
}

TEST_F(CameraLinkTest, CalibrationRecordWritesHighAndLowBytesThroughWriteWords) {
  for (const int kind : {1, 2}) {
    auto link = OpenReady();
    fake.cameras[0].stuckWords = {3072 + 49};  // a word that does not stick changes nothing
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
    // Other kinds write nothing.
    log.clear();
    EXPECT_TRUE(link->WriteCalibrationRecord(0, 1, 2, 3, 4));
    EXPECT_TRUE(link->WriteCalibrationRecord(3, 1, 2, 3, 4));
    EXPECT_TRUE(log.empty());
  }
}

TEST_F(CameraLinkTest, CloseReleasesInOrderAndAClosedLinkRefusesEveryOperation) {
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
  CameraLink never(MakeOptions());
  for (CameraLink* l : {&link, &never}) {
    uint16_t words[2] = {0, 0};
    EXPECT_FALSE(l->ReadWords(3072, 2, words));
    EXPECT_FALSE(l->WriteWords(3072, 2, words));
    EXPECT_FALSE(l->ProgramSensor(1024, 20, 20, 20, 1));
    EXPECT_FALSE(l->WriteCalibrationRecord(1, 1024, 20, 20, 20));
    EXPECT_FALSE(l->WriteBridgeRegister(0xB03E, 0x20));
    EXPECT_FALSE(l->GrabFrame().has_value());
  }
  EXPECT_TRUE(log.empty());
}

TEST_F(CameraLinkTest, DestroyingTheLinkClosesIt) {
  OpenReady();
  EXPECT_EQ(loaded, 0);
  EXPECT_EQ(fake.LiveReferences(), 0);
  EXPECT_EQ(log.back(), "unload");
}

TEST_F(CameraLinkTest, GrabFrameCopiesTheBufferWithTheConnectedFormat) {
  auto link = OpenReady();
  EXPECT_FALSE(link->GrabFrame().has_value());  // the grabber has no buffer yet
  graph.buffer = std::vector<uint8_t>{1, 2, 3, 4};
  std::optional<GrabbedFrame> frame = link->GrabFrame();
  ASSERT_TRUE(frame.has_value());
  EXPECT_EQ(frame->bytes, (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(frame->format.width, 1280);
  EXPECT_EQ(frame->format.size, 4u);
  EXPECT_TRUE(log.empty());  // grabbing writes nothing to the camera
  // Without video there is no graph and no frame.
  CameraLink still(MakeOptions());
  ASSERT_EQ(still.Open(nullptr, 3072, false, nullptr), 0);
  EXPECT_EQ(graphsMade, 1);
  EXPECT_FALSE(still.GrabFrame().has_value());
}

}  // namespace
}  // namespace pixmender

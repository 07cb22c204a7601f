#include "tool/camera_link.h"

#include <algorithm>
#include <array>
#include <utility>

#include "tool/video_input_category.h"

namespace pixmender {
namespace {

// The camera table holds at most this many entries; more are not looked at.
constexpr int32_t kCameraTableSize = 10;

// The EEPROM's address on the camera's two-wire bus.
constexpr uint8_t kEepromDevice = 0xA0;

// The EEPROM answers only after the camera has settled this long after opening.
constexpr uint64_t kEepromSettleMs = 5000;
constexpr uint32_t kSensorWritePauseMs = 3;
// Long enough for the next frames to show the new sensor settings.
constexpr uint32_t kSensorSettleMs = 1000;

constexpr int kWantedWidth = 1600;
constexpr int kWantedHeight = 1200;

// Bridge registers and their values.
constexpr uint16_t kBridgeStreamReset = 0x8107;
constexpr uint16_t kBridgeEepromGuard = 0xB03C;
constexpr uint16_t kBridgeVisibleSelect = 0xB03D;
constexpr uint16_t kBridgeInfraredSelect = 0xB030;
constexpr uint16_t kBridgeSensorHold = 0xB3AB;
constexpr uint16_t kBridgeSensorClock = 0xB482;
constexpr uint16_t kSelectOn = 0x20;
constexpr uint16_t kSelectOff = 0x22;

// The stream switch's fixed arguments.
constexpr uint32_t kStreamProperty = 1;
constexpr uint32_t kStreamFlags = 0;
constexpr uint32_t kStreamDataSize = 4096;

const std::array<std::u16string, 3> kAcceptedIdentities = {u"KORVEXANDA", u"PELUSTRINE", u"Zandovre42"};

bool Succeeded(TalvexResult result) { return result >= 0; }

}  // namespace

CameraLink::CameraLink() : CameraLink(Options{}) {}

CameraLink::CameraLink(Options options)
    : options_(std::move(options)), clock_(options_.clock != nullptr ? *options_.clock : SystemClock()) {}

CameraLink::~CameraLink() { Close(); }

int CameraLink::Open(const std::u16string* identity, int baseAddress, bool startVideo, VideoWindow* window) {
  baseAddress_ = baseAddress;
  if (open_) {
    return kLinkOk;
  }
  // (The component library needs no per-thread start here: the component is
  // a plain shared object.)
  const std::string path = options_.componentPath.empty() ? ComponentLibrary::DefaultPath() : options_.componentPath;
  library_ = options_.loadComponent ? options_.loadComponent(path) : ComponentLibrary::Load(path);
  if (!library_) {
    return kLinkFailure;
  }
  api_ = &library_->Api();
  if (api_->DllRegisterServer == nullptr || !Succeeded(api_->DllRegisterServer())) {
    library_.reset();
    api_ = nullptr;
    return kLinkFailure;
  }

  if (api_->CreateInstance != nullptr) {
    if (!Succeeded(api_->CreateInstance(TALVEX_CLSID_ENUMERATOR, TALVEX_IID_ENUMERATOR, &enumerator_))) {
      enumerator_ = nullptr;
    }
    if (!Succeeded(api_->CreateInstance(TALVEX_CLSID_CONTROL, TALVEX_IID_CONTROL, &control_))) {
      control_ = nullptr;
    }
  }
  if (control_ == nullptr) {
    Close();
    return kLinkFailure;
  }

  // Without an enumerator there is no camera to find.
  std::array<TalvexCameraEntry, kCameraTableSize> table{};
  int32_t count = 0;
  if (enumerator_ == nullptr || api_->EnumerateCameras == nullptr ||
      !Succeeded(api_->EnumerateCameras(enumerator_, table.data(), &count, kCameraTableSize))) {
    count = 0;
  }
  count = std::min(count, kCameraTableSize);
  if (count <= 0) {
    Close();
    return kLinkNoCamera;
  }

  // The stream object is optional: without it the stream is never switched.
  if (!Succeeded(api_->CreateInstance(TALVEX_CLSID_STREAM, TALVEX_IID_STREAM, &stream_))) {
    stream_ = nullptr;
  }

  for (int32_t i = 0; i < count && selectedIndex_ < 0; ++i) {
    const TalvexCameraEntry& entry = table[static_cast<size_t>(i)];
    const uint32_t nameLength = entry.second != nullptr ? entry.second->length : 0;
    TalvexObject* filter = nullptr;
    TalvexObject* device = nullptr;
    if (api_->OpenCamera == nullptr ||
        !Succeeded(api_->OpenCamera(enumerator_, entry.first, nameLength, &filter, &device))) {
      continue;
    }
    if (device != nullptr) {
      devices_.push_back(device);
    }
    if (stream_ != nullptr && api_->StreamAttachCaptureFilter != nullptr) {
      api_->StreamAttachCaptureFilter(stream_, filter);
    }
    if (api_->AttachDevice != nullptr) {
      api_->AttachDevice(control_, device);
    }
    if (api_->AttachCaptureFilter != nullptr) {
      api_->AttachCaptureFilter(control_, filter);
    }
    Release(filter);
    WriteBridgeRegister(kBridgeStreamReset, 0);
    if (IdentityMatches(identity)) {
      selectedIndex_ = i;
    }
  }
  if (selectedIndex_ < 0) {
    Close();
    return kLinkNoAcceptedCamera;
  }

  open_ = true;
  if (!startVideo) {
    return kLinkOk;
  }
  if (stream_ != nullptr && api_->StreamSwitch != nullptr) {
    api_->StreamSwitch(stream_, TALVEX_PROPSET_STREAM, kStreamProperty, 1, kStreamFlags, kStreamDataSize, 0, 0);
  }
  if (options_.makeGraph) {
    graph_ = options_.makeGraph(api_);
  } else {
    const TalvexComponentApi* api = api_;
    graph_ = std::make_unique<CaptureGraph>([api] { return EnumerateVideoInputs(api); }, options_.message);
  }
  if (!graph_) {
    return kLinkFailure;
  }
  if (graph_->Build(selectedIndex_, kWantedWidth, kWantedHeight) != 0) {
    return kLinkFailure;
  }
  graphBuilt_ = true;
  if (graph_->AttachToWindow(window) != 0) {
    return kLinkFailure;
  }
  // The time of opening is taken only now, at the very end: until then it is
  // unset, so the identity reads above are not held back by the settling wait
  // (their first read sets EEPROM-ready). Clearing EEPROM-ready makes the
  // first access after opening wait the full five seconds from here. An open
  // without video, or whose graph failed, ends before this point and keeps
  // EEPROM-ready set.
  openedAtMs_ = clock_.NowMs();
  eepromReady_ = false;
  return kLinkOk;
}

bool CameraLink::IdentityMatches(const std::u16string* identity) {
  // Only as many words as the wanted text has characters (10 for the accepted
  // ones) are read, into a zeroed buffer that keeps a terminating zero word.
  const int words = identity != nullptr ? static_cast<int>(identity->size()) : kIdentityWords;
  std::vector<uint16_t> buffer(static_cast<size_t>(words) + 1, 0);
  ReadWords(baseAddress_, words, buffer.data());
  std::u16string text;
  for (uint16_t word : buffer) {
    if (word == 0) {
      break;
    }
    text.push_back(static_cast<char16_t>(word));
  }
  if (identity != nullptr) {
    return text == *identity;
  }
  for (const std::u16string& accepted : kAcceptedIdentities) {
    if (text == accepted) {
      return true;
    }
  }
  return false;
}

void CameraLink::Close() {
  if (api_ != nullptr && stream_ != nullptr && api_->StreamSwitch != nullptr) {
    api_->StreamSwitch(stream_, TALVEX_PROPSET_STREAM, kStreamProperty, 0, kStreamFlags, kStreamDataSize, 0, 0);
  }
  if (graph_ && graphBuilt_) {
    graph_->TearDown();
  }
  // The graph holds source elements made by the component: it goes before the
  // component does.
  graph_.reset();
  graphBuilt_ = false;
  Release(control_);
  Release(enumerator_);
  Release(stream_);
  for (TalvexObject*& device : devices_) {
    Release(device);
  }
  devices_.clear();
  if (library_) {
    library_->Unload();
    library_.reset();
  }
  api_ = nullptr;
  selectedIndex_ = -1;
  openedAtMs_.reset();
  eepromReady_ = false;
  open_ = false;
}

void CameraLink::Release(TalvexObject*& object) {
  if (object != nullptr && api_ != nullptr && api_->Release != nullptr) {
    api_->Release(object);
  }
  object = nullptr;
}

void CameraLink::WaitUntilEepromReady() {
  if (eepromReady_) {
    return;
  }
  if (openedAtMs_) {
    const uint64_t readyAt = *openedAtMs_ + kEepromSettleMs;
    for (uint64_t now = clock_.NowMs(); now < readyAt; now = clock_.NowMs()) {
      clock_.SleepMs(static_cast<uint32_t>(readyAt - now));
    }
  }
  eepromReady_ = true;
}

bool CameraLink::ReadWords(int address, int count, uint16_t* out) {
  if (control_ == nullptr || api_->ReadEepromWord == nullptr || (count > 0 && out == nullptr)) {
    return false;
  }
  WaitUntilEepromReady();
  for (int i = 0; i < count; ++i) {
    api_->ReadEepromWord(control_, kEepromDevice, static_cast<uint16_t>(address + i), &out[i]);
  }
  return true;
}

bool CameraLink::WriteWords(int address, int count, const uint16_t* values) {
  if (control_ == nullptr || api_->WriteEepromWord == nullptr || (count > 0 && values == nullptr)) {
    return false;
  }
  WaitUntilEepromReady();
  WriteBridgeRegister(kBridgeEepromGuard, kSelectOn);
  for (int i = 0; i < count; ++i) {
    api_->WriteEepromWord(control_, kEepromDevice, static_cast<uint16_t>(address + i), values[i]);
  }
  std::vector<uint16_t> readBack(static_cast<size_t>(std::max(count, 0)), 0);
  ReadWords(address, count, readBack.data());
  for (int i = 0; i < count; ++i) {
    if (readBack[static_cast<size_t>(i)] != values[i]) {
      WriteBridgeRegister(kBridgeEepromGuard, kSelectOff);
      return false;
    }
  }
  WriteBridgeRegister(kBridgeEepromGuard, kSelectOff);
  return true;
}

void CameraLink::WriteSensorRegister(uint8_t address, uint16_t value) {
  if (api_->WriteSensorRegister != nullptr) {
    api_->WriteSensorRegister(control_, 1, &address, 2, &value);
  }
  clock_.SleepMs(kSensorWritePauseMs);
}

bool CameraLink::ProgramSensor(int brightness, int red, int green, int blue, int kind) {
  if (control_ == nullptr) {
    return false;
  }
  WaitUntilEepromReady();
  WriteBridgeRegister(kBridgeSensorHold, 0);
  if (kind == 1) {
    WriteBridgeRegister(kBridgeVisibleSelect, kSelectOn);
    WriteBridgeRegister(kBridgeInfraredSelect, kSelectOff);
  } else if (kind == 2) {
    WriteBridgeRegister(kBridgeInfraredSelect, kSelectOn);
    WriteBridgeRegister(kBridgeVisibleSelect, kSelectOff);
  }
  WriteBridgeRegister(kBridgeSensorClock, 0xC0);
  WriteBridgeRegister(kBridgeSensorHold, 0);

  // Register 0xF0 selects the sensor's register page; page 1's 0x97 is reset
  // before the page-0 exposure and gain registers are written.
  WriteSensorRegister(0xF0, 1);
  WriteSensorRegister(0x97, 0);
  WriteSensorRegister(0xF0, 0);
  WriteSensorRegister(0x09, static_cast<uint16_t>(brightness));
  WriteSensorRegister(0x2B, static_cast<uint16_t>(green));
  WriteSensorRegister(0x2C, static_cast<uint16_t>(blue));
  WriteSensorRegister(0x2D, static_cast<uint16_t>(red));
  WriteSensorRegister(0x2E, static_cast<uint16_t>(green));
  if (kind == 2) {
    WriteSensorRegister(0x2F, 144);
  }
  clock_.SleepMs(kSensorSettleMs);
  return true;
}

bool CameraLink::WriteCalibrationRecord(int kind, int brightness, int red, int green, int blue) {
  if (control_ == nullptr) {
    return false;
  }
  if (kind != 1 && kind != 2) {
    return true;
  }
  WriteBridgeRegister(kBridgeEepromGuard, kSelectOn);
  const int address = baseAddress_ + (kind == 1 ? kVisibleRecordOffset : kInfraredRecordOffset);
  const int values[] = {brightness, red, green, blue};
  for (int i = 0; i < 4; ++i) {
    const uint16_t words[2] = {static_cast<uint16_t>((values[i] >> 8) & 0xFF),
                               static_cast<uint16_t>(values[i] & 0xFF)};
    // The dialog does not act on a failed record write; the result is not kept.
    WriteWords(address + 2 * i, 2, words);
  }
  WriteBridgeRegister(kBridgeEepromGuard, kSelectOff);
  return true;
}

std::optional<GrabbedFrame> CameraLink::GrabFrame() {
  if (!graph_) {
    return std::nullopt;
  }
  std::optional<std::vector<uint8_t>> buffer = graph_->GrabCurrentBuffer();
  if (!buffer) {
    return std::nullopt;
  }
  GrabbedFrame frame;
  frame.bytes = std::move(*buffer);
  if (!graph_->ReadFormat(frame.format)) {
    frame.format = FrameFormat{};
    frame.format.width = graph_->CaptureWidth();
    frame.format.height = graph_->CaptureHeight();
    frame.format.size = frame.bytes.size();
  }
  return frame;
}

bool CameraLink::WriteBridgeRegister(uint16_t address, uint16_t value) {
  if (control_ == nullptr || api_->WriteBridgeRegister == nullptr) {
    return false;
  }
  return Succeeded(api_->WriteBridgeRegister(control_, address, value));
}

}  // namespace pixmender

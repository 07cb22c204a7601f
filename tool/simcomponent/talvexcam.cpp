// The exports of talvexcam.ax: registration, the three objects and their
// methods, and the video inputs the component registers.
#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "tool/simcomponent/sim_video_source.h"
#include "tool/simcomponent/simulation.h"
#include "tool/talvex_component.h"

using pixmender::ObjectKind;
using pixmender::SimCamera;
using pixmender::TheSimulation;

namespace {

constexpr uint8_t kEepromDevice = 0xA0;
constexpr uint32_t kFirstValueBase = 0x1000;  // the entries' first values: 0x1000 + camera index

// No exception leaves the component.
template <typename Call>
TalvexResult Guarded(Call call) {
  try {
    return call();
  } catch (...) {
    return TALVEX_E_FAIL;
  }
}

bool SameGuid(const char* a, const char* b) { return strcasecmp(a, b) == 0; }

TalvexObject* NewObject(ObjectKind kind) {
  auto* object = new TalvexObject;
  object->kind = kind;
  TheSimulation().objects.insert(object);
  return object;
}

// The camera a control or stream object was attached to; null when the
// object is not of `kind` or not attached.
std::shared_ptr<SimCamera> AttachedCamera(TalvexObject* object, ObjectKind kind, TalvexResult& result) {
  auto& sim = TheSimulation();
  std::lock_guard lock(sim.mutex);
  TalvexObject* found = sim.Find(object, kind);
  if (found == nullptr) {
    result = object == nullptr ? TALVEX_E_POINTER : TALVEX_E_NOINTERFACE;
    return nullptr;
  }
  result = found->camera ? TALVEX_OK : TALVEX_E_FAIL;
  return found->camera;
}

// Attaches `target` (a capture filter or device object) to a control or stream object.
TalvexResult Attach(TalvexObject* object, ObjectKind kind, TalvexObject* target, ObjectKind targetKind) {
  auto& sim = TheSimulation();
  std::lock_guard lock(sim.mutex);
  TalvexObject* found = sim.Find(object, kind);
  if (found == nullptr) return object == nullptr ? TALVEX_E_POINTER : TALVEX_E_NOINTERFACE;
  if (target == nullptr) return TALVEX_E_POINTER;
  TalvexObject* attached = sim.Find(target, targetKind);
  if (attached == nullptr) return TALVEX_E_INVALIDARG;
  found->camera = attached->camera;
  return TALVEX_OK;
}

// Keeps this file mapped once a source element exists: the element calls
// back into it for as long as it lives, whoever unloads the component.
void PinModule() {
  static const bool pinned = [] {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&PinModule), &info) == 0 || info.dli_fname == nullptr) return false;
    return dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE) != nullptr;
  }();
  (void)pinned;
}

}  // namespace

extern "C" {

TALVEX_API TalvexResult DllRegisterServer(void) {
  return Guarded([] {
    const char* text = std::getenv("TALVEXCAM_SIM");
    auto& sim = TheSimulation();
    std::lock_guard lock(sim.mutex);
    sim.Reset(text != nullptr ? text : "");
    return sim.registered ? TALVEX_OK : TALVEX_E_FAIL;
  });
}

TALVEX_API TalvexResult TalvexCreateInstance(const char* clsid, const char* iid, TalvexObject** object) {
  return Guarded([&] {
    if (object == nullptr) return TALVEX_E_POINTER;
    *object = nullptr;
    if (clsid == nullptr || iid == nullptr) return TALVEX_E_POINTER;
    auto& sim = TheSimulation();
    std::lock_guard lock(sim.mutex);
    if (!sim.registered) return TALVEX_E_CLASS_NOT_REGISTERED;
    ObjectKind kind;
    const char* expectedIid;
    bool fails = false;
    if (SameGuid(clsid, TALVEX_CLSID_ENUMERATOR)) {
      kind = ObjectKind::kEnumerator;
      expectedIid = TALVEX_IID_ENUMERATOR;
    } else if (SameGuid(clsid, TALVEX_CLSID_CONTROL)) {
      kind = ObjectKind::kControl;
      expectedIid = TALVEX_IID_CONTROL;
      fails = sim.config.failControl;
    } else if (SameGuid(clsid, TALVEX_CLSID_STREAM)) {
      kind = ObjectKind::kStream;
      expectedIid = TALVEX_IID_STREAM;
      fails = sim.config.failStream;
    } else {
      return TALVEX_E_CLASS_NOT_REGISTERED;
    }
    if (!SameGuid(iid, expectedIid)) return TALVEX_E_NOINTERFACE;
    if (fails) return TALVEX_E_FAIL;
    TalvexObject* created = NewObject(kind);
    if (kind == ObjectKind::kEnumerator) {
      // The table is fixed when the enumerator is made; its names live as long as it.
      created->cameras = sim.cameras;
      for (size_t i = 0; i < sim.cameras.size(); ++i) {
        std::string name = pixmender::CameraName(static_cast<int>(i));
        created->names.emplace_back(name.begin(), name.end());
      }
      for (const std::u16string& name : created->names) {
        created->countedNames.push_back(
            {static_cast<uint32_t>(name.size()), reinterpret_cast<const uint16_t*>(name.c_str())});
      }
    }
    *object = created;
    return TALVEX_OK;
  });
}

TALVEX_API uint32_t TalvexAddRef(TalvexObject* object) {
  try {
    auto& sim = TheSimulation();
    std::lock_guard lock(sim.mutex);
    if (object == nullptr || sim.objects.count(object) == 0) return 0;
    return ++object->references;
  } catch (...) {
    return 0;
  }
}

TALVEX_API uint32_t TalvexRelease(TalvexObject* object) {
  try {
    auto& sim = TheSimulation();
    std::unique_lock lock(sim.mutex);
    if (object == nullptr || sim.objects.count(object) == 0) return 0;
    uint32_t left = --object->references;
    if (left == 0) {
      sim.objects.erase(object);
      lock.unlock();
      delete object;
    }
    return left;
  } catch (...) {
    return 0;
  }
}

TALVEX_API TalvexResult TalvexEnumerateCameras(TalvexObject* enumerator, TalvexCameraEntry* table, int32_t* count,
                                               int32_t capacity) {
  return Guarded([&] {
    auto& sim = TheSimulation();
    std::lock_guard lock(sim.mutex);
    TalvexObject* found = sim.Find(enumerator, ObjectKind::kEnumerator);
    if (found == nullptr) return enumerator == nullptr ? TALVEX_E_POINTER : TALVEX_E_NOINTERFACE;
    if (count == nullptr || (table == nullptr && capacity > 0)) return TALVEX_E_POINTER;
    if (capacity < 0) return TALVEX_E_INVALIDARG;
    size_t n = std::min(found->cameras.size(), static_cast<size_t>(capacity));
    for (size_t i = 0; i < n; ++i) {
      table[i].first = kFirstValueBase + static_cast<uint32_t>(i);
      table[i].second = &found->countedNames[i];
    }
    *count = static_cast<int32_t>(n);
    return TALVEX_OK;
  });
}

TALVEX_API TalvexResult TalvexOpenCamera(TalvexObject* enumerator, uint32_t first, uint32_t nameLength,
                                         TalvexObject** captureFilter, TalvexObject** device) {
  return Guarded([&] {
    if (captureFilter != nullptr) *captureFilter = nullptr;
    if (device != nullptr) *device = nullptr;
    auto& sim = TheSimulation();
    std::lock_guard lock(sim.mutex);
    TalvexObject* found = sim.Find(enumerator, ObjectKind::kEnumerator);
    if (found == nullptr) return enumerator == nullptr ? TALVEX_E_POINTER : TALVEX_E_NOINTERFACE;
    if (captureFilter == nullptr || device == nullptr) return TALVEX_E_POINTER;
    size_t index = first - kFirstValueBase;
    if (first < kFirstValueBase || index >= found->cameras.size() || found->names[index].size() != nameLength) {
      return TALVEX_E_INVALIDARG;
    }
    if (sim.config.failOpen) return TALVEX_E_FAIL;
    TalvexObject* filter = NewObject(ObjectKind::kCaptureFilter);
    filter->camera = found->cameras[index];
    TalvexObject* deviceObject = NewObject(ObjectKind::kDevice);
    deviceObject->camera = found->cameras[index];
    *captureFilter = filter;
    *device = deviceObject;
    return TALVEX_OK;
  });
}

TALVEX_API TalvexResult TalvexWriteBridgeRegister(TalvexObject* control, uint16_t address, uint16_t value) {
  return Guarded([&] {
    TalvexResult result;
    auto camera = AttachedCamera(control, ObjectKind::kControl, result);
    if (!camera) return result;
    camera->WriteBridgeRegister(address, value);
    TheSimulation().Record(*camera, TALVEX_SIM_BRIDGE, address, value);
    return TALVEX_OK;
  });
}

TALVEX_API TalvexResult TalvexWriteEepromWord(TalvexObject* control, uint8_t deviceAddress, uint16_t wordAddress,
                                              uint16_t value) {
  return Guarded([&] {
    TalvexResult result;
    auto camera = AttachedCamera(control, ObjectKind::kControl, result);
    if (!camera) return result;
    if (deviceAddress != kEepromDevice || wordAddress >= pixmender::SimConfig::kEepromWords) {
      return TALVEX_E_INVALIDARG;
    }
    camera->WriteEepromWord(wordAddress, value);
    TheSimulation().Record(*camera, TALVEX_SIM_EEPROM_WRITE, wordAddress, value);
    return TALVEX_OK;
  });
}

TALVEX_API TalvexResult TalvexReadEepromWord(TalvexObject* control, uint8_t deviceAddress, uint16_t wordAddress,
                                             uint16_t* value) {
  return Guarded([&] {
    TalvexResult result;
    auto camera = AttachedCamera(control, ObjectKind::kControl, result);
    if (!camera) return result;
    if (value == nullptr) return TALVEX_E_POINTER;
    if (deviceAddress != kEepromDevice || wordAddress >= pixmender::SimConfig::kEepromWords) {
      return TALVEX_E_INVALIDARG;
    }
    *value = camera->ReadEepromWord(wordAddress);
    TheSimulation().Record(*camera, TALVEX_SIM_EEPROM_READ, wordAddress, *value);
    return TALVEX_OK;
  });
}

TALVEX_API TalvexResult TalvexAttachDevice(TalvexObject* control, TalvexObject* device) {
  return Guarded([&] { return Attach(control, ObjectKind::kControl, device, ObjectKind::kDevice); });
}

TALVEX_API TalvexResult TalvexAttachCaptureFilter(TalvexObject* control, TalvexObject* filter) {
  return Guarded([&] { return Attach(control, ObjectKind::kControl, filter, ObjectKind::kCaptureFilter); });
}

TALVEX_API TalvexResult TalvexWriteSensorRegister(TalvexObject* control, uint32_t addressBytes, const uint8_t* address,
                                                  uint32_t valueBytes, const uint16_t* value) {
  return Guarded([&] {
    TalvexResult result;
    auto camera = AttachedCamera(control, ObjectKind::kControl, result);
    if (!camera) return result;
    if (address == nullptr || value == nullptr) return TALVEX_E_POINTER;
    // The sensor has one-byte register addresses and 16-bit registers.
    if (addressBytes != 1 || valueBytes != 2) return TALVEX_E_INVALIDARG;
    camera->WriteSensorRegister(*address, *value);
    TheSimulation().Record(*camera, TALVEX_SIM_SENSOR, *address, *value);
    return TALVEX_OK;
  });
}

TALVEX_API TalvexResult TalvexStreamSwitch(TalvexObject* stream, const char* propertySet, uint32_t property,
                                           uint32_t on, uint32_t /*flags*/, uint32_t /*dataSize*/,
                                           uint32_t /*reserved1*/, uint32_t /*reserved2*/) {
  return Guarded([&] {
    TalvexResult result;
    auto camera = AttachedCamera(stream, ObjectKind::kStream, result);
    if (!camera) return result;
    if (propertySet == nullptr) return TALVEX_E_POINTER;
    if (!SameGuid(propertySet, TALVEX_PROPSET_STREAM) || property != 1) return TALVEX_E_INVALIDARG;
    camera->SetStreamSwitch(on != 0);
    TheSimulation().Record(*camera, TALVEX_SIM_STREAM, property, on);
    return TALVEX_OK;
  });
}

TALVEX_API TalvexResult TalvexStreamAttachCaptureFilter(TalvexObject* stream, TalvexObject* filter) {
  return Guarded([&] { return Attach(stream, ObjectKind::kStream, filter, ObjectKind::kCaptureFilter); });
}

TALVEX_API int32_t TalvexVideoInputCount(void) {
  try {
    auto& sim = TheSimulation();
    std::lock_guard lock(sim.mutex);
    return sim.registered ? static_cast<int32_t>(sim.cameras.size()) : 0;
  } catch (...) {
    return 0;
  }
}

TALVEX_API TalvexResult TalvexVideoInputName(int32_t index, char* name, uint32_t size) {
  return Guarded([&] {
    if (name == nullptr) return TALVEX_E_POINTER;
    auto& sim = TheSimulation();
    std::lock_guard lock(sim.mutex);
    if (!sim.registered || !sim.Camera(index)) return TALVEX_E_INVALIDARG;
    if (size == 0) return TALVEX_E_INVALIDARG;
    std::string text = pixmender::CameraName(index);
    size_t n = std::min(text.size(), static_cast<size_t>(size) - 1);
    std::memcpy(name, text.data(), n);
    name[n] = '\0';
    return TALVEX_OK;
  });
}

TALVEX_API void* TalvexCreateVideoSource(int32_t index) {
  try {
    std::shared_ptr<SimCamera> camera;
    std::vector<pixmender::FrameSize> sizes;
    int fps = 0;
    {
      auto& sim = TheSimulation();
      std::lock_guard lock(sim.mutex);
      if (!sim.registered) return nullptr;
      camera = sim.Camera(index);
      sizes = sim.config.sizes;
      fps = sim.config.fps;
    }
    if (!camera) return nullptr;
    PinModule();
    return pixmender::CreateSimVideoSource(std::move(camera), sizes, fps);
  } catch (...) {
    return nullptr;
  }
}

}  // extern "C"

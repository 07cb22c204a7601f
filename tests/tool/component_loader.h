// The simulated component loaded as the tool loads it (dlopen by file name),
// with its simulator-only functions, for the component's tests.
#ifndef PIXMENDER_TESTS_TOOL_COMPONENT_LOADER_H
#define PIXMENDER_TESTS_TOOL_COMPONENT_LOADER_H

#include <dlfcn.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tool/simcomponent/talvexcam_sim.h"
#include "tool/talvex_component.h"
#include "tool_test_support.h"

namespace pixmender::testing {

struct SimComponent {
  void* handle = nullptr;
  TalvexComponentApi api{};
  TalvexSimWriteCountFn writeCount = nullptr;
  TalvexSimGetWritesFn getWrites = nullptr;
  TalvexSimClearWritesFn clearWrites = nullptr;
  TalvexSimPeekEepromFn peekEeprom = nullptr;
  TalvexSimPokeEepromFn pokeEeprom = nullptr;
  TalvexSimPeekSensorFn peekSensor = nullptr;
  TalvexSimSetStreamingFn setStreaming = nullptr;

  // Sets TALVEXCAM_SIM and registers the component again, which resets the simulation.
  TalvexResult Register(const std::string& config) const {
    setenv("TALVEXCAM_SIM", config.c_str(), 1);
    return api.DllRegisterServer();
  }

  std::vector<TalvexSimWrite> Writes() const {
    std::vector<TalvexSimWrite> writes(static_cast<size_t>(writeCount()));
    writes.resize(static_cast<size_t>(getWrites(writes.data(), 0, static_cast<int32_t>(writes.size()))));
    return writes;
  }
};

// Loaded once per test program; null when the file or a function is missing.
inline const SimComponent* LoadSimComponent() {
  static SimComponent* loaded = [] () -> SimComponent* {
    void* handle = dlopen(SimComponentPath(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return nullptr;
    auto* c = new SimComponent;
    c->handle = handle;
    bool complete = true;
    auto find = [&](auto& function, const char* name) {
      function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(handle, name));
      complete = complete && function != nullptr;
    };
    TalvexComponentApi& a = c->api;
    find(a.DllRegisterServer, "DllRegisterServer");
    find(a.CreateInstance, "TalvexCreateInstance");
    find(a.AddRef, "TalvexAddRef");
    find(a.Release, "TalvexRelease");
    find(a.EnumerateCameras, "TalvexEnumerateCameras");
    find(a.OpenCamera, "TalvexOpenCamera");
    find(a.WriteBridgeRegister, "TalvexWriteBridgeRegister");
    find(a.WriteEepromWord, "TalvexWriteEepromWord");
    find(a.ReadEepromWord, "TalvexReadEepromWord");
    find(a.AttachDevice, "TalvexAttachDevice");
    find(a.AttachCaptureFilter, "TalvexAttachCaptureFilter");
    find(a.WriteSensorRegister, "TalvexWriteSensorRegister");
    find(a.StreamSwitch, "TalvexStreamSwitch");
    find(a.StreamAttachCaptureFilter, "TalvexStreamAttachCaptureFilter");
    find(a.VideoInputCount, "TalvexVideoInputCount");
    find(a.VideoInputName, "TalvexVideoInputName");
    find(a.CreateVideoSource, "TalvexCreateVideoSource");
    find(c->writeCount, "TalvexSimWriteCount");
    find(c->getWrites, "TalvexSimGetWrites");
    find(c->clearWrites, "TalvexSimClearWrites");
    find(c->peekEeprom, "TalvexSimPeekEeprom");
    find(c->pokeEeprom, "TalvexSimPokeEeprom");
    find(c->peekSensor, "TalvexSimPeekSensor");
    find(c->setStreaming, "TalvexSimSetStreaming");
    if (complete) return c;
    delete c;
    dlclose(handle);
    return nullptr;
  }();
  return loaded;
}


// A test of the component as the camera link uses it: the objects it makes
// are released and the simulation is reset after each test.
class SimComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim_ = LoadSimComponent();
    ASSERT_NE(sim_, nullptr) << dlerror();
  }
  void TearDown() override {
    for (TalvexObject* object : objects_) sim_->api.Release(object);
    sim_->Register("");
  }
  const TalvexComponentApi& Api() const { return sim_->api; }

  // A new object, released after the test; null when it cannot be made.
  TalvexObject* Create(const char* clsid, const char* iid) {
    TalvexObject* object = nullptr;
    if (Api().CreateInstance(clsid, iid, &object) != TALVEX_OK) return nullptr;
    objects_.push_back(object);
    return object;
  }
  TalvexObject* Enumerator() { return Create(TALVEX_CLSID_ENUMERATOR, TALVEX_IID_ENUMERATOR); }
  TalvexObject* Control() { return Create(TALVEX_CLSID_CONTROL, TALVEX_IID_CONTROL); }
  TalvexObject* Stream() { return Create(TALVEX_CLSID_STREAM, TALVEX_IID_STREAM); }

  std::vector<TalvexCameraEntry> Entries(TalvexObject* enumerator) {
    std::vector<TalvexCameraEntry> table(10);
    int32_t count = -1;
    EXPECT_EQ(Api().EnumerateCameras(enumerator, table.data(), &count, 10), TALVEX_OK);
    table.resize(count < 0 ? 0 : static_cast<size_t>(count));
    return table;
  }

  // Opens an entry and attaches the control object (and the stream object)
  // as the camera link does; false when the entry cannot be opened.
  bool OpenAndAttach(TalvexObject* enumerator, const TalvexCameraEntry& entry, TalvexObject* control,
                     TalvexObject* stream) {
    TalvexObject* filter = nullptr;
    TalvexObject* device = nullptr;
    if (Api().OpenCamera(enumerator, entry.first, entry.second->length, &filter, &device) != TALVEX_OK) return false;
    objects_.push_back(device);
    if (stream != nullptr) {
      EXPECT_EQ(Api().StreamAttachCaptureFilter(stream, filter), TALVEX_OK);
    }
    EXPECT_EQ(Api().AttachDevice(control, device), TALVEX_OK);
    EXPECT_EQ(Api().AttachCaptureFilter(control, filter), TALVEX_OK);
    Api().Release(filter);
    return true;
  }

  const SimComponent* sim_ = nullptr;
  std::vector<TalvexObject*> objects_;
};

}  // namespace pixmender::testing

#endif

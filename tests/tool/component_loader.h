// The simulated component loaded as the tool loads it (dlopen by file name),
// with its simulator-only functions, for the component's tests.
#ifndef PIXMENDER_TESTS_TOOL_COMPONENT_LOADER_H
#define PIXMENDER_TESTS_TOOL_COMPONENT_LOADER_H

#include <dlfcn.h>

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

}  // namespace pixmender::testing

#endif

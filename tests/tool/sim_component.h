// The simulated component file the tool loads in the tests, and its
// simulator-only functions (traffic log, EEPROM and sensor peeks, unplugging).
// The test program's own reference keeps the file loaded between the tool's loads.
#ifndef PIXMENDER_TESTS_TOOL_SIM_COMPONENT_H
#define PIXMENDER_TESTS_TOOL_SIM_COMPONENT_H

#include <dlfcn.h>

#include <vector>

#include "tool/simcomponent/talvexcam_sim.h"

namespace pixmender::testing {

inline const char* SimComponentPath() { return TALVEXCAM_SIM_PATH; }

struct SimComponent {
  TalvexSimWriteCountFn writeCount = nullptr;
  TalvexSimGetWritesFn getWrites = nullptr;
  TalvexSimClearWritesFn clearWrites = nullptr;
  TalvexSimPeekEepromFn peekEeprom = nullptr;
  TalvexSimPeekSensorFn peekSensor = nullptr;
  TalvexSimSetStreamingFn setStreaming = nullptr;

  std::vector<TalvexSimWrite> Writes() const {
    std::vector<TalvexSimWrite> writes(static_cast<size_t>(writeCount()));
    writes.resize(static_cast<size_t>(getWrites(writes.data(), 0, static_cast<int32_t>(writes.size()))));
    return writes;
  }
};

// Null when the file or one of the functions is missing.
inline const SimComponent* LoadSimComponent() {
  static const SimComponent* loaded = []() -> const SimComponent* {
    void* handle = dlopen(SimComponentPath(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return nullptr;
    static SimComponent c;
    bool complete = true;
    auto find = [&](auto& function, const char* name) {
      function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(handle, name));
      complete = complete && function != nullptr;
    };
    find(c.writeCount, "TalvexSimWriteCount");
    find(c.getWrites, "TalvexSimGetWrites");
    find(c.clearWrites, "TalvexSimClearWrites");
    find(c.peekEeprom, "TalvexSimPeekEeprom");
    find(c.peekSensor, "TalvexSimPeekSensor");
    find(c.setStreaming, "TalvexSimSetStreaming");
    return complete ? &c : nullptr;
  }();
  return loaded;
}

}  // namespace pixmender::testing

#endif

// The simulator-only exports: the traffic log and direct access to the
// simulated cameras, for tests. No exception leaves them either.
#include "tool/simcomponent/talvexcam_sim.h"

#include <algorithm>

#include "tool/simcomponent/simulation.h"

using pixmender::TheSimulation;

namespace {

std::shared_ptr<pixmender::SimCamera> CameraAt(int32_t camera) {
  auto& sim = TheSimulation();
  std::lock_guard lock(sim.mutex);
  return sim.Camera(camera);
}

bool ValidAddress(int32_t address) { return address >= 0 && address < pixmender::SimConfig::kEepromWords; }

}  // namespace

extern "C" {

TALVEX_API int32_t TalvexSimWriteCount(void) {
  try {
    auto& sim = TheSimulation();
    std::lock_guard lock(sim.mutex);
    return static_cast<int32_t>(sim.log.size());
  } catch (...) {
    return 0;
  }
}

TALVEX_API int32_t TalvexSimGetWrites(TalvexSimWrite* out, int32_t first, int32_t capacity) {
  try {
    auto& sim = TheSimulation();
    std::lock_guard lock(sim.mutex);
    if (out == nullptr || first < 0 || capacity <= 0 || static_cast<size_t>(first) >= sim.log.size()) return 0;
    size_t n = std::min(sim.log.size() - static_cast<size_t>(first), static_cast<size_t>(capacity));
    std::copy_n(sim.log.begin() + first, n, out);
    return static_cast<int32_t>(n);
  } catch (...) {
    return 0;
  }
}

TALVEX_API void TalvexSimClearWrites(void) {
  try {
    auto& sim = TheSimulation();
    std::lock_guard lock(sim.mutex);
    sim.log.clear();
  } catch (...) {
  }
}

TALVEX_API int32_t TalvexSimPeekEeprom(int32_t camera, int32_t address) {
  try {
    auto found = CameraAt(camera);
    if (!found || !ValidAddress(address)) return -1;
    return found->ReadEepromWord(static_cast<uint16_t>(address));
  } catch (...) {
    return -1;
  }
}

TALVEX_API TalvexResult TalvexSimPokeEeprom(int32_t camera, int32_t address, uint16_t value) {
  try {
    auto found = CameraAt(camera);
    if (!found || !ValidAddress(address)) return TALVEX_E_INVALIDARG;
    found->PokeEepromWord(static_cast<uint16_t>(address), value);
    return TALVEX_OK;
  } catch (...) {
    return TALVEX_E_FAIL;
  }
}

TALVEX_API int32_t TalvexSimPeekSensor(int32_t camera, int32_t address) {
  try {
    auto found = CameraAt(camera);
    if (!found || address < 0 || address > 255) return -1;
    return found->SensorRegister(static_cast<uint8_t>(address));
  } catch (...) {
    return -1;
  }
}

TALVEX_API TalvexResult TalvexSimSetStreaming(int32_t camera, int32_t on) {
  try {
    auto found = CameraAt(camera);
    if (!found) return TALVEX_E_INVALIDARG;
    found->SetStreaming(on != 0);
    return TALVEX_OK;
  } catch (...) {
    return TALVEX_E_FAIL;
  }
}

}  // extern "C"

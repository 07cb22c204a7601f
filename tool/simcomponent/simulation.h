// The state of the simulated component as a whole: the configuration read at
// registration, its cameras, the log of register and EEPROM traffic, and the
// objects handed out (so that a stale or foreign handle is refused, not followed).
#ifndef PIXMENDER_SIMCOMPONENT_SIMULATION_H
#define PIXMENDER_SIMCOMPONENT_SIMULATION_H

#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "tool/simcomponent/sim_camera.h"
#include "tool/simcomponent/sim_config.h"
#include "tool/simcomponent/talvexcam_sim.h"

namespace pixmender {

enum class ObjectKind { kEnumerator, kControl, kStream, kCaptureFilter, kDevice };

}  // namespace pixmender

// The handle type of the component's C interface.
struct TalvexObject {
  pixmender::ObjectKind kind = pixmender::ObjectKind::kEnumerator;
  uint32_t references = 1;  // guarded by the simulation's mutex
  // Capture filter and device object: their camera. Control and stream
  // object: the camera they were attached to last (null before).
  std::shared_ptr<pixmender::SimCamera> camera;
  // Enumerator: its camera table and the names the table points into.
  std::vector<std::shared_ptr<pixmender::SimCamera>> cameras;
  std::vector<std::u16string> names;
  std::vector<TalvexCountedString> countedNames;
};

namespace pixmender {

struct Simulation {
  std::mutex mutex;
  bool registered = false;
  SimConfig config;
  std::vector<std::shared_ptr<SimCamera>> cameras;
  std::vector<TalvexSimWrite> log;
  std::unordered_set<TalvexObject*> objects;

  // Re-reads the configuration and starts afresh (cameras, log); objects
  // handed out before keep the cameras they refer to.
  void Reset(const std::string& configText);
  void Record(const SimCamera& camera, int32_t kind, uint32_t address, uint32_t value);
  // The object when it is live and of `kind`; call with the mutex held.
  TalvexObject* Find(TalvexObject* object, ObjectKind kind);
  std::shared_ptr<SimCamera> Camera(int index);  // call with the mutex held
};

// The one simulation of the process; never destroyed, so that a streaming
// thread still running at exit finds it intact.
Simulation& TheSimulation();

// The display name of camera `index` in the camera table and the video input category.
std::string CameraName(int index);

}  // namespace pixmender

#endif

#include "tool/simcomponent/simulation.h"

namespace pixmender {

void Simulation::Reset(const std::string& configText) {
  config = ParseSimConfig(configText);
  cameras.clear();
  log.clear();
  registered = !config.failRegister;
  if (!registered) return;
  for (int i = 0; i < config.cameras; ++i) cameras.push_back(std::make_shared<SimCamera>(i, config));
}

void Simulation::Record(const SimCamera& camera, int32_t kind, uint32_t address, uint32_t value) {
  std::lock_guard lock(mutex);
  log.push_back({camera.Index(), kind, address, value});
}

TalvexObject* Simulation::Find(TalvexObject* object, ObjectKind kind) {
  if (object == nullptr || objects.count(object) == 0 || object->kind != kind) return nullptr;
  return object;
}

std::shared_ptr<SimCamera> Simulation::Camera(int index) {
  if (index < 0 || static_cast<size_t>(index) >= cameras.size()) return nullptr;
  return cameras[static_cast<size_t>(index)];
}

Simulation& TheSimulation() {
  static Simulation* simulation = new Simulation;
  return *simulation;
}

std::string CameraName(int index) { return "Talvex USB Camera #" + std::to_string(index + 1); }

}  // namespace pixmender

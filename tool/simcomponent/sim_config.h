// The simulated component's configuration: the cameras it pretends to have
// and the faults it injects, parsed from the TALVEXCAM_SIM text.
#ifndef PIXMENDER_SIMCOMPONENT_SIM_CONFIG_H
#define PIXMENDER_SIMCOMPONENT_SIM_CONFIG_H

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace pixmender {

struct FrameSize {
  int width = 0;
  int height = 0;
  bool operator==(const FrameSize&) const = default;
};

struct SimConfig {
  static constexpr int kMaxCameras = 16;
  static constexpr int kEepromWords = 16384;

  int cameras = 1;
  std::vector<std::string> identities{"KORVEXANDA"};  // one per camera, the last repeats
  int base = 3072;
  std::vector<FrameSize> sizes{{1600, 1200}, {1280, 1024}, {640, 480}};
  int fps = 15;
  std::string serial;      // empty: none preloaded
  std::string eepromPath;  // empty: the EEPROM lives only in memory
  int sheetPercent = 100;  // how much light the calibration sheet gives back, in percent of a standard one
  bool failRegister = false;
  bool failControl = false;
  bool failStream = false;
  bool failOpen = false;
  std::set<int> stuckWords;

  // The identity of camera `index`: its own entry, or the last one given.
  const std::string& IdentityOf(int index) const;
};

// Parses `key=value;key=value`; unknown keys and malformed values are ignored,
// leaving the defaults in place.
SimConfig ParseSimConfig(const std::string& text);

}  // namespace pixmender

#endif

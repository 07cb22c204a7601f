// One simulated camera behind the component: the bridge chip's registers, the
// EEPROM on its two-wire bus, the image sensor's registers and the picture
// they produce.
#ifndef PIXMENDER_SIMCOMPONENT_SIM_CAMERA_H
#define PIXMENDER_SIMCOMPONENT_SIM_CAMERA_H

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "tool/simcomponent/calibration_sheet.h"
#include "tool/simcomponent/sim_config.h"

namespace pixmender {

class SimCamera {
 public:
  // Fills the EEPROM from the configuration: the persisted file (when there
  // is one), then the identity, then the serial number when one is given.
  SimCamera(int index, const SimConfig& config);
  SimCamera(const SimCamera&) = delete;
  SimCamera& operator=(const SimCamera&) = delete;

  int Index() const { return index_; }

  void WriteBridgeRegister(uint16_t address, uint16_t value);
  // A stuck word keeps its value.
  void WriteEepromWord(uint16_t address, uint16_t value);
  uint16_t ReadEepromWord(uint16_t address) const;
  void WriteSensorRegister(uint8_t address, uint16_t value);
  void SetStreamSwitch(bool on);

  // Simulation controls, outside the component's calls.
  void PokeEepromWord(uint16_t address, uint16_t value);
  uint16_t SensorRegister(uint8_t address) const;
  void SetStreaming(bool on);
  bool Streaming() const;

  SensorState Sensor() const;
  // The current picture at this size as YUY2; rendered again only when the
  // sensor state or the size changed.
  std::shared_ptr<const std::vector<uint8_t>> Frame(int width, int height);

 private:
  // Writes words first … first + count − 1 into the EEPROM file, if there is one.
  void PersistWords(size_t first, size_t count) const;

  const int index_;
  const std::string eepromPath_;
  const std::set<int> stuckWords_;
  const int sheetPercent_;

  mutable std::mutex mutex_;
  std::vector<uint16_t> eeprom_;
  std::unordered_map<uint16_t, uint16_t> bridge_;
  std::array<uint16_t, 256> sensor_{};
  bool infrared_ = false;
  bool streamSwitch_ = false;
  bool streaming_ = true;

  std::mutex renderMutex_;  // held while rendering, apart from the register lock
  std::unique_ptr<CalibrationSheet> sheet_;
  SensorState renderedState_;
  std::shared_ptr<const std::vector<uint8_t>> frame_;
};

}  // namespace pixmender

#endif

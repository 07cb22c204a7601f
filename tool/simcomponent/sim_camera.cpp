#include "tool/simcomponent/sim_camera.h"

#include <cstdio>

namespace pixmender {
namespace {

constexpr size_t kEepromBytes = SimConfig::kEepromWords * 2;

// Sensor registers of the picture.
constexpr uint8_t kBrightness = 0x09;
constexpr uint8_t kGreen1 = 0x2B;
constexpr uint8_t kBlue = 0x2C;
constexpr uint8_t kRed = 0x2D;
constexpr uint8_t kGreen2 = 0x2E;
constexpr uint8_t kInfraredMark = 0x2F;

// Bridge registers of the light path: the one set to 0x22 last is the path in use.
constexpr uint16_t kVisiblePath = 0xB030;
constexpr uint16_t kInfraredPath = 0xB03D;

}  // namespace

SimCamera::SimCamera(int index, const SimConfig& config)
    : index_(index), eepromPath_(config.eepromPath), stuckWords_(config.stuckWords),
      sheetPercent_(config.sheetPercent),
      eeprom_(SimConfig::kEepromWords, 0) {
  // Power-up sensor state: a visible picture at the dialog's starting exposure.
  sensor_[kBrightness] = 1024;
  sensor_[kGreen1] = sensor_[kGreen2] = sensor_[kBlue] = sensor_[kRed] = 20;

  bool persisted = false;
  if (!eepromPath_.empty()) {
    if (FILE* file = std::fopen(eepromPath_.c_str(), "rb")) {
      std::vector<uint8_t> bytes(kEepromBytes);
      if (std::fseek(file, static_cast<long>(kEepromBytes * index_), SEEK_SET) == 0 &&
          std::fread(bytes.data(), 1, kEepromBytes, file) == kEepromBytes) {
        for (size_t i = 0; i < eeprom_.size(); ++i) eeprom_[i] = static_cast<uint16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
        persisted = true;
      }
      std::fclose(file);
    }
  }
  const std::string& identity = config.IdentityOf(index);
  for (size_t i = 0; i < 10; ++i) {
    eeprom_[config.base + i] = i < identity.size() ? static_cast<uint8_t>(identity[i]) : 0;
  }
  for (size_t i = 0; i < config.serial.size(); ++i) {
    eeprom_[config.base + 14 + i] = static_cast<uint8_t>(config.serial[i]);
  }
  if (!eepromPath_.empty()) {
    // Cameras missing from the file (or a new file) get their whole EEPROM written.
    if (persisted) {
      PersistWords(static_cast<size_t>(config.base), 27);
    } else {
      PersistWords(0, eeprom_.size());
    }
  }
}

void SimCamera::PersistWords(size_t first, size_t count) const {
  if (eepromPath_.empty() || first + count > eeprom_.size()) return;
  FILE* file = std::fopen(eepromPath_.c_str(), "r+b");
  if (file == nullptr) file = std::fopen(eepromPath_.c_str(), "w+b");
  if (file == nullptr) return;
  // The file holds each camera's words in turn, little-endian; seeking past
  // the end leaves zero bytes, the same as untouched words.
  long offset = static_cast<long>(kEepromBytes * index_ + 2 * first);
  if (std::fseek(file, offset, SEEK_SET) == 0) {
    std::vector<uint8_t> bytes(2 * count);
    for (size_t i = 0; i < count; ++i) {
      bytes[2 * i] = static_cast<uint8_t>(eeprom_[first + i] & 0xFF);
      bytes[2 * i + 1] = static_cast<uint8_t>(eeprom_[first + i] >> 8);
    }
    std::fwrite(bytes.data(), 1, bytes.size(), file);
  }
  std::fclose(file);
}

void SimCamera::WriteBridgeRegister(uint16_t address, uint16_t value) {
  std::lock_guard lock(mutex_);
  bridge_[address] = value;
  if (value == 0x22 && address == kVisiblePath) infrared_ = false;
  if (value == 0x22 && address == kInfraredPath) infrared_ = true;
}

void SimCamera::WriteEepromWord(uint16_t address, uint16_t value) {
  std::lock_guard lock(mutex_);
  if (address >= eeprom_.size() || stuckWords_.count(address) != 0) return;
  eeprom_[address] = value;
  PersistWords(address, 1);
}

uint16_t SimCamera::ReadEepromWord(uint16_t address) const {
  std::lock_guard lock(mutex_);
  return address < eeprom_.size() ? eeprom_[address] : 0;
}

void SimCamera::WriteSensorRegister(uint8_t address, uint16_t value) {
  std::lock_guard lock(mutex_);
  sensor_[address] = value;
  if (address == kInfraredMark && value == 144) infrared_ = true;
}

void SimCamera::SetStreamSwitch(bool on) {
  std::lock_guard lock(mutex_);
  streamSwitch_ = on;
}

void SimCamera::PokeEepromWord(uint16_t address, uint16_t value) {
  std::lock_guard lock(mutex_);
  if (address >= eeprom_.size()) return;
  eeprom_[address] = value;
  PersistWords(address, 1);
}

uint16_t SimCamera::SensorRegister(uint8_t address) const {
  std::lock_guard lock(mutex_);
  return sensor_[address];
}

void SimCamera::SetStreaming(bool on) {
  std::lock_guard lock(mutex_);
  streaming_ = on;
}

bool SimCamera::Streaming() const {
  std::lock_guard lock(mutex_);
  return streaming_;
}

SensorState SimCamera::Sensor() const {
  std::lock_guard lock(mutex_);
  SensorState state;
  state.brightness = sensor_[kBrightness];
  state.red = sensor_[kRed];
  state.green = (sensor_[kGreen1] + sensor_[kGreen2]) / 2.0;
  state.blue = sensor_[kBlue];
  state.infrared = infrared_;
  return state;
}

std::shared_ptr<const std::vector<uint8_t>> SimCamera::Frame(int width, int height) {
  SensorState state = Sensor();
  std::lock_guard lock(renderMutex_);
  bool sizeChanged = !sheet_ || sheet_->Width() != width || sheet_->Height() != height;
  if (sizeChanged) sheet_ = std::make_unique<CalibrationSheet>(width, height, sheetPercent_);
  if (sizeChanged || !frame_ || !(state == renderedState_)) {
    frame_ = std::make_shared<const std::vector<uint8_t>>(sheet_->RenderYuy2(state));
    renderedState_ = state;
  }
  return frame_;
}

}  // namespace pixmender

#include "sim/sim_ports.h"

#include <algorithm>
#include <iterator>

namespace qcx {

namespace {

constexpr std::uint8_t kIoeModels[] = {4, 5, 6, 7, 10, 11, 23, 24};
constexpr std::uint8_t kIodModels[] = {33, 34, 35};
constexpr std::uint8_t kShiftedIodModels[] = {17, 18, 30};
constexpr std::uint8_t kLampModel = 12;
constexpr std::uint8_t kCcdModels[] = {19, 20};

template <std::size_t N>
bool In(const std::uint8_t (&set)[N], std::uint8_t type) {
    return std::find(std::begin(set), std::end(set), type) != std::end(set);
}

constexpr std::uint8_t kSnapButtonPin = 0x04;  // port C
constexpr std::uint8_t kLampPins = 0x3F;       // port E, two per lamp
constexpr std::uint8_t kLampSensitivityPins = 0xC0;  // port C
constexpr std::uint8_t kCcdSensitivityPins = 0x0C;   // port C

constexpr int kPortC = 0, kPortD = 1, kPortE = 2;

// The port and first pin of a camera's general purpose lines.
struct GpioPins {
    int port = -1;
    int shift = 0;
};

GpioPins GpioPinsOf(std::uint8_t type) {
    if (In(kIoeModels, type)) return {kPortE, 0};
    if (In(kIodModels, type)) return {kPortD, 0};
    if (In(kShiftedIodModels, type)) return {kPortD, 2};
    return {};
}

constexpr std::uint8_t kDataRegisters[] = {SimPorts::kIoc, SimPorts::kIod, SimPorts::kIoe};
constexpr std::uint8_t kDirectionRegisters[] = {SimPorts::kOec, SimPorts::kOed, SimPorts::kOee};

}  // namespace

SimPorts::SimPorts(std::uint8_t deviceType) : deviceType_(deviceType) {}

void SimPorts::PowerOn(std::array<std::uint8_t, 256>& sfrs) const {
    if (deviceType_ == kLampModel) {
        sfrs[kOee] = kLampPins;
        sfrs[kOec] = kLampSensitivityPins;
    }
    if (In(kCcdModels, deviceType_)) sfrs[kOec] = kCcdSensitivityPins;
}

int SimPorts::PortIndex(std::uint8_t address) const {
    for (int i = 0; i < 3; ++i)
        if (kDataRegisters[i] == address) return i;
    return -1;
}

std::uint8_t SimPorts::Read(const std::array<std::uint8_t, 256>& sfrs, std::uint8_t address) const {
    const int port = PortIndex(address);
    if (port < 0) return sfrs[address];
    const std::uint8_t driven = sfrs[kDirectionRegisters[port]];
    return static_cast<std::uint8_t>((sfrs[address] & driven) | (outside_[static_cast<std::size_t>(port)] & ~driven));
}

void SimPorts::SetSnapButton(bool pressed) {
    auto& c = outside_[kPortC];
    c = static_cast<std::uint8_t>(pressed ? (c & ~kSnapButtonPin) : (c | kSnapButtonPin));
}

bool SimPorts::SetGpioInputs(std::uint8_t levels) {
    const GpioPins pins = GpioPinsOf(deviceType_);
    if (pins.port < 0) return false;
    auto& outside = outside_[static_cast<std::size_t>(pins.port)];
    const auto mask = static_cast<std::uint8_t>(0xFF << pins.shift);
    outside = static_cast<std::uint8_t>((outside & ~mask) | ((levels << pins.shift) & mask));
    return true;
}

bool SimPorts::GpioLevels(const std::array<std::uint8_t, 256>& sfrs, std::uint8_t* levels) const {
    const GpioPins pins = GpioPinsOf(deviceType_);
    if (pins.port < 0) return false;
    *levels = static_cast<std::uint8_t>(Read(sfrs, kDataRegisters[pins.port]) >> pins.shift);
    return true;
}

bool SimPorts::Lamps(const std::array<std::uint8_t, 256>& sfrs, std::uint8_t* lamps) const {
    if (deviceType_ != kLampModel) return false;
    const std::uint8_t pins = Read(sfrs, kIoe);
    *lamps = 0;
    for (int lamp = 0; lamp < 3; ++lamp)
        if (((pins >> (2 * lamp)) & 3) == 3) *lamps = static_cast<std::uint8_t>(*lamps | (1 << lamp));
    return true;
}

}  // namespace qcx

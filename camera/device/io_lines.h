// The camera's I/O lines: snap button, general purpose lines, lamps,
// external trigger with its delays and status, strobe delay, sensor mode and
// sensitivity. Each reaches the camera through its controller's port
// registers, a bit of the working-mode word or a vendor request of its own,
// chosen by the device type; a camera without the line gets -3 and nothing
// is sent. Null outputs give -1.
#pragma once

#include <cstdint>

namespace qcx {

class CDevice;

int SnapButtonStatus(CDevice& device, int* pressed);

// Directions (1 = output) and levels, one bit per line.
int GpioSetDirection(CDevice& device, std::uint8_t directions);
int GpioGetDirection(CDevice& device, std::uint8_t* directions);
int GpioSetStatus(CDevice& device, std::uint8_t levels);
int GpioGetStatus(CDevice& device, std::uint8_t* levels);

// Lamps 0 ... 2, each on two lines of port E; -1 for another lamp or state,
// -8 when a lamp's two lines disagree.
int LedSetStatus(CDevice& device, int led, int on);
int LedGetStatus(CDevice& device, int led, int* on);

// Working-mode bit 0; the getter stores 0 with its -3.
int TriggerModeSet(CDevice& device, bool external);
int TriggerModeGet(CDevice& device, int* external);
// Working-mode bit 1, cleared for a non-zero mode.
int SensorModeSet(CDevice& device, int mode);
int SensorModeGet(CDevice& device, int* mode);
int TriggerStatusGet(CDevice& device, int* status);

enum class Delay { Trigger, Strobe };
// The camera takes the delay, then the copy follows; the getter returns the
// copy.
int DelaySet(CDevice& device, Delay delay, std::uint16_t value);
int DelayGet(CDevice& device, Delay delay, std::uint16_t* value);
int DelayGetRange(CDevice& device, std::uint16_t* minimum, std::uint16_t* maximum);

int SensitivitySetMode(CDevice& device, int mode);
int SensitivityGetMode(CDevice& device, int* mode);

}  // namespace qcx

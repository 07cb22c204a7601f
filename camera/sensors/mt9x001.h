// The MT9P001 (five megapixels) and MT9T001 (three megapixels) sensors. Both
// chips share one register map (8-bit addresses, 16-bit values), so one
// driver serves both; the two subclasses hold what differs: exposure timing,
// blanking limits and how the green gain is written.
#pragma once

#include <array>
#include <cstdint>

#include "camera/sensors/sensor_driver.h"
#include "camera/sensors/window_programming.h"
#include "camera/sensors/window_rules.h"

namespace qcx {

namespace mt9x001 {

inline constexpr std::uint16_t kRowStart = 0x01;
inline constexpr std::uint16_t kColumnStart = 0x02;
inline constexpr std::uint16_t kRowSize = 0x03;     // rows - 1
inline constexpr std::uint16_t kColumnSize = 0x04;  // columns - 1
inline constexpr std::uint16_t kHorizontalBlank = 0x05;
inline constexpr std::uint16_t kVerticalBlank = 0x06;
inline constexpr std::uint16_t kShutterWidthUpper = 0x08;
inline constexpr std::uint16_t kShutterWidth = 0x09;
inline constexpr std::uint16_t kShutterDelay = 0x0C;  // read, never written
inline constexpr std::uint16_t kReadMode2 = 0x20;
inline constexpr std::uint16_t kRowAddressMode = 0x22;
inline constexpr std::uint16_t kColumnAddressMode = 0x23;
inline constexpr std::uint16_t kGreen1Gain = 0x2B;
inline constexpr std::uint16_t kBlueGain = 0x2C;
inline constexpr std::uint16_t kRedGain = 0x2D;
inline constexpr std::uint16_t kGreen2Gain = 0x2E;
inline constexpr std::uint16_t kGlobalGain = 0x35;  // the MT9P001's grey variants

inline constexpr int kRowFlipBit = 15;
inline constexpr int kColumnFlipBit = 14;

// Read mode fields of an address-mode register: bits 2-0 skip, 5-4 bin.
inline constexpr int SkipField(std::uint16_t mode) { return mode & 7; }
inline constexpr int BinField(std::uint16_t mode) { return (mode >> 4) & 3; }

// Gain value 0 ... 194 -> the chip's gain code.
std::uint16_t GainCode(int index);
// The gain value of a code, or -1 for a code outside the table.
int GainIndex(std::uint16_t code);

// Every address mode is taken (others become 0); sizes are kept as count - 1.
extern const WindowRules kWindowRules;

}  // namespace mt9x001

// What distinguishes the two chips beyond their timing.
struct Mt9x001Variant {
    const char* writeLogFormat;  // the WrSensorReg line, address and value
    SensorGeometry geometry;
    bool globalGain;  // the MT9P001 also reads and writes 0x35
    // Binning on: address-mode register value of modes 0 ... 4.
    std::array<std::uint16_t, 5> binnedModes;
};

class Mt9x001Driver : public SensorDriver {
public:
    // `grey`: a variant without colour filter, which keeps one gain in the
    // global gain register (the MT9P001's grey cameras).
    Mt9x001Driver(SensorHost& host, const Mt9x001Variant& variant, float pixelClockMs, bool grey);

    int InitializeSensor() override;
    int RestoreRegisters() override;
    int SwitchFieldOfViewMode(int mode) override;
    int ClampWindow(WindowRequest& window) const override;
    int ApplyRecord(int index, const WindowRequest& window) override;

    int ExposureLinesSet(std::uint32_t lines) override;
    int ExposureLinesGet(std::uint32_t* lines) override;
    int GainSet(GainChannel channel, std::uint16_t gain) override;
    int GainGet(GainChannel channel, std::uint16_t* gain) override;
    int HorizontalBlankGet(std::uint16_t* value) override;
    int VerticalBlankGet(std::uint16_t* value) override;
    int FlipSet(bool on) override;
    int FlipGet(bool* on) override;
    int MirrorSet(bool on) override;
    int MirrorGet(bool* on) override;
    int BinningSet(bool on) override;
    int BinningGet(bool* on) override;
    int BayerGetDefaultMode(int* mode) override;

    // Writes one of the shadowed registers and keeps the value: -3 for any
    // other address, else the write's status. Every call reaches the chip.
    int WrSensorReg(std::uint16_t reg, std::uint16_t value);
    // Reads the shadowed registers, then the camera's working mode.
    int ReadRelatedRegValue();
    // The copy of a shadowed register (0 for any other address).
    std::uint16_t Shadow(std::uint16_t reg) const;
    float PixelClockMs() const { return pixelClockMs_; }

protected:
    // Called after a window change that alters the row time: the MT9P001
    // reports the exposure's status, the MT9T001 always succeeds.
    virtual int ReapplyExposure() = 0;
    // Writes one channel's gain code.
    virtual int WriteGain(GainChannel channel, std::uint16_t code) = 0;
    // The register a channel's gain is read from.
    std::uint16_t GainRegister(GainChannel channel) const;
    // Shutter width in rows: upper and lower register together.
    std::uint32_t ShutterWidth() const;

    const Mt9x001Variant& variant_;
    const float pixelClockMs_;
    const bool grey_;

private:
    std::uint16_t AddressModeValue(int mode) const;
    int WriteWindowValue(WindowValue which, int value);
    // The window the chip holds, from the register copies.
    WindowRequest ChipWindow() const;
    int WriteBit(std::uint16_t reg, int bit, bool on);

    static constexpr int kShadowCount = 17;
    std::array<std::uint16_t, kShadowCount> shadows_{};
};

class MT9P001Driver final : public Mt9x001Driver {
public:
    explicit MT9P001Driver(SensorHost& host);

    int ExposureTimeSet(float ms) override;
    int ExposureTimeGet(float* ms) override;
    int ExposureTimeGetRange(float* minimum, float* maximum) override;
    int HorizontalBlankSet(std::uint16_t value) override;
    int VerticalBlankSet(std::uint16_t value) override;
    int FlashControlGet(bool* enable, bool* invert) override;

private:
    // Row time (single precision) and the shutter's overlap, in ms.
    struct RowTiming {
        float rowMs;
        double overlapMs;
    };
    RowTiming Timing() const;
    int ReapplyExposure() override;
    int WriteGain(GainChannel channel, std::uint16_t code) override;
};

class MT9T001Driver final : public Mt9x001Driver {
public:
    explicit MT9T001Driver(SensorHost& host);

    int ExposureTimeSet(float ms) override;
    int ExposureTimeGet(float* ms) override;
    int ExposureTimeGetRange(float* minimum, float* maximum) override;
    int HorizontalBlankSet(std::uint16_t value) override;
    int VerticalBlankSet(std::uint16_t value) override;

private:
    // Row time in pixel clocks, and the clocks the exposure formula adds
    // to whole rows (132 less the shutter delay and the row's overhead).
    struct RowTiming {
        std::int64_t rowClocks;
        std::int64_t offsetClocks;
    };
    RowTiming Timing() const;
    double ClocksToMs(std::int64_t clocks) const;
    int ReapplyExposure() override;
    int WriteGain(GainChannel channel, std::uint16_t code) override;
};

}  // namespace qcx

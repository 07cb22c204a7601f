// The colour correction table file: 812 bytes, little-endian: a 44-byte
// header ("QCXC", words 0 and 1, the size, the device type of the saving
// camera, the mode, the three offsets and the three calibration values) and
// the red, green and blue tables of 256 bytes each.
#pragma once

#include <cstdint>
#include <cstdio>

#include "camera/imaging/colour_correction.h"

namespace qcx {

inline constexpr int kCorrectionTableHeaderSize = 44;
inline constexpr int kCorrectionTableFileSize = 812;

// Creates or replaces the file. -8 with mode 0 (nothing to save), when the
// file cannot be created or when a write comes short; else 1.
int SaveCorrectionTable(const ColourCorrection& c, std::uint32_t deviceType, const char* file);

// A null file switches correction off (mode 0, offsets 0, identity tables,
// not loaded) and returns 1. Otherwise -8 when the file cannot be opened, the
// result of ReadCorrectionTable else.
int LoadCorrectionTable(ColourCorrection& c, const char* file);

// Reads a table file from an open stream: -8 for a short header, -15 when the
// magic, the two words or the size do not match, then the header's mode,
// offsets and values are in force; -8 for a short table (the complete tables
// before it stay replaced); 1 with the table-loaded flag set. The device type
// of the file is ignored.
int ReadCorrectionTable(ColourCorrection& c, std::FILE* file);

}  // namespace qcx

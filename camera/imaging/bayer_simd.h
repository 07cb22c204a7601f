// Vector paths of the demosaic row loops. The routines run a row kernel of
// the best instruction set the processor has over as many whole blocks of
// columns as fit, and finish the row with the plain code, which gives the
// same bits. The level can be capped so that tests compare every path.
#pragma once

#include <cstdint>

namespace qcx {

enum class BayerSimdLevel : int { kScalar = 0, kSsse3 = 1, kAvx2 = 2 };

// The best level this processor supports.
BayerSimdLevel BayerSimdLevelSupported();

// The level conversions use now: the processor's best, capped by LimitBayerSimd.
BayerSimdLevel BayerSimdLevelInUse();

// Caps the level used by later conversions (kAvx2 lifts the cap).
void LimitBayerSimd(BayerSimdLevel level);

}  // namespace qcx

namespace qcx::bayer {

// One output row of an interior method. For the block rule `cur` is the
// pixel's own raw row and `down` the other row of its block (`up` unused).
struct RowJob {
    const std::uint8_t* up;
    const std::uint8_t* cur;
    const std::uint8_t* down;
    std::uint8_t* out;  // output row, pixel 0
    int greenParity;    // parity of the green columns of this row
    bool ownIsBlue;     // the row's own colour is blue (else red)
};

// Converts columns x, x + n, ... while a whole block fits before xEnd and
// returns the first column left for the plain code.
using RowKernel = int (*)(const RowJob& job, int x, int xEnd);

// Grey mean of columns x .. of the rows a and b (the pair below), same contract.
using GreyKernel = int (*)(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out, int x, int xEnd);

// Gradient-corrected method, pass 1: the green plane of n columns of one
// row. Pointers address the first column; `rows` are raw rows y - 2 .. y + 2.
struct GreenPlaneJob {
    const std::uint8_t* rows[5];
    std::uint8_t* green;
    bool firstIsGreen;
};

// Gradient-corrected method, pass 2: whole pixels of n columns of one row
// from the raw rows and the green plane rows y - 1 .. y + 1.
struct GradientColourJob {
    const std::uint8_t* up;
    const std::uint8_t* cur;
    const std::uint8_t* down;
    const std::uint8_t* greenUp;
    const std::uint8_t* green;
    const std::uint8_t* greenDown;
    std::uint8_t* out;
    bool firstIsGreen;
    bool ownIsBlue;
};

// These convert whole blocks of columns from the first one on and return
// how many they did; the plain code does the rest.
using GreenPlaneKernel = int (*)(const GreenPlaneJob& job, int n);
using GradientColourKernel = int (*)(const GradientColourJob& job, int n);

// Kernels of one level; index [0] for 3-channel, [1] for 4-channel output.
// A null kernel leaves the whole row to the plain code.
struct SimdKernels {
    RowKernel blockRow[2];
    RowKernel bilinearRow[2];
    RowKernel edgeDirectedRow[2];
    GreyKernel greyRow;
    GreenPlaneKernel gradientGreen;
    GradientColourKernel gradientColour[2];
};

const SimdKernels& ActiveSimdKernels();
const SimdKernels& Ssse3Kernels();
const SimdKernels& Avx2Kernels();

}  // namespace qcx::bayer

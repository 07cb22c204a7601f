// The routine families of the Bayer filter, one table each, indexed by
// Bayer mode 0..15 (the dispatch picks the table from the filter mode and the
// sample width).
#pragma once

#include "camera/imaging/bayer_layout.h"

namespace qcx::bayer {

const ColourRoutineTable& BlockCopyRoutines8();
const ColourRoutineTable& BlockCopyRoutines16();
const ColourRoutineTable& BilinearRoutines();
const ColourRoutineTable& EdgeDirectedRoutines();
const ColourRoutineTable& ColourRatioRoutines();
const ColourRoutineTable& GradientRoutines();

// The grey mean of 8-bit or 16-bit samples, for one row order.
ConvertRoutine GreyRoutine(bool sixteenBit, bool bottomUp);

}  // namespace qcx::bayer

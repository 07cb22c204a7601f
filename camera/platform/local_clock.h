// The local wall-clock time, to the millisecond, as the log stamps it.
#pragma once

namespace qcx {

struct LocalTime {
    int year = 0;
    int month = 0;   // 1 ... 12
    int day = 0;     // 1 ... 31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

LocalTime LocalTimeNow();

}  // namespace qcx

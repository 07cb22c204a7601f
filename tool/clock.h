// The tool's sense of time: a millisecond clock and a sleep. The camera link
// waits on it (the EEPROM readiness wait, the sensor's settling pauses), so
// tests can hand it a clock that does not really wait.
#ifndef PIXMENDER_CLOCK_H
#define PIXMENDER_CLOCK_H

#include <cstdint>

namespace pixmender {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary fixed start (system start for the real clock).
  virtual uint64_t NowMs() = 0;
  virtual void SleepMs(uint32_t ms) = 0;
};

// The steady system clock; sleeps really sleep.
Clock& SystemClock();

}  // namespace pixmender

#endif

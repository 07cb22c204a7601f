/* The simulator-only C exports of talvexcam.ax, for tests.
 *
 * The simulated component is configured by the environment variable
 * TALVEXCAM_SIM, read (and the simulation reset) on every DllRegisterServer:
 *   cameras=N;identity=A,B;base=3072;sizes=1280x1024,640x480;fps=15;
 *   serial=13CHARACTERS1;eeprom=/path/file;sheet=PERCENT;
 *   fail=register,control,stream,open,stuck=ADDR
 * Every bridge register, EEPROM word, sensor register and stream switch write
 * and every EEPROM read is recorded in a log that these functions expose.
 */
#ifndef PIXMENDER_TALVEXCAM_SIM_H
#define PIXMENDER_TALVEXCAM_SIM_H

#include <stdint.h>

#include "tool/talvex_component.h"

#ifdef __cplusplus
extern "C" {
#endif

/* What one log record is. */
#define TALVEX_SIM_BRIDGE 1       /* bridge register write: address, value */
#define TALVEX_SIM_EEPROM_WRITE 2 /* EEPROM word write: word address, value given */
#define TALVEX_SIM_EEPROM_READ 3  /* EEPROM word read: word address, value returned */
#define TALVEX_SIM_SENSOR 4       /* sensor register write: register address, value */
#define TALVEX_SIM_STREAM 5       /* stream switch: property, 1 on / 0 off */

typedef struct TalvexSimWrite {
  int32_t camera; /* index of the simulated camera in the camera table */
  int32_t kind;   /* TALVEX_SIM_... */
  uint32_t address;
  uint32_t value;
} TalvexSimWrite;

/* Number of records in the log. */
TALVEX_API int32_t TalvexSimWriteCount(void);
/* Copies up to capacity records starting at record first; gives the number copied. */
TALVEX_API int32_t TalvexSimGetWrites(TalvexSimWrite* out, int32_t first, int32_t capacity);
TALVEX_API void TalvexSimClearWrites(void);
/* A camera's EEPROM word without logging; -1 for a camera or address out of range. */
TALVEX_API int32_t TalvexSimPeekEeprom(int32_t camera, int32_t address);
/* Sets a camera's EEPROM word without logging (stuck words too). */
TALVEX_API TalvexResult TalvexSimPokeEeprom(int32_t camera, int32_t address, uint16_t value);
/* A camera's current sensor register value without logging; -1 when out of range. */
TALVEX_API int32_t TalvexSimPeekSensor(int32_t camera, int32_t address);
/* Off: the camera stops streaming, as an unplugged camera would; its sources
 * end their streams with end-of-stream and new sources give no frames. */
TALVEX_API TalvexResult TalvexSimSetStreaming(int32_t camera, int32_t on);

typedef int32_t (*TalvexSimWriteCountFn)(void);
typedef int32_t (*TalvexSimGetWritesFn)(TalvexSimWrite*, int32_t, int32_t);
typedef void (*TalvexSimClearWritesFn)(void);
typedef int32_t (*TalvexSimPeekEepromFn)(int32_t, int32_t);
typedef TalvexResult (*TalvexSimPokeEepromFn)(int32_t, int32_t, uint16_t);
typedef int32_t (*TalvexSimPeekSensorFn)(int32_t, int32_t);
typedef TalvexResult (*TalvexSimSetStreamingFn)(int32_t, int32_t);

#ifdef __cplusplus
}
#endif

#endif

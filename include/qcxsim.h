/**
 * @file qcxsim.h
 * @brief Control of the simulated cameras of QCXApi, for tests and tools.
 *
 * QCX_SIM in the environment names the simulated cameras, comma-separated
 * TYPE[:NUMBER[:FIRMWARE]] (for example QCX_SIM=21,8:3:0x0102). The library
 * numbers real USB cameras first and the simulated ones after them; `node` in
 * every function below is that driver node number, the one the library opens.
 * Only plugged cameras have a node number: while a camera is unplugged, the
 * simulated cameras after it move down by one.
 *
 * Every function returns an int status:
 *  - 1: success
 *  - -1: bad argument (null output pointer, value out of range)
 *  - -2: out of memory
 *  - -3: not supported by that camera (it has no sensor model)
 *  - -5: no simulated camera at that node number
 *
 * The functions may be called from any thread.
 *
 * The simulated cameras with a sensor model are those of the library's
 * sensor families: MT9V032 (device types 21-24, 28, 29, 36, 37), MT9P001,
 * MT9T001, 1280 x 1024 CMOS, MT9J001 and the CCDs (see
 * QCXSimReadSensorReg).
 */
#ifndef QCXSIM_H
#define QCXSIM_H

/** Marks the declaration of every QCXSim function: `__declspec(dllimport)`
 * for programs that use the library on Windows, default visibility while
 * the library is compiled elsewhere, empty otherwise (on Windows the
 * functions are listed in the DLL's module definition file). */
#if defined(_WIN32)
#  if defined(QCXAPI_BUILDING)
#    define QCXSIM_API /* listed in the DLL's module definition file */
#  else
#    define QCXSIM_API __declspec(dllimport)
#  endif
#elif defined(QCXAPI_BUILDING)
#  define QCXSIM_API __attribute__((visibility("default")))
#else
#  define QCXSIM_API
#endif

/** @defgroup qcxsim Simulated cameras
 *
 * Control of the simulated cameras of QCXApi, for tests and tools (see
 * qcxsim.h for QCX_SIM and the node numbers). Every function returns an int
 * status (#QCXSIM_OK, #QCXSIM_BAD_ARGUMENT, #QCXSIM_NO_MEMORY,
 * #QCXSIM_NOT_SUPPORTED, #QCXSIM_NO_CAMERA) and may be called from any
 * thread.
 */

/** @ingroup qcxsim
 * Status: success. */
#define QCXSIM_OK 1
/** @ingroup qcxsim
 * Status: bad argument (null output pointer, value out of range). */
#define QCXSIM_BAD_ARGUMENT (-1)
/** @ingroup qcxsim
 * Status: out of memory. */
#define QCXSIM_NO_MEMORY (-2)
/** @ingroup qcxsim
 * Status: not supported by that camera (it has no sensor model). */
#define QCXSIM_NOT_SUPPORTED (-3)
/** @ingroup qcxsim
 * Status: no simulated camera at that node number. */
#define QCXSIM_NO_CAMERA (-5)

/* Fault modes of QCXSimFailRequests. */
/** @ingroup qcxsim_cameras
 * Fault mode of QCXSimFailRequests: answer with status byte 1 and no value. */
#define QCXSIM_FAIL_STATUS 0
/** @ingroup qcxsim_cameras
 * Fault mode of QCXSimFailRequests: stall the request: the driver refuses it. */
#define QCXSIM_FAIL_REFUSE 1

/* Scenes of QCXSimSetScene. Until a camera is given its own, it follows
   QCX_SIM_SCENE=picture, ramp or grey as the environment says at each frame
   read. */
/** @ingroup qcxsim_scene
 * Scene of QCXSimSetScene: colour patches, gradients, fine detail, hot
 * pixels. Until a camera is given its own scene, it follows
 * QCX_SIM_SCENE=picture, ramp or grey as the environment says at each frame
 * read. */
#define QCXSIM_SCENE_PICTURE 0
/** @ingroup qcxsim_scene
 * Scene of QCXSimSetScene: sample at sensor column c, row r = (c + 2r) mod
 * 256; 16 times that as a 12-bit sample under 16-bit transfer. */
#define QCXSIM_SCENE_RAMP 1
/** @ingroup qcxsim_scene
 * Scene of QCXSimSetScene: one flat mid-grey: 100 of 255 at power-on. */
#define QCXSIM_SCENE_GREY 2

/** @ingroup qcxsim_scene
 * Largest radius of QCXSimSetBlur. */
#define QCXSIM_BLUR_MAX 16

/* Frame timings of QCXSimSetTiming. Until a camera is given its own, it
   follows QCX_SIM_TIMING=realtime or fast as the environment says at each
   frame read. */
/** @ingroup qcxsim_scene
 * Frame timing of QCXSimSetTiming: a read waits the sensor's frame time.
 * Until a camera is given its own timing, it follows
 * QCX_SIM_TIMING=realtime or fast as the environment says at each frame
 * read. */
#define QCXSIM_TIMING_REALTIME 0
/** @ingroup qcxsim_scene
 * Frame timing of QCXSimSetTiming: a read never waits. */
#define QCXSIM_TIMING_FAST 1

/** @ingroup qcxsim_requests
 * Bytes of a driver request record. */
#define QCXSIM_RECORD_SIZE 19
/** @ingroup qcxsim_requests
 * Bytes of host data QCXSimGetLastRequest copies. */
#define QCXSIM_HOST_DATA_MAX 64

#ifdef __cplusplus
extern "C" {
#endif

/** @defgroup qcxsim_cameras Cameras, connections and request faults
 * @ingroup qcxsim
 *
 * The simulated cameras present, their identity, plugging and unplugging,
 * and failures of the vendor requests they receive.
 * @{
 */

/** Number of simulated cameras plugged in now (0 or more; never fails). Reads
   QCX_SIM afresh.

   @par Device types
   All simulated cameras.

   @return The number of simulated cameras plugged in now (0 or more). */
QCXSIM_API int QCXSimGetCount(void);

/** Identity of the camera at `node`: device type, device number and firmware
   version as its device-information request answers them. Each pointer may be
   null. -5 when there is no simulated camera at `node`.

   @par Device types
   All simulated cameras.

   @param[in]  node            Driver node number of the camera.
   @param[out] deviceType      Receives the device type; may be null.
   @param[out] deviceNumber    Receives the device number; may be null.
   @param[out] firmwareVersion Receives the firmware version; may be null.
   @return Status code.
   @retval 1  Success.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimDescribe(int node, int* deviceType, int* deviceNumber,
                              unsigned short* firmwareVersion);

/** The next `count` well-formed vendor requests to the camera fail in `mode`
   (QCXSIM_FAIL_STATUS or QCXSIM_FAIL_REFUSE); a failed request changes
   nothing in the camera. Host-to-device requests have no status byte, so a
   status fault refuses them. `count` 0 cancels pending failures; a new call
   replaces the old count. -1 for a negative count or an unknown mode, -5 when
   there is no simulated camera at `node`.

   @par Device types
   All simulated cameras.

   @param[in] node  Driver node number of the camera.
   @param[in] count Number of requests that fail; 0 cancels pending failures.
   @param[in] mode  QCXSIM_FAIL_STATUS or QCXSIM_FAIL_REFUSE.
   @return Status code.
   @retval 1  Success.
   @retval -1 A negative count or an unknown mode.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimFailRequests(int node, int count, int mode);

/** As QCXSimFailRequests, but the next `skip` well-formed requests still
   succeed before the `count` failures: a fault in the middle of a sequence
   of requests. -1 for a negative skip or count or an unknown mode.

   @par Device types
   All simulated cameras.

   @param[in] node  Driver node number of the camera.
   @param[in] skip  Number of requests that still succeed first.
   @param[in] count Number of requests that fail after them.
   @param[in] mode  QCXSIM_FAIL_STATUS or QCXSIM_FAIL_REFUSE.
   @return Status code.
   @retval 1  Success.
   @retval -1 A negative skip or count or an unknown mode.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimFailRequestsAfter(int node, int skip, int count, int mode);

/** Unplugs the camera at `node`: its requests and frame reads fail, it is no
   longer counted or opened, and the cameras after it move down one node. It
   keeps its memory. -5 when there is no simulated camera at `node`.

   @par Device types
   All simulated cameras.

   @param[in] node Driver node number of the camera.
   @return Status code.
   @retval 1  Success.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimUnplug(int node);

/** Plugs every unplugged simulated camera back in, at its place in the QCX_SIM
   list. A replugged camera is a new connection: nodes the library opened
   before the unplug stay dead and must be opened again. Always 1 (or -2).

   @par Device types
   All simulated cameras.

   @return Status code.
   @retval 1  Success.
   @retval -2 Out of memory. */
QCXSIM_API int QCXSimReplugAll(void);

/** @} */

/** @defgroup qcxsim_memory Camera memories and registers
 * @ingroup qcxsim
 *
 * The EEPROMs, the controller's registers, the sensor registers and the
 * firmware's working-mode word of a simulated camera.
 * @{
 */

/** Reads one byte of the camera's 64 KiB EEPROM (erased bytes read 0xFF). -1
   for a null `value` or an address above 0xFFFF, -5 for no camera.

   @par Device types
   All simulated cameras.

   @param[in]  node    Driver node number of the camera.
   @param[in]  address EEPROM address, 0 ... 0xFFFF.
   @param[out] value   Receives the byte.
   @return Status code.
   @retval 1  Success.
   @retval -1 A null `value` or an address above 0xFFFF.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimReadEeprom(int node, unsigned int address, unsigned char* value);
/** Writes one byte of the camera's 64 KiB EEPROM. -1 for an address above
   0xFFFF, -5 for no camera.

   @par Device types
   All simulated cameras.

   @param[in] node    Driver node number of the camera.
   @param[in] address EEPROM address, 0 ... 0xFFFF.
   @param[in] value   Byte to write.
   @return Status code.
   @retval 1  Success.
   @retval -1 An address above 0xFFFF.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimWriteEeprom(int node, unsigned int address, unsigned char value);

/** Reads one byte of the camera's EEPROM with 32-bit addresses, the one the
   0xD2 and 0xD3 requests reach; separate from the 64 KiB EEPROM. Erased bytes
   read 0xFF. -1 for a null `value`, -5 for no camera.

   @par Device types
   All simulated cameras.

   @param[in]  node    Driver node number of the camera.
   @param[in]  address EEPROM address (32-bit).
   @param[out] value   Receives the byte.
   @return Status code.
   @retval 1  Success.
   @retval -1 A null `value`.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimReadEeprom32(int node, unsigned int address, unsigned char* value);
/** Writes one byte of the camera's EEPROM with 32-bit addresses, the one
   the 0xD2 and 0xD3 requests reach; separate from the 64 KiB EEPROM. -5 for
   no camera.

   @par Device types
   All simulated cameras.

   @param[in] node    Driver node number of the camera.
   @param[in] address EEPROM address (32-bit).
   @param[in] value   Byte to write.
   @return Status code.
   @retval 1  Success.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimWriteEeprom32(int node, unsigned int address, unsigned char value);

/** Reads one byte of the controller's register space (0 after power-on). -1
   for a null `value`, -5 for no camera.

   @par Device types
   All simulated cameras.

   @param[in]  node    Driver node number of the camera.
   @param[in]  address Register address.
   @param[out] value   Receives the byte.
   @return Status code.
   @retval 1  Success.
   @retval -1 A null `value`.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimReadFx2Reg(int node, unsigned short address, unsigned char* value);
/** Writes one byte of the controller's register space. -5 for no camera.

   @par Device types
   All simulated cameras.

   @param[in] node    Driver node number of the camera.
   @param[in] address Register address.
   @param[in] value   Byte to write.
   @return Status code.
   @retval 1  Success.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimWriteFx2Reg(int node, unsigned short address, unsigned char value);

/** Reads one of the controller's 256 special function registers (port data
   and direction among them). -1 for a null `value`, -5 for no camera.

   @par Device types
   All simulated cameras.

   @param[in]  node    Driver node number of the camera.
   @param[in]  address Address of the special function register.
   @param[out] value   Receives the register's value.
   @return Status code.
   @retval 1  Success.
   @retval -1 A null `value`.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimReadSfr(int node, unsigned char address, unsigned char* value);
/** Writes one of the controller's 256 special function registers (port
   data and direction among them). -5 for no camera.

   @par Device types
   All simulated cameras.

   @param[in] node    Driver node number of the camera.
   @param[in] address Address of the special function register.
   @param[in] value   Value to write.
   @return Status code.
   @retval 1  Success.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimWriteSfr(int node, unsigned char address, unsigned char value);

/** Reads one 16-bit sensor register, as the sensor-register requests reach
   it.

   One 16-bit sensor register, as the sensor-register requests reach it. On
   MT9V032 cameras (types 21-24, 28, 29, 36, 37) these are the chip's
   registers: a real chip's power-on values, writes to 0x00 (chip version),
   0xBA and 0xBB ignored, 0xBA and 0xBB reporting the gain and exposure rows
   in use (the chip's automatic choice while 0xAF enables it). On MT9P001
   cameras (types 8-11, 31, 32, 41, 42; 9, 11, 32, 42 without colour filter)
   and MT9T001 cameras (types 3, 7, 12, 30, 35, 40) they are that chip's
   registers at a real chip's power-on values (MT9P001: 0x00 = 0x1801, row
   start 0x01 = 54, column start 0x02 = 16, sizes 0x03 = 1943 and 0x04 = 2591,
   blanking 0x05 = 0 and 0x06 = 25, shutter width 0x08:0x09 = 1943, 0x20 =
   0x0040; MT9T001: 0x00 = 0x1621, starts 20 and 32, sizes 1535 and 2047,
   blanking 142 and 25, shutter width 1561, 0x20 = 0x0020; both: shutter
   delay 0x0C, address modes 0x22 and 0x23 0, gains 0x2B-0x2E and 0x35 8,
   which is unity: code g multiplies by (1 + bit 6 of g) x (bits 5-0) / 8 x
   (1 + (bits 14-8) / 8)); writes to 0x00 are ignored and a write to 0x35
   (global gain) sets 0x2B-0x2E too. On 1280 x 1024 CMOS cameras (types 0,
   1, 4, 5, 17, 18, 33, 34, 38, 39; 1, 5, 18, 34, 39 without colour filter)
   they are that chip's registers: 0x00 = 0x8431, starts 0x01 = 8 and 0x02 =
   16, sizes 0x03 = 1023 and 0x04 = 1279, blanking 0x05 = 9 and 0x06 = 25,
   shutter width 0x09 = 1049, shutter delay 0x0C = 0, read options 0x1E =
   0x8000 and 0x20 = 0x1104, gains 0x2B-0x2E and 0x35 8 (code g multiplies by
   (1 + bit 6) x (bits 5-0) / 8); a write to 0x35 sets 0x2B-0x2E too. On
   MT9J001 cameras (types 13-16, 25-27, 43-45; 16-bit addresses) they are
   that chip's registers: the window 0x3002-0x3008 as first and last row and
   column of the whole array (types 13, 15, 16, 25, 43: columns 0-3487, rows
   8-2623; 14, 26, 44: 8-3863, 8-2771; 27, 45: 8-4615, 8-3295), line length
   0x300C = 4 x columns + 512, coarse integration 0x3012 = 512 lines, fine
   integration 0x3014 = 496 clocks, gains 0x302A-0x3030 8 (code g multiplies
   by g / 8), read mode 0x3040 = 0x0041, odd increments 0x30A2 and 0x30A6 1;
   writes to the model id 0x3000 (0x2C01) are ignored. The CCD cameras have
   no sensor register bus: on ICX205 cameras (types 19, 20) the read reports
   the front end's registers 1 (variable gain, power-on 512), 2 (clamp level,
   0) and 4 (CDS gain code, 0x20) as requests 0x22 set them, and 85 the
   exposure lines the timing generator runs (2047), as the two commands of
   request 0x21 set it; on 1628 x 1236 cameras (types 48, 49) it reads 0 and
   their five registers are reached by request 0x27 only. Writes change
   nothing on either. On other cameras every address holds what was written,
   0 before. -1 for a null `value`, -5 for no
   camera.

   @par Device types
   All simulated cameras; what the registers hold depends on the device type
   (above).

   @param[in]  node  Driver node number of the camera.
   @param[in]  reg   Register address.
   @param[out] value Receives the register's value.
   @return Status code.
   @retval 1  Success.
   @retval -1 A null `value`.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimReadSensorReg(int node, unsigned short reg, unsigned short* value);
/** Writes one 16-bit sensor register, as the sensor-register requests reach
   it. Which writes the chip ignores, and which registers a write also sets,
   depends on the camera (see QCXSimReadSensorReg); on the CCD cameras writes
   change nothing. -5 for no camera.

   @par Device types
   All simulated cameras; what a write does depends on the device type (see
   QCXSimReadSensorReg).

   @param[in] node  Driver node number of the camera.
   @param[in] reg   Register address.
   @param[in] value Value to write.
   @return Status code.
   @retval 1  Success.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimWriteSensorReg(int node, unsigned short reg, unsigned short value);

/** Reads the firmware's working-mode word. -1 for a null `word`, -5 for no
   camera.

   @par Device types
   All simulated cameras.

   @param[in]  node Driver node number of the camera.
   @param[out] word Receives the working-mode word.
   @return Status code.
   @retval 1  Success.
   @retval -1 A null `word`.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimGetWorkingMode(int node, unsigned short* word);
/** Sets the firmware's working-mode word. Setting it behaves like the
   host's write: bit 8 flushes the camera's frame buffer and is not kept. -5
   for no camera.

   @par Device types
   All simulated cameras.

   @param[in] node Driver node number of the camera.
   @param[in] word The new working-mode word.
   @return Status code.
   @retval 1  Success.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimSetWorkingMode(int node, unsigned short word);

/** @} */

/** @defgroup qcxsim_requests Request log
 * @ingroup qcxsim
 *
 * The vendor requests, flushes and frame releases a simulated camera
 * received.
 * @{
 */

/** Vendor requests that reached the camera since it was created or since the
   last reset, failed and refused ones included (an unplugged camera receives
   nothing). -1 for a null `count`, -5 for no camera.

   @par Device types
   All simulated cameras.

   @param[in]  node  Driver node number of the camera.
   @param[out] count Receives the number of vendor requests.
   @return Status code.
   @retval 1  Success.
   @retval -1 A null `count`.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimGetRequestCount(int node, unsigned int* count);
/** Resets the count of vendor requests that reached the camera (see
   QCXSimGetRequestCount). -5 for no camera.

   @par Device types
   All simulated cameras.

   @param[in] node Driver node number of the camera.
   @return Status code.
   @retval 1  Success.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimResetRequestCount(int node);

/** The last vendor request that reached the camera: its 19-byte driver record
   as received, and for a host-to-device request the data the host sent (at
   most QCXSIM_HOST_DATA_MAX bytes copied; `hostDataLength` gets the full
   length, 0 for a device-to-host request). Before any request the record is
   all zero. `hostData` and `hostDataLength` may be null; -1 for a null
   `record`, -5 for no camera.

   @par Device types
   All simulated cameras.

   @param[in]  node           Driver node number of the camera.
   @param[out] record         Receives the QCXSIM_RECORD_SIZE bytes of the
                              driver record.
   @param[out] hostData       Receives at most QCXSIM_HOST_DATA_MAX bytes of
                              the data the host sent; may be null.
   @param[out] hostDataLength Receives the full length of that data, 0 for a
                              device-to-host request; may be null.
   @return Status code.
   @retval 1  Success.
   @retval -1 A null `record`.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimGetLastRequest(int node, unsigned char record[QCXSIM_RECORD_SIZE],
                                    unsigned char* hostData, unsigned int* hostDataLength);

/** Flushes of the camera's frame buffer (working-mode writes with bit 8).
   -1 for a null `count`, -5 for no camera.

   @par Device types
   All simulated cameras.

   @param[in]  node  Driver node number of the camera.
   @param[out] count Receives the number of flushes.
   @return Status code.
   @retval 1  Success.
   @retval -1 A null `count`.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimGetFlushCount(int node, unsigned int* count);

/** Frame release requests (0xDA) the camera answered. The cameras that take
   them (types 48 and 49) hold each frame they sent until it is released or
   the frame buffer is flushed: a read before that times out. -1 for a null
   `count`, -5 for no camera.

   @par Device types
   All simulated cameras; only types 48 and 49 take frame release requests.

   @param[in]  node  Driver node number of the camera.
   @param[out] count Receives the number of frame release requests answered.
   @return Status code.
   @retval 1  Success.
   @retval -1 A null `count`.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimGetFrameReleaseCount(int node, unsigned int* count);

/** @} */

/** @defgroup qcxsim_io I/O lines, trigger and strobe
 * @ingroup qcxsim
 *
 * The camera's I/O lines from outside. The controller's ports C, D and E
 * (special function registers 0xA0, 0xB0, 0xB1) read the level a pin drives
 * where its direction bit (0xB4, 0xB5, 0xB6) makes it an output, and the
 * outside level elsewhere, pulled high unless set here. The external
 * trigger input and the strobe output.
 * @{
 */

/** Presses or releases the camera's snap button.

   The camera's I/O lines from outside. The controller's ports C, D and E
   (special function registers 0xA0, 0xB0, 0xB1) read the level a pin drives
   where its direction bit (0xB4, 0xB5, 0xB6) makes it an output, and the
   outside level elsewhere, pulled high unless set here.
   QCXSimSetSnapButton: pressed (non-zero) pulls port C pin 2 low. -5 for
   no camera.

   @par Device types
   All simulated cameras (the library reads the button on device types 4-7,
   10, 11, 23, 24).

   @param[in] node    Driver node number of the camera.
   @param[in] pressed Non-zero presses the button (pulls port C pin 2 low).
   @return Status code.
   @retval 1  Success.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimSetSnapButton(int node, int pressed);
/** Sets the outside levels of the general purpose lines.

   QCXSimSetGpioInputs: outside levels of the general purpose lines, line 0
   in bit 0 (port E on types 4-7, 10, 11, 23, 24; port D on 33-35; port D
   from pin 2 on for 17, 18, 30). -3 for a camera without the lines, -5 for
   no camera.

   @par Device types
   Device types 4-7, 10, 11, 17, 18, 23, 24, 30, 33-35.

   @param[in] node   Driver node number of the camera.
   @param[in] levels Outside levels, line 0 in bit 0.
   @return Status code.
   @retval 1  Success.
   @retval -2 Out of memory.
   @retval -3 A camera without the lines.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimSetGpioInputs(int node, unsigned char levels);
/** Reads the levels of the general purpose lines.

   QCXSimGetGpioLevels: the levels the lines carry, driven or from outside.
   -3 for a camera without the lines or lamps, -1 for a null output, -5 for
   no camera.

   @par Device types
   Device types 4-7, 10, 11, 17, 18, 23, 24, 30, 33-35 (see
   QCXSimSetGpioInputs).

   @param[in]  node   Driver node number of the camera.
   @param[out] levels Receives the levels the lines carry, line 0 in bit 0.
   @return Status code.
   @retval 1  Success.
   @retval -1 A null output.
   @retval -2 Out of memory.
   @retval -3 A camera without the lines.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimGetGpioLevels(int node, unsigned char* levels);
/** Reads the lit lamps.

   QCXSimGetLamps: the lit lamps of the type
   12 camera, lamp n in bit n, lit when both of its port E pins (2n, 2n + 1)
   are driven high. -3 for a camera without the lines or lamps, -1 for a
   null output, -5 for no camera.

   @par Device types
   Device type 12 only.

   @param[in]  node  Driver node number of the camera.
   @param[out] lamps Receives the lit lamps, lamp n in bit n.
   @return Status code.
   @retval 1  Success.
   @retval -1 A null output.
   @retval -2 Out of memory.
   @retval -3 A camera without lamps.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimGetLamps(int node, unsigned char* lamps);

/** One pulse on the external trigger input. While the working mode has the
   external trigger bit (0x0001) a frame is sent only for a trigger: a read
   waits for one up to its time-out and then times out; a trigger that came
   first is kept for the next read. The frame follows the trigger after the
   trigger delay (request 0xD6, taken as microseconds) and, in realtime
   timing, the frame time. A trigger also sets the trigger status the
   camera reports (request 0xD0) until it is reported. -5 for no camera.

   @par Device types
   All simulated cameras.

   @param[in] node Driver node number of the camera.
   @return Status code.
   @retval 1  Success.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimTrigger(int node);

/** Pulses of the strobe (flash) output: one per frame sent while the sensor
   enables it (MT9V032: 0x1B bit 0 clear; 1280 x 1024 CMOS: 0x1E bit 9 set).
   -1 for a null `count`, -5 for no camera.

   @par Device types
   All simulated cameras; the strobe pulses on MT9V032 and 1280 x 1024 CMOS
   cameras.

   @param[in]  node  Driver node number of the camera.
   @param[out] count Receives the number of strobe pulses.
   @return Status code.
   @retval 1  Success.
   @retval -1 A null `count`.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimGetStrobeCount(int node, unsigned int* count);

/** @} */

/** @defgroup qcxsim_scene Scene, focus and timing
 * @ingroup qcxsim
 *
 * What a simulated camera looks at, the focus of its lens and the timing of
 * its frames.
 * @{
 */

/** Sets the scene the camera looks at.

   What the camera looks at: QCXSIM_SCENE_PICTURE, a deterministic picture
   whose brightness follows the exposure time and analog gain (the power-on
   settings give a mid-grey picture); QCXSIM_SCENE_RAMP, exact bytes for
   tests: the sample at absolute sensor column c and row r is (c + 2r) mod 256
   whatever the exposure, gain and companding; binning averages it (rounded,
   halves up) and flips reorder it; or QCXSIM_SCENE_GREY, the same
   reflectance at every site and in every colour, without hot pixels, for
   exposure and white balance loops: it reads 100 at the power-on exposure
   and gain and follows them like the picture (with the chip's automatic
   control off and the power-on line length, 100 x (rows + 0.7) / 480.7 x
   gain / 16 rounded, 255 at most; rows in 0x0B, gain in 0x35). On the
   MT9P001 and MT9T001 the picture and the grey scene follow the exposure
   relative to the power-on one (the row time, and so the exposure of a
   shutter width, grows with the window width) times the gain of each
   site's colour (red 0x2D, blue 0x2C, green 0x2B on red rows and 0x2E on
   blue rows; 0x2B without colour filter). Their address modes (0x22 rows,
   0x23 columns: bits 2-0 skip, bits 5-4 bin) skip and bin Bayer pairs, so
   that binning averages sites of one colour, two columns or rows apart, and
   0x20 bit 15 flips the rows, bit 14 the columns. The 1280 x 1024 CMOS
   skips Bayer pairs by 4 or 8 (0x1E bits 2 and 4 columns, 3 and 5 rows),
   bins them by 2 (0x20 bits 3 and 4) and flips the rows (0x20 bit 15), with
   an R G / G B filter. The MT9J001 skips every other or every fourth pair
   (odd increments 3 and 7), bins what it skips with 0x3040 bit 10, flips
   the rows and columns with bits 15 and 14, and carries G R / B G on types
   13, 15, 16 and type 14 before firmware 1.05, R G / G B on the others.
   The CCDs send their whole array: the ICX205 (1360 x 1024) with a G B / R G
   filter on type 19, the 1628 x 1236 with G R / B G on type 48, grey on
   types 20 and 49; the picture and the grey scene follow their exposure and
   variable gain (36 or 34 dB over the codes, unity at 512).
   Only cameras with a sensor model (MT9V032: device types 21-24, 28, 29,
   36, 37; MT9P001, MT9T001, 1280 x 1024 CMOS, MT9J001 and the CCDs, see
   QCXSimReadSensorReg) render scenes; the others send byte i of their
   k-th frame as (i + k) mod 256 in every scene. The getter reports the
   scene the next frame would use. -1 for an unknown scene or a null
   `scene`, -5 for no camera.

   @par Device types
   All simulated cameras; only those with a sensor model render scenes.

   @param[in] node  Driver node number of the camera.
   @param[in] scene QCXSIM_SCENE_PICTURE, QCXSIM_SCENE_RAMP or
                    QCXSIM_SCENE_GREY.
   @return Status code.
   @retval 1  Success.
   @retval -1 An unknown scene.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimSetScene(int node, int scene);
/** Reads the scene the next frame would use (see QCXSimSetScene). -1 for a
   null `scene`, -5 for no camera.

   @par Device types
   All simulated cameras.

   @param[in]  node  Driver node number of the camera.
   @param[out] scene Receives QCXSIM_SCENE_PICTURE, QCXSIM_SCENE_RAMP or
                     QCXSIM_SCENE_GREY.
   @return Status code.
   @retval 1  Success.
   @retval -1 A null `scene`.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimGetScene(int node, int* scene);

/** Sets the focus of the lens over the picture scene.

   Focus of the lens over the picture scene: `radius` 0 is sharp (the
   power-on state); 1 ... QCXSIM_BLUR_MAX defocus it, blurring the colours in
   front of the filter so that every variant and Bayer order softens alike.
   Radius r is radius r - 1 box-blurred once more with radius (r + 1) / 2,
   about as wide as one box blur of radius r and never sharper than r - 1:
   over the whole frame, with the linear ADC and no sample clipped, each
   larger radius gives a strictly lower sum of the differences between
   neighbouring samples (so it does at the power-on settings). Hot
   pixels stay sharp; the ramp and the grey scene are never blurred. The
   setter blurs the picture once per radius (up to some 40 ms the first
   time) and keeps it, so frames cost no more than sharp ones. Cameras
   without a sensor model keep the radius and ignore it. -1 for a radius
   outside 0 ... QCXSIM_BLUR_MAX or a null `radius`, -5 for no camera.

   @par Device types
   All simulated cameras; cameras without a sensor model keep the radius
   and ignore it.

   @param[in] node   Driver node number of the camera.
   @param[in] radius Blur radius, 0 (sharp) ... QCXSIM_BLUR_MAX.
   @return Status code.
   @retval 1  Success.
   @retval -1 A radius outside 0 ... QCXSIM_BLUR_MAX.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimSetBlur(int node, int radius);
/** Reads the focus of the lens (see QCXSimSetBlur). -1 for a null
   `radius`, -5 for no camera.

   @par Device types
   All simulated cameras.

   @param[in]  node   Driver node number of the camera.
   @param[out] radius Receives the blur radius.
   @return Status code.
   @retval 1  Success.
   @retval -1 A null `radius`.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimGetBlur(int node, int* radius);

/** Sets the frame timing.

   Frame timing. In QCXSIM_TIMING_REALTIME the MT9V032 streams: a frame
   completes every frame time, (output rows + vertical blanking) x (window
   width + horizontal blanking) pixel clocks but at least the exposure time,
   counted from the first realtime read (and again after the frame time
   changes), and a read waits for the next one, so a reader that works
   between reads still gets every frame time a frame (about 54 frames/s at
   power-on on the 24 MHz boards). The MT9P001 and MT9T001 stream alike
   with a frame time of (output rows + vertical blanking + 1) row times, the
   row time as their datasheets count it, but at least the exposure time
   (about 6 frames/s at power-on for the MT9P001 at 48 MHz, 12 for the
   MT9T001). A frame time longer than the read's time-out makes the read
   time out after the time-out. In QCXSIM_TIMING_FAST no read waits. In
   both, a read with a time-out of 0 times out at once. -1 for an unknown timing or a null `timing`, -5 for no
   camera.

   @par Device types
   All simulated cameras.

   @param[in] node   Driver node number of the camera.
   @param[in] timing QCXSIM_TIMING_REALTIME or QCXSIM_TIMING_FAST.
   @return Status code.
   @retval 1  Success.
   @retval -1 An unknown timing.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimSetTiming(int node, int timing);
/** Reads the frame timing (see QCXSimSetTiming). -1 for a null `timing`,
   -5 for no camera.

   @par Device types
   All simulated cameras.

   @param[in]  node   Driver node number of the camera.
   @param[out] timing Receives QCXSIM_TIMING_REALTIME or
                      QCXSIM_TIMING_FAST.
   @return Status code.
   @retval 1  Success.
   @retval -1 A null `timing`.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimGetTiming(int node, int* timing);

/** @} */

/** @defgroup qcxsim_frames Frame faults, counts, sizes and times
 * @ingroup qcxsim
 *
 * Frame faults. Each call replaces the pending count of its kind; `count` 0
 * cancels it. A read uses up at most one fault: a drop first, then an empty
 * frame, then a short one. The frame reads so far, and the size and time of
 * the frame the sensor sends now.
 * @{
 */

/** Makes the next frame reads time out.

   Frame faults. Each call replaces the pending count of its kind; `count` 0
   cancels it. A read uses up at most one fault: a drop first, then an empty
   frame, then a short one.
   QCXSimDropFrames: each of the next `count` reads waits its time-out (in fast
   timing it does not wait) and times out; the library then recovers.
   -1 for a negative count, -5 for no camera.

   @par Device types
   All simulated cameras.

   @param[in] node  Driver node number of the camera.
   @param[in] count Number of reads that time out; 0 cancels pending drops.
   @return Status code.
   @retval 1  Success.
   @retval -1 A negative count.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimDropFrames(int node, int count);
/** Makes the next frames empty.

   Each call replaces the pending count of its kind; `count` 0 cancels it.
   QCXSimEmptyFrames: each of the next `count` frames completes with 0 bytes.
   -1 for a negative count, -5 for no camera.

   @par Device types
   All simulated cameras.

   @param[in] node  Driver node number of the camera.
   @param[in] count Number of empty frames; 0 cancels pending ones.
   @return Status code.
   @retval 1  Success.
   @retval -1 A negative count.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimEmptyFrames(int node, int count);
/** Makes the next frames short.

   Each call replaces the pending count of its kind; `count` 0 cancels it.
   QCXSimShortFrames: each of the next `count` frames completes with `bytes`
   bytes, or half the frame when `bytes` is 0 (never more than was asked).
   -1 for a negative count, -5 for no camera.

   @par Device types
   All simulated cameras.

   @param[in] node  Driver node number of the camera.
   @param[in] count Number of short frames; 0 cancels pending ones.
   @param[in] bytes Bytes each short frame completes with; 0 for half the
                    frame.
   @return Status code.
   @retval 1  Success.
   @retval -1 A negative count.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimShortFrames(int node, int count, unsigned int bytes);

/** Frame faults still pending. Each pointer may be null. -5 for no camera.

   @par Device types
   All simulated cameras.

   @param[in]  node    Driver node number of the camera.
   @param[out] drops   Receives the pending dropped frames; may be null.
   @param[out] empties Receives the pending empty frames; may be null.
   @param[out] shorts  Receives the pending short frames; may be null.
   @return Status code.
   @retval 1  Success.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimGetPendingFrameFaults(int node, unsigned int* drops, unsigned int* empties,
                                           unsigned int* shorts);

/** Frame reads so far: `delivered` counts reads that completed with at least
   one byte (short frames included), `timedOut` reads that timed out (time-out
   0, dropped frames, frames slower than the time-out). Each pointer may be
   null. -5 for no camera.

   @par Device types
   All simulated cameras.

   @param[in]  node      Driver node number of the camera.
   @param[out] delivered Receives the reads that completed with at least one
                         byte; may be null.
   @param[out] timedOut  Receives the reads that timed out; may be null.
   @return Status code.
   @retval 1  Success.
   @retval -2 Out of memory.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimGetFrameCounts(int node, unsigned int* delivered, unsigned int* timedOut);

/** Width and height in samples of the frame the sensor sends now, from its
   window, skipping and binning; either pointer may be null. A sample is one
   byte, or two (a 12-bit value, low byte first) on cameras with a sensor
   model other than the MT9V032 whose working mode has the 16-bit transfer
   bit (0x0010). -3 for a
   camera without a sensor model, which sends whatever size is read; -5 for
   no camera.

   @par Device types
   Simulated cameras with a sensor model.

   @param[in]  node   Driver node number of the camera.
   @param[out] width  Receives the width in samples; may be null.
   @param[out] height Receives the height in samples; may be null.
   @return Status code.
   @retval 1  Success.
   @retval -2 Out of memory.
   @retval -3 A camera without a sensor model.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimGetFrameSize(int node, int* width, int* height);

/** Milliseconds the sensor takes for one frame with its registers as they are
   now: the read-out of the window with its blanking, or the exposure when
   that is longer (1280 x 1024 CMOS: a row is max(W' + max(HB, 19) + 226,
   4 x SD + 548) clocks of 48 MHz, W' the column size less the columns a
   skip or bin leaves out, and a frame output rows + VB + 1 rows; MT9J001:
   a line is 0x300C clocks of 161 MHz, a frame output rows + 64 lines). Realtime timing delivers a frame every this long. -1 for a
   null `ms`, -3 for a camera without a sensor model, -5 for no camera.

   @par Device types
   Simulated cameras with a sensor model.

   @param[in]  node Driver node number of the camera.
   @param[out] ms   Receives the frame time in milliseconds.
   @return Status code.
   @retval 1  Success.
   @retval -1 A null `ms`.
   @retval -2 Out of memory.
   @retval -3 A camera without a sensor model.
   @retval -5 No simulated camera at `node`. */
QCXSIM_API int QCXSimGetFrameTime(int node, double* ms);

/** @} */

#ifdef __cplusplus
}
#endif

#endif /* QCXSIM_H */

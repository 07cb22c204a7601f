/*
 * qcxsim.h - control of the simulated cameras of QCXApi, for tests and tools.
 *
 * QCX_SIM in the environment names the simulated cameras, comma-separated
 * TYPE[:NUMBER[:FIRMWARE]] (for example QCX_SIM=21,8:3:0x0102). The library
 * numbers real USB cameras first and the simulated ones after them; `node` in
 * every function below is that driver node number, the one the library opens.
 * Only plugged cameras have a node number: while a camera is unplugged, the
 * simulated cameras after it move down by one.
 *
 * Every function returns an int status:
 *    1  success
 *   -1  bad argument (null output pointer, value out of range)
 *   -2  out of memory
 *   -5  no simulated camera at that node number
 * The functions may be called from any thread.
 */
#ifndef QCXSIM_H
#define QCXSIM_H

#if defined(_WIN32)
#  if defined(QCXAPI_BUILDING)
#    define QCXSIM_API __declspec(dllexport)
#  else
#    define QCXSIM_API __declspec(dllimport)
#  endif
#elif defined(QCXAPI_BUILDING)
#  define QCXSIM_API __attribute__((visibility("default")))
#else
#  define QCXSIM_API
#endif

#define QCXSIM_OK 1
#define QCXSIM_BAD_ARGUMENT (-1)
#define QCXSIM_NO_MEMORY (-2)
#define QCXSIM_NO_CAMERA (-5)

/* Fault modes of QCXSimFailRequests. */
#define QCXSIM_FAIL_STATUS 0 /* answer with status byte 1 and no value */
#define QCXSIM_FAIL_REFUSE 1 /* stall the request: the driver refuses it */

#define QCXSIM_RECORD_SIZE 19   /* bytes of a driver request record */
#define QCXSIM_HOST_DATA_MAX 64 /* bytes of host data QCXSimGetLastRequest copies */

#ifdef __cplusplus
extern "C" {
#endif

/* Number of simulated cameras plugged in now (0 or more; never fails). Reads
   QCX_SIM afresh. */
QCXSIM_API int QCXSimGetCount(void);

/* Identity of the camera at `node`: device type, device number and firmware
   version as its device-information request answers them. Each pointer may be
   null. -5 when there is no simulated camera at `node`. */
QCXSIM_API int QCXSimDescribe(int node, int* deviceType, int* deviceNumber,
                              unsigned short* firmwareVersion);

/* The next `count` well-formed vendor requests to the camera fail in `mode`
   (QCXSIM_FAIL_STATUS or QCXSIM_FAIL_REFUSE); a failed request changes
   nothing in the camera. Host-to-device requests have no status byte, so a
   status fault refuses them. `count` 0 cancels pending failures; a new call
   replaces the old count. -1 for a negative count or an unknown mode, -5 when
   there is no simulated camera at `node`. */
QCXSIM_API int QCXSimFailRequests(int node, int count, int mode);

/* Unplugs the camera at `node`: its requests and frame reads fail, it is no
   longer counted or opened, and the cameras after it move down one node. It
   keeps its memory. -5 when there is no simulated camera at `node`. */
QCXSIM_API int QCXSimUnplug(int node);

/* Plugs every unplugged simulated camera back in, at its place in the QCX_SIM
   list. A replugged camera is a new connection: nodes the library opened
   before the unplug stay dead and must be opened again. Always 1 (or -2). */
QCXSIM_API int QCXSimReplugAll(void);

/* One byte of the camera's 64 KiB EEPROM (erased bytes read 0xFF). -1 for a
   null `value` or an address above 0xFFFF, -5 for no camera. */
QCXSIM_API int QCXSimReadEeprom(int node, unsigned int address, unsigned char* value);
QCXSIM_API int QCXSimWriteEeprom(int node, unsigned int address, unsigned char value);

/* One byte of the camera's EEPROM with 32-bit addresses, the one the 0xD2 and
   0xD3 requests reach; separate from the 64 KiB EEPROM. Erased bytes read 0xFF.
   -1 for a null `value`, -5 for no camera. */
QCXSIM_API int QCXSimReadEeprom32(int node, unsigned int address, unsigned char* value);
QCXSIM_API int QCXSimWriteEeprom32(int node, unsigned int address, unsigned char value);

/* One byte of the controller's register space (0 after power-on). -1 for a
   null `value`, -5 for no camera. */
QCXSIM_API int QCXSimReadFx2Reg(int node, unsigned short address, unsigned char* value);
QCXSIM_API int QCXSimWriteFx2Reg(int node, unsigned short address, unsigned char value);

/* One of the controller's 256 special function registers (port data and
   direction among them). -1 for a null `value`, -5 for no camera. */
QCXSIM_API int QCXSimReadSfr(int node, unsigned char address, unsigned char* value);
QCXSIM_API int QCXSimWriteSfr(int node, unsigned char address, unsigned char value);

/* One 16-bit sensor register. -1 for a null `value`, -5 for no camera. */
QCXSIM_API int QCXSimReadSensorReg(int node, unsigned short reg, unsigned short* value);
QCXSIM_API int QCXSimWriteSensorReg(int node, unsigned short reg, unsigned short value);

/* The firmware's working-mode word. Setting it behaves like the host's write:
   bit 8 flushes the camera's frame buffer and is not kept. -1 for a null
   `word`, -5 for no camera. */
QCXSIM_API int QCXSimGetWorkingMode(int node, unsigned short* word);
QCXSIM_API int QCXSimSetWorkingMode(int node, unsigned short word);

/* Vendor requests that reached the camera since it was created or since the
   last reset, failed and refused ones included (an unplugged camera receives
   nothing). -1 for a null `count`, -5 for no camera. */
QCXSIM_API int QCXSimGetRequestCount(int node, unsigned int* count);
QCXSIM_API int QCXSimResetRequestCount(int node);

/* The last vendor request that reached the camera: its 19-byte driver record
   as received, and for a host-to-device request the data the host sent (at
   most QCXSIM_HOST_DATA_MAX bytes copied; `hostDataLength` gets the full
   length, 0 for a device-to-host request). Before any request the record is
   all zero. `hostData` and `hostDataLength` may be null; -1 for a null
   `record`, -5 for no camera. */
QCXSIM_API int QCXSimGetLastRequest(int node, unsigned char record[QCXSIM_RECORD_SIZE],
                                    unsigned char* hostData, unsigned int* hostDataLength);

/* Flushes of the camera's frame buffer (working-mode writes with bit 8).
   -1 for a null `count`, -5 for no camera. */
QCXSIM_API int QCXSimGetFlushCount(int node, unsigned int* count);

/* Frame release requests (0xDA) the camera answered. -1 for a null `count`,
   -5 for no camera. */
QCXSIM_API int QCXSimGetFrameReleaseCount(int node, unsigned int* count);

#ifdef __cplusplus
}
#endif

#endif /* QCXSIM_H */

/* The C interface of the vendor media component talvexcam.ax.
 *
 * The component is a shared object that Pixmender loads by file name. Its
 * three objects (camera enumerator, control object, stream object) are made by
 * class identifier and reached through the flat functions below, one per
 * interface method the tool uses; the comment on each names the method's
 * index in the component's interface (the three standard object methods
 * first). Every function returns TALVEX_OK (0) on success and a negative
 * result code on failure, as the component's methods do.
 *
 * Besides its objects the component registers its cameras' video inputs when
 * DllRegisterServer is called: the capture graph lists them first in the
 * video input category, in the order of the enumerator's camera table.
 */
#ifndef PIXMENDER_TALVEX_COMPONENT_H
#define PIXMENDER_TALVEX_COMPONENT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The component's functions are its only visible symbols. */
#if defined(__GNUC__)
#define TALVEX_API __attribute__((visibility("default")))
#else
#define TALVEX_API
#endif

typedef int32_t TalvexResult;
#define TALVEX_OK ((TalvexResult)0)
#define TALVEX_E_FAIL ((TalvexResult)0x80004005)
#define TALVEX_E_POINTER ((TalvexResult)0x80004003)
#define TALVEX_E_NOINTERFACE ((TalvexResult)0x80004002)
#define TALVEX_E_INVALIDARG ((TalvexResult)0x80070057)
#define TALVEX_E_CLASS_NOT_REGISTERED ((TalvexResult)0x80040154)

#define TALVEX_CLSID_ENUMERATOR "{A917C758-4119-11DA-AE0E-000D56AC7B4C}"
#define TALVEX_IID_ENUMERATOR "{A917C759-4119-11DA-AE0E-000D56AC7B4C}"
#define TALVEX_CLSID_CONTROL "{A917C75A-4119-11DA-AE0E-000D56AC7B4C}"
#define TALVEX_IID_CONTROL "{A917C75B-4119-11DA-AE0E-000D56AC7B4C}"
#define TALVEX_CLSID_STREAM "{18459DDB-8BEB-4EF5-A3D7-099D9B3EAE0F}"
#define TALVEX_IID_STREAM "{A917C74E-4119-11DA-AE0E-000D56AC7B4C}"
/* The property set of the stream switch. */
#define TALVEX_PROPSET_STREAM "{18459DDB-8BEB-4EF5-A3D7-099D9B3EAE0F}"

/* Any object of the component: enumerator, control object, stream object,
 * capture filter or device object. Each reference is released once. */
typedef struct TalvexObject TalvexObject;

/* A counted UTF-16 string owned by the enumerator (valid until it is released). */
typedef struct TalvexCountedString {
  uint32_t length; /* code units */
  const uint16_t* text;
} TalvexCountedString;

/* One entry of the camera table: a 32-bit value and the camera's counted name.
 * (The name is a pointer, which does not fit 32 bits on 64-bit systems.) */
typedef struct TalvexCameraEntry {
  uint32_t first;
  const TalvexCountedString* second;
} TalvexCameraEntry;

/* Registration and object creation. */
TALVEX_API TalvexResult DllRegisterServer(void);
TALVEX_API TalvexResult TalvexCreateInstance(const char* clsid, const char* iid, TalvexObject** object);
TALVEX_API uint32_t TalvexAddRef(TalvexObject* object);  /* method 1 */
TALVEX_API uint32_t TalvexRelease(TalvexObject* object); /* method 2 */

/* Enumerator. */
/* 3: fills up to capacity entries and their number. */
TALVEX_API TalvexResult TalvexEnumerateCameras(TalvexObject* enumerator, TalvexCameraEntry* table, int32_t* count,
                                    int32_t capacity);
/* 4: opens the entry whose first value is given, with the length of its name;
 * gives the camera's capture filter and its device object (both referenced). */
TALVEX_API TalvexResult TalvexOpenCamera(TalvexObject* enumerator, uint32_t first, uint32_t nameLength,
                              TalvexObject** captureFilter, TalvexObject** device);

/* Control object. */
TALVEX_API TalvexResult TalvexWriteBridgeRegister(TalvexObject* control, uint16_t address, uint16_t value); /* 9 */
TALVEX_API TalvexResult TalvexWriteEepromWord(TalvexObject* control, uint8_t deviceAddress, uint16_t wordAddress,
                                   uint16_t value); /* 13 */
TALVEX_API TalvexResult TalvexReadEepromWord(TalvexObject* control, uint8_t deviceAddress, uint16_t wordAddress,
                                  uint16_t* value);                                   /* 14 */
TALVEX_API TalvexResult TalvexAttachDevice(TalvexObject* control, TalvexObject* device);        /* 21 */
TALVEX_API TalvexResult TalvexAttachCaptureFilter(TalvexObject* control, TalvexObject* filter); /* 22 */
/* 23: (1, pointer to the 1-byte register address, 2, pointer to the 16-bit value). */
TALVEX_API TalvexResult TalvexWriteSensorRegister(TalvexObject* control, uint32_t addressBytes, const uint8_t* address,
                                       uint32_t valueBytes, const uint16_t* value);

/* Stream object. */
/* 7: (property set, 1, 1 on / 0 off, 0, 4096, 0, 0). */
TALVEX_API TalvexResult TalvexStreamSwitch(TalvexObject* stream, const char* propertySet, uint32_t property, uint32_t on,
                                uint32_t flags, uint32_t dataSize, uint32_t reserved1, uint32_t reserved2);
TALVEX_API TalvexResult TalvexStreamAttachCaptureFilter(TalvexObject* stream, TalvexObject* filter); /* 23 */

/* Video inputs registered by DllRegisterServer, in camera table order. */
TALVEX_API int32_t TalvexVideoInputCount(void);
/* The input's display name as zero-terminated UTF-8, cut to size bytes. */
TALVEX_API TalvexResult TalvexVideoInputName(int32_t index, char* name, uint32_t size);
/* A new GStreamer source element (a GstElement*, floating reference) that
 * produces the input's video, or null. */
TALVEX_API void* TalvexCreateVideoSource(int32_t index);

/* The component's functions as the tool finds them in the loaded file. */
typedef struct TalvexComponentApi {
  TalvexResult (*DllRegisterServer)(void);
  TalvexResult (*CreateInstance)(const char*, const char*, TalvexObject**);
  uint32_t (*AddRef)(TalvexObject*);
  uint32_t (*Release)(TalvexObject*);
  TalvexResult (*EnumerateCameras)(TalvexObject*, TalvexCameraEntry*, int32_t*, int32_t);
  TalvexResult (*OpenCamera)(TalvexObject*, uint32_t, uint32_t, TalvexObject**, TalvexObject**);
  TalvexResult (*WriteBridgeRegister)(TalvexObject*, uint16_t, uint16_t);
  TalvexResult (*WriteEepromWord)(TalvexObject*, uint8_t, uint16_t, uint16_t);
  TalvexResult (*ReadEepromWord)(TalvexObject*, uint8_t, uint16_t, uint16_t*);
  TalvexResult (*AttachDevice)(TalvexObject*, TalvexObject*);
  TalvexResult (*AttachCaptureFilter)(TalvexObject*, TalvexObject*);
  TalvexResult (*WriteSensorRegister)(TalvexObject*, uint32_t, const uint8_t*, uint32_t, const uint16_t*);
  TalvexResult (*StreamSwitch)(TalvexObject*, const char*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                               uint32_t);
  TalvexResult (*StreamAttachCaptureFilter)(TalvexObject*, TalvexObject*);
  int32_t (*VideoInputCount)(void);
  TalvexResult (*VideoInputName)(int32_t, char*, uint32_t);
  void* (*CreateVideoSource)(int32_t);
} TalvexComponentApi;

#ifdef __cplusplus
}
#endif

#endif

#ifndef OMBREX_RAZIZID_API_H
#define OMBREX_RAZIZID_API_H

/*
 * The C interface of the RazIzid HID service library (libRazIzid.so,
 * RazIzid.dll). The program binds these functions by name at start-up; the
 * library is the only part of the program that touches HID devices.
 *
 * Requests name a HID interface by a 16-byte selector and carry a
 * verification value: the sum, through the shared 256-entry byte table of
 * razizid_wire.h, over the selector's bytes, the low four bytes of the
 * callback's address (little-endian), the tag's four bytes (little-endian)
 * and, for calls that write, the data. A request whose value does not match
 * is refused with RAZIZID_REFUSED and does nothing.
 *
 * Standing requests (RequestAsyncRead, and every write given a callback) call
 * their callback for every report that arrives on their interface (kind 1)
 * and whenever the number of attached matching devices changes (kind 0, with
 * the new count). Each standing request has its own thread: its callbacks
 * arrive in order, never on the caller's thread, and a callback that waits
 * delays no other request. DeleteRequestFromUnitId returns only when that
 * request's callback is no longer running and will not run again (except when
 * called from that very callback, which then simply is its last).
 *
 * The record passed to a callback, and the data it points to, are valid only
 * during the call.
 */

#include <stdint.h>

#ifdef _WIN32
#define RAZIZID_CALL __stdcall
#ifdef RAZIZID_BUILDING_LIBRARY
#define RAZIZID_EXPORT __declspec(dllexport)
#else
#define RAZIZID_EXPORT __declspec(dllimport)
#endif
#else
#define RAZIZID_CALL
#define RAZIZID_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* u32 kind (always RAZIZID_SELECTOR_KIND), u16 vendor id, u16 product id,
 * u16 usage page, u16 usage, u32 reserved (0); little-endian. */
typedef struct RazIzidSelector {
  uint8_t bytes[16];
} RazIzidSelector;

#define RAZIZID_SELECTOR_KIND 0x0000000Fu

/* Event kinds. */
#define RAZIZID_EVENT_DEVICE_COUNT 0u /* count = matching devices now attached */
#define RAZIZID_EVENT_DATA 1u         /* count = bytes received at data */

typedef struct RazIzidEvent {
  uint32_t kind;
  uint32_t tag;        /* the tag the request was made with */
  uint32_t count;      /* bytes at data (kind 1) or attached devices (kind 0) */
  uint32_t unitId;     /* the request it belongs to */
  const uint8_t* data; /* kind 1: the report, report id first; kind 0: NULL */
} RazIzidEvent;

/* Returns 1. */
typedef int(RAZIZID_CALL* RazIzidCallback)(const RazIzidEvent* event);

/* Results below 1. Successful calls return 1, a count or a byte count. */
#define RAZIZID_NONE 0           /* no matching device, nothing done */
#define RAZIZID_REFUSED (-1)     /* bad selector, verification value or argument */
#define RAZIZID_IO_ERROR (-2)    /* the device did not take or give the report */
#define RAZIZID_NOT_READY (-3)   /* Init has not succeeded (or End was called) */
#define RAZIZID_UNSUPPORTED (-4) /* the backend has no such report */

/* Sets the level of the library's diagnostics on stderr (0 = quiet); returns
 * the previous level. */
RAZIZID_EXPORT int RAZIZID_CALL Debug(int level);

/* Starts the library with the backend named by RAZIZID_BACKEND ("hid", the
 * default; "virtual"; "model"). > 0: ready. 0: the backend could not start. A
 * second Init while running returns 1 and changes nothing. */
RAZIZID_EXPORT int RAZIZID_CALL Init(int reserved);

/* Cancels every request and stops the backend; Init may follow. Returns 1. */
RAZIZID_EXPORT int RAZIZID_CALL End(void);

/* Number of attached devices matching the selector (0 = none). callback and
 * tag take part in the verification only; unitId, when given, receives 0. */
RAZIZID_EXPORT int RAZIZID_CALL RequestGetDeviceCount(const RazIzidSelector* selector,
                                                      RazIzidCallback callback, uint32_t tag,
                                                      uint32_t verification, uint32_t* unitId);

/* Cancels one standing request. 0 and unknown ids are harmless. Returns 1 when
 * a request was cancelled, 0 otherwise. */
RAZIZID_EXPORT int RAZIZID_CALL DeleteRequestFromUnitId(uint32_t unitId);

/* Cancels every standing request made with this callback (the caller's handle
 * on its requests); returns how many. */
RAZIZID_EXPORT int RAZIZID_CALL DeleteRequestFromHandle(RazIzidCallback callback);

/* Writes one output report to every matching device (RequestWrite) or to the
 * first one (RequestWriteOne); data starts with the report id. Returns the
 * bytes written to the last device written, or a result below 1. Given a
 * callback, also makes a standing request on the selector (its id to unitId).
 */
RAZIZID_EXPORT int RAZIZID_CALL RequestWrite(const RazIzidSelector* selector,
                                             RazIzidCallback callback, uint32_t tag,
                                             const uint8_t* data, uint32_t length,
                                             uint32_t verification, uint32_t* unitId);
RAZIZID_EXPORT int RAZIZID_CALL RequestWriteOne(const RazIzidSelector* selector,
                                                RazIzidCallback callback, uint32_t tag,
                                                const uint8_t* data, uint32_t length,
                                                uint32_t verification, uint32_t* unitId);

/* Writes a short status report (the G-key bank LED state) to the first
 * matching device, as RequestWriteOne. */
RAZIZID_EXPORT int RAZIZID_CALL RequestStatusWrite(const RazIzidSelector* selector,
                                                   RazIzidCallback callback, uint32_t tag,
                                                   const uint8_t* data, uint32_t length,
                                                   uint32_t verification, uint32_t* unitId);

/* Reads a feature report of the first matching device into data (data[0] =
 * the report id on entry). The data is not part of the verification. Returns
 * the bytes read. */
RAZIZID_EXPORT int RAZIZID_CALL RequestStatusGet(const RazIzidSelector* selector,
                                                 RazIzidCallback callback, uint32_t tag,
                                                 uint8_t* data, uint32_t length,
                                                 uint32_t verification, uint32_t* unitId);

/* Standing read: see above. Returns 1 and the new request's id in unitId. */
RAZIZID_EXPORT int RAZIZID_CALL RequestAsyncRead(const RazIzidSelector* selector,
                                                 RazIzidCallback callback, uint32_t tag,
                                                 uint32_t verification, uint32_t* unitId);

/* Sends a feature report to the first matching device; returns bytes sent. */
RAZIZID_EXPORT int RAZIZID_CALL RequestStatusSetFeature(const RazIzidSelector* selector,
                                                        RazIzidCallback callback, uint32_t tag,
                                                        const uint8_t* data, uint32_t length,
                                                        uint32_t verification, uint32_t* unitId);

/* Not one of the twelve: why a keyboard that is present could not be opened
 * (typically missing permissions), as UTF-8 with a NUL, cut to capacity.
 * Returns the length of the whole message, 0 when every keyboard opened. */
RAZIZID_EXPORT int RAZIZID_CALL RazIzidLastOpenError(char* buffer, uint32_t capacity);

/* The functions as a table, for binding by name or to an in-process core. */
typedef struct RazIzidFunctions {
  int(RAZIZID_CALL* Debug)(int);
  int(RAZIZID_CALL* Init)(int);
  int(RAZIZID_CALL* End)(void);
  int(RAZIZID_CALL* RequestGetDeviceCount)(const RazIzidSelector*, RazIzidCallback, uint32_t,
                                           uint32_t, uint32_t*);
  int(RAZIZID_CALL* DeleteRequestFromUnitId)(uint32_t);
  int(RAZIZID_CALL* DeleteRequestFromHandle)(RazIzidCallback);
  int(RAZIZID_CALL* RequestWrite)(const RazIzidSelector*, RazIzidCallback, uint32_t, const uint8_t*,
                                  uint32_t, uint32_t, uint32_t*);
  int(RAZIZID_CALL* RequestWriteOne)(const RazIzidSelector*, RazIzidCallback, uint32_t,
                                     const uint8_t*, uint32_t, uint32_t, uint32_t*);
  int(RAZIZID_CALL* RequestStatusWrite)(const RazIzidSelector*, RazIzidCallback, uint32_t,
                                        const uint8_t*, uint32_t, uint32_t, uint32_t*);
  int(RAZIZID_CALL* RequestStatusGet)(const RazIzidSelector*, RazIzidCallback, uint32_t, uint8_t*,
                                      uint32_t, uint32_t, uint32_t*);
  int(RAZIZID_CALL* RequestAsyncRead)(const RazIzidSelector*, RazIzidCallback, uint32_t, uint32_t,
                                      uint32_t*);
  int(RAZIZID_CALL* RequestStatusSetFeature)(const RazIzidSelector*, RazIzidCallback, uint32_t,
                                             const uint8_t*, uint32_t, uint32_t, uint32_t*);
  /* Optional; NULL when the library does not offer it. */
  int(RAZIZID_CALL* LastOpenError)(char*, uint32_t);
} RazIzidFunctions;

#ifdef __cplusplus
}
#endif

#endif /* OMBREX_RAZIZID_API_H */

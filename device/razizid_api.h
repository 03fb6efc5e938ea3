#ifndef OMBREX_RAZIZID_API_H
#define OMBREX_RAZIZID_API_H

/*
 * The C interface of the RazIzid HID service library (libRazIzid.so,
 * RazIzid.dll): the one contract between the program and the library. The
 * library implements it, the program binds it by name at start-up, and
 * neither side adds anything to it elsewhere; this header includes nothing of
 * either. The library is the only part of the program that touches HID
 * devices.
 *
 * Requests name a HID interface by a 16-byte selector and carry a
 * verification value: the sum, through the shared 256-entry byte table of
 * device/razizid_wire.h, over the selector's bytes, the low four bytes of the
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
 *
 * No function lets an exception or any other failure of the library's own
 * escape to the caller: a call that fails inside the library (memory
 * exhausted, a thread that cannot start) returns RAZIZID_IO_ERROR.
 */

#include <stddef.h>
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

/* The tags the program makes its requests with; the library hands them back
 * in every event of the request. Four characters, the first in the highest
 * byte. */
#define RAZIZID_TAG_CONTROL 0x4354524Cu  /* 'CTRL': command replies */
#define RAZIZID_TAG_CONSUMER 0x434F4E53u /* 'CONS': the keyboard's event codes */
#define RAZIZID_TAG_LED 0x004C4544u      /* 'LED': the G-key bank LED state */

/* Diagnostics, handed to the log callback that SetLog installs as one line of
 * UTF-8 without a line end, valid only during the call. The library never
 * writes to the process's own streams: without a log callback it says
 * nothing. */
#define RAZIZID_LOG_ERROR \
  0 /* always: a backend that cannot start, a keyboard that cannot be opened */
#define RAZIZID_LOG_DETAIL 1 /* only while Debug's level is above 0 */
typedef void(RAZIZID_CALL* RazIzidLogCallback)(void* context, int level, const char* message);

/* Every report the library hands to a keyboard (RAZIZID_SENT, before it is
 * written) and every input report from one (RAZIZID_RECEIVED, before any
 * request's callback has it), with the interface's usage page and usage and
 * the report, report id first. */
#define RAZIZID_SENT 0u
#define RAZIZID_RECEIVED 1u
typedef void(RAZIZID_CALL* RazIzidMonitorCallback)(void* context, uint32_t direction,
                                                   uint16_t usagePage, uint16_t usage,
                                                   const uint8_t* data, uint32_t length);

/* Results below 1. Successful calls return 1, a count or a byte count. */
#define RAZIZID_NONE 0           /* no matching device, nothing done */
#define RAZIZID_REFUSED (-1)     /* bad selector, verification value or argument */
#define RAZIZID_IO_ERROR (-2)    /* the device did not take or give the report */
#define RAZIZID_NOT_READY (-3)   /* Init has not succeeded (or End was called) */
#define RAZIZID_UNSUPPORTED (-4) /* the backend has no such report */

/*
 * The twelve functions, in the order the program binds them; every one must
 * be there. X(name, parameters, arguments) for each: the declarations below,
 * the library's exports, its in-process function table and the program's
 * binder are all made from this one list.
 */
/* clang-format off */
/* What the calls that send a report take, and those that only ask. */
#define RAZIZID_WRITE_PARAMETERS                                                      \
  (const RazIzidSelector* selector, RazIzidCallback callback, uint32_t tag,           \
   const uint8_t* data, uint32_t length, uint32_t verification, uint32_t* unitId)
#define RAZIZID_WRITE_ARGUMENTS (selector, callback, tag, data, length, verification, unitId)
#define RAZIZID_QUERY_PARAMETERS                                                      \
  (const RazIzidSelector* selector, RazIzidCallback callback, uint32_t tag,           \
   uint32_t verification, uint32_t* unitId)
#define RAZIZID_QUERY_ARGUMENTS (selector, callback, tag, verification, unitId)

#define RAZIZID_FUNCTIONS(X)                                                          \
  /* Sets the level of the library's diagnostics (0 = errors only, see              \
   * RAZIZID_LOG_DETAIL); returns the previous level. */                             \
  X(Debug, (int level), (level))                                                      \
  /* Starts the library with the backend named by RAZIZID_BACKEND ("hid", the        \
   * default; "virtual"; "model"). > 0: ready. 0 or below: the backend could         \
   * not start. A second Init while running returns 1 and changes nothing. */        \
  X(Init, (int reserved), (reserved))                                                 \
  /* Cancels every request and stops the backend; Init may follow. Returns 1. */     \
  X(End, (void), ())                                                                  \
  /* Number of attached devices matching the selector (0 = none). callback and       \
   * tag take part in the verification only; unitId, when given, receives 0. */      \
  X(RequestGetDeviceCount, RAZIZID_QUERY_PARAMETERS, RAZIZID_QUERY_ARGUMENTS)         \
  /* Cancels one standing request. 0 and unknown ids are harmless. Returns 1         \
   * when a request was cancelled, 0 otherwise. */                                   \
  X(DeleteRequestFromUnitId, (uint32_t unitId), (unitId))                             \
  /* Cancels every standing request made with this callback (the caller's            \
   * handle on its requests); returns how many. */                                   \
  X(DeleteRequestFromHandle, (RazIzidCallback callback), (callback))                  \
  /* Writes one output report to every matching device; data starts with the         \
   * report id. Returns the bytes written to the last device written, or a           \
   * result below 1. Given a callback, also makes a standing request on the          \
   * selector (its id to unitId). */                                                 \
  X(RequestWrite, RAZIZID_WRITE_PARAMETERS, RAZIZID_WRITE_ARGUMENTS)                  \
  /* As RequestWrite, to the first matching device only. */                          \
  X(RequestWriteOne, RAZIZID_WRITE_PARAMETERS, RAZIZID_WRITE_ARGUMENTS)               \
  /* Writes a short status report (the G-key bank LED state) to the first           \
   * matching device, as RequestWriteOne. */                                         \
  X(RequestStatusWrite, RAZIZID_WRITE_PARAMETERS, RAZIZID_WRITE_ARGUMENTS)            \
  /* Reads a feature report of the first matching device into data (data[0] =       \
   * the report id on entry). The data is not part of the verification.             \
   * Returns the bytes read. */                                                      \
  X(RequestStatusGet,                                                                 \
    (const RazIzidSelector* selector, RazIzidCallback callback, uint32_t tag,         \
     uint8_t* data, uint32_t length, uint32_t verification, uint32_t* unitId),        \
    (selector, callback, tag, data, length, verification, unitId))                    \
  /* Standing read: see above. Returns 1 and the new request's id in unitId. */      \
  X(RequestAsyncRead, RAZIZID_QUERY_PARAMETERS, RAZIZID_QUERY_ARGUMENTS)              \
  /* Sends a feature report to the first matching device; returns bytes sent. */     \
  X(RequestStatusSetFeature, RAZIZID_WRITE_PARAMETERS, RAZIZID_WRITE_ARGUMENTS)

/*
 * Functions beyond the twelve, which a library may lack. Each is exported as
 * RazIzid<name> (the prefix keeps names that are not the twelve apart from a
 * caller's own) and sits in the table as <name>, NULL when missing.
 */
#define RAZIZID_EXTRA_FUNCTIONS(X)                                                    \
  /* Why a keyboard that is present could not be opened (typically missing           \
   * permissions), as UTF-8 with a NUL, cut to capacity. Returns the length of       \
   * the whole message, 0 when every keyboard opened. */                             \
  X(LastOpenError, (char* buffer, uint32_t capacity), (buffer, capacity))          \
  /* Where the diagnostics go from now on (NULL: nowhere). The callback may be       \
   * called on any thread, one call at a time, Init's included; it must not call     \
   * the library. Returns 1 once no call of the one it replaces is running. */       \
  X(SetLog, (RazIzidLogCallback log, void* context), (log, context))                  \
  /* Who sees every report from now on (NULL: nobody), in order, as SetLog's         \
   * callback is called and returning as SetLog does. A report sent is seen even     \
   * when the keyboard then does not take it. */                                     \
  X(SetMonitor, (RazIzidMonitorCallback monitor, void* context), (monitor, context))
/* clang-format on */

#define RAZIZID_DECLARE_FUNCTION(name, parameters, arguments) \
  RAZIZID_EXPORT int RAZIZID_CALL name parameters;
#define RAZIZID_DECLARE_EXTRA_FUNCTION(name, parameters, arguments) \
  RAZIZID_EXPORT int RAZIZID_CALL RazIzid##name parameters;
RAZIZID_FUNCTIONS(RAZIZID_DECLARE_FUNCTION)
RAZIZID_EXTRA_FUNCTIONS(RAZIZID_DECLARE_EXTRA_FUNCTION)
#undef RAZIZID_DECLARE_FUNCTION
#undef RAZIZID_DECLARE_EXTRA_FUNCTION

/* The functions as a table, for binding by name or to an in-process core. */
#define RAZIZID_TABLE_MEMBER(name, parameters, arguments) int(RAZIZID_CALL * name) parameters;
typedef struct RazIzidFunctions {
  RAZIZID_FUNCTIONS(RAZIZID_TABLE_MEMBER)
  RAZIZID_EXTRA_FUNCTIONS(RAZIZID_TABLE_MEMBER)
} RazIzidFunctions;
#undef RAZIZID_TABLE_MEMBER

/* A program and a library built apart must agree on these layouts. */
#ifdef __cplusplus
#define RAZIZID_STATIC_ASSERT static_assert
#else
#define RAZIZID_STATIC_ASSERT _Static_assert
#endif
RAZIZID_STATIC_ASSERT(sizeof(RazIzidSelector) == 16, "a selector is 16 bytes");
RAZIZID_STATIC_ASSERT(offsetof(RazIzidEvent, kind) == 0, "event record layout");
RAZIZID_STATIC_ASSERT(offsetof(RazIzidEvent, tag) == 4, "event record layout");
RAZIZID_STATIC_ASSERT(offsetof(RazIzidEvent, count) == 8, "event record layout");
RAZIZID_STATIC_ASSERT(offsetof(RazIzidEvent, unitId) == 12, "event record layout");
RAZIZID_STATIC_ASSERT(offsetof(RazIzidEvent, data) == 16, "event record layout");
#undef RAZIZID_STATIC_ASSERT

#ifdef __cplusplus
}
#endif

#endif /* OMBREX_RAZIZID_API_H */

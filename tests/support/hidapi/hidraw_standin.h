#pragma once

// A stand-in for hidapi's hidraw flavour (libhidapi-hidraw.so.0, the 0.13 C
// API) that shows the virtual keyboard daemon as Linux would show the real
// keyboard. Tests put its folder first on LD_LIBRARY_PATH and set
// RAZIZID_BACKEND=hid: the service library's hid backend then runs unchanged
// against it, with the daemon found as the virtual backend finds it
// (OMBREX_VKBD_SOCKET, else the runtime folder).
//
// What it models:
// - Enumeration: one entry per top-level collection, every entry of one USB
//   interface with that interface's path. The keyboard has four interfaces:
//   the boot keyboard (0x0001/0x0006, not the program's), the consumer
//   events (0x000C/0x0001, unnumbered reports: the two-byte event code),
//   and one vendor interface with two collections, the command packets
//   (0xFF1C/0x0092, report id 0x04, 64 bytes) and the G-key bank LED
//   (0x0008/0x0089, report id 0x05, 2 bytes). The keyboard is listed while
//   the daemon runs and holds it plugged.
// - Reports: the first byte written is the report id and must name one of
//   the interface's output reports (else -1, as a device that stalls); a
//   write returns once the keyboard took it. Numbered input reports are
//   read with their id first. Every open handle of an interface receives
//   every input report of it, 64 at most queued per handle (more are lost,
//   as hidraw loses them), other processes' handles included.
// - hid_read_timeout: 0 on time-out, -1 once the keyboard is gone. A handle
//   opened before an unplug stays dead after a replug; hid_open_path fails
//   for a keyboard that is not there (ENOENT) and, when told so, for a node
//   the user may not open (EACCES) or one another program holds (EBUSY).
// - Errors: hid_error(NULL) is the last failure of this thread's calls
//   without a handle (hidapi keeps one for the process), hid_error(dev) the
//   handle's last failure.
//
// What it does not model: feature and input reports on request (the
// keyboard has none: -1), report descriptors, serial numbers and strings
// beyond the product's names, several keyboards at once, the kernel's
// locking of hidraw against the USB core, and Bluetooth.
//
// Test controls, read at each hid_open_path:
//   OMBREX_HIDAPI_DENY=PATH[,PATH...]|all   those nodes fail with EACCES
//   OMBREX_HIDAPI_BUSY=PATH[,PATH...]|all   those nodes fail with EBUSY
//
// Arrivals and removals: the extension below tells a watcher each time the
// keyboard comes or goes (the daemon plugs or unplugs it, starts or ends),
// the way a udev monitor tells about hidraw nodes; the service library uses
// it in place of udev when the hidapi it loaded offers it.

#ifdef __cplusplus
extern "C" {
#endif

typedef void (*ombrex_hidapi_changed_fn)(void* context);

// Calls `changed` on the stand-in's own thread after every arrival or
// removal; a watch id above 0. While no daemon answers, the stand-in looks
// for one every 50 ms (tests only: a daemon's start is the plugging in).
int ombrex_hidapi_watch(ombrex_hidapi_changed_fn changed, void* context);
// No call of that watch's function runs or begins once this returns.
void ombrex_hidapi_unwatch(int watch);

#ifdef __cplusplus
}
#endif

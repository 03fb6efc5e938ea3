#include "editors/views/x11_auto_repeat.h"

#include <QGuiApplication>
#include <cstdint>
#include <optional>

#if OMBREX_XCB_XKB
// The C header names a field "explicit", a keyword of C++.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <cstdlib>
#endif

namespace ombrex {

#if OMBREX_XCB_XKB
namespace {

xcb_connection_t* XConnection() {
  auto* x11 =
      qApp == nullptr ? nullptr : qApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 == nullptr ? nullptr : x11->connection();
}

// Changes the flag (when `change`) and gives what the server then holds:
// nullopt when it has no XKB or refused.
std::optional<bool> PerClientDetectable(xcb_connection_t* connection, bool change, bool on) {
  const std::uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
  const xcb_xkb_per_client_flags_cookie_t cookie = xcb_xkb_per_client_flags(
      connection, XCB_XKB_ID_USE_CORE_KBD, change ? flag : 0, on ? flag : 0, 0, 0, 0);
  xcb_xkb_per_client_flags_reply_t* reply =
      xcb_xkb_per_client_flags_reply(connection, cookie, nullptr);
  if (reply == nullptr) return std::nullopt;
  const bool supported = (reply->supported & flag) != 0;
  const bool value = (reply->value & flag) != 0;
  std::free(reply);
  if (!supported) return std::nullopt;
  return value;
}

}  // namespace

DetectableAutoRepeat::DetectableAutoRepeat() {
  xcb_connection_t* connection = XConnection();
  if (connection == nullptr) return;
  const std::optional<bool> before = PerClientDetectable(connection, false, false);
  if (!before) return;
  if (*before) {
    active_ = true;
    return;
  }
  active_ = PerClientDetectable(connection, true, true).value_or(false);
  restoreOff_ = active_;
}

DetectableAutoRepeat::~DetectableAutoRepeat() {
  if (!restoreOff_) return;
  if (xcb_connection_t* connection = XConnection()) PerClientDetectable(connection, true, false);
}

#else

DetectableAutoRepeat::DetectableAutoRepeat() = default;
DetectableAutoRepeat::~DetectableAutoRepeat() = default;

#endif

}  // namespace ombrex

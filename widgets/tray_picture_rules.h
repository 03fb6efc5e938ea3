#pragma once

// Which picture the tray icon shows. The device watcher sets the presence
// picture (and it is remembered); the indicator worker shows the indicator
// picture over it and later asks for the remembered one back. Both run on
// their own threads, so the rules keep their state under a lock.

#include <mutex>
#include <optional>

#include "device/window_link.h"

namespace ombrex {

// Pictures and kinds are the numbers device code passes through WindowLink.
class TrayPictureRules {
 public:
  explicit TrayPictureRules(int initialPicture = kTrayNoKeyboard);

  // kTrayPresence with a picture: show it and remember it; with 0: show the
  // remembered picture. kTrayOverlay: show the indicator picture without
  // remembering it. Returns the picture to set now, or nullopt when the
  // current one stays (a picture is never set twice in a row).
  std::optional<int> SetTrayPicture(int kind, int picture);

  int Current() const;
  int Remembered() const;

 private:
  mutable std::mutex mutex_;
  int current_;
  int remembered_;
};

}  // namespace ombrex

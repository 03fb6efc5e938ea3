#pragma once

// Which picture the tray icon shows. The device watcher sets the presence
// picture (and it is remembered); the indicator worker shows the indicator
// picture over it and later asks for the remembered one back. Both run on
// their own threads, so the rules keep their state under a lock.

#include <mutex>
#include <optional>

namespace ombrex {

// Icon resource numbers of the tray pictures.
inline constexpr int kTrayPictureAbsent = 128;
inline constexpr int kTrayPicturePresent = 141;
inline constexpr int kTrayPictureIndicator = 142;

// Picture kinds of SetTrayPicture.
inline constexpr int kTrayKindPresence = 0;
inline constexpr int kTrayKindIndicator = 1;

class TrayPictureRules {
 public:
  explicit TrayPictureRules(int initialPicture = kTrayPictureAbsent);

  // Kind 0 with a picture: show it and remember it. Kind 0 with 0: show the
  // remembered picture. Kind 1: show the indicator picture without
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

#include "widgets/tray_picture_rules.h"

namespace ombrex {

TrayPictureRules::TrayPictureRules(int initialPicture)
    : current_(initialPicture), remembered_(initialPicture) {}

std::optional<int> TrayPictureRules::SetTrayPicture(int kind, int picture) {
  std::lock_guard lock(mutex_);
  int wanted = current_;
  if (kind == kTrayPresence) {
    if (picture != 0) remembered_ = picture;
    wanted = remembered_;
  } else if (kind == kTrayOverlay) {
    wanted = kTrayIndicator;
  }
  if (wanted == current_) return std::nullopt;
  current_ = wanted;
  return wanted;
}

int TrayPictureRules::Current() const {
  std::lock_guard lock(mutex_);
  return current_;
}

int TrayPictureRules::Remembered() const {
  std::lock_guard lock(mutex_);
  return remembered_;
}

}  // namespace ombrex

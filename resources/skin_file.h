#pragma once

// Skin layout files: every dialog's background and shape pictures and the
// place of each of its controls, as data. Widgets only apply what this says.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ombrex {

// x, y, w, h in pixels of the dialog's client area.
struct Placement {
  int x = 1;
  int y = 1;
  int w = 1;
  int h = 1;
  // A control placed at (1, 1) is not part of this skin: it stays hidden and
  // disabled. Numbers are compared, not text: "1,10,50,20" is visible.
  bool IsHidden() const { return x == 1 && y == 1; }
  friend bool operator==(const Placement&, const Placement&) = default;
};

// Reads "x,y,w,h" as "%d,%d,%d,%d" would: the first four integers; anything
// after the fourth is ignored; numbers that cannot be read keep their default
// of 1.
Placement ParsePlacement(std::u16string_view value);

// The part of `place` that lies on a picture of width x height pixels, where
// a control cuts its faces from; nullopt when none does (no size, or wholly
// outside). A skin file is outside input: a face is never larger than the
// picture it comes from.
std::optional<Placement> FitPlacement(const Placement& place, int width, int height);

class SkinFile {
 public:
  // `iniPath` is e.g. <program folder>/Skins/Main.ini. A missing file behaves
  // as a file with every key missing.
  explicit SkinFile(std::filesystem::path iniPath);

  const std::filesystem::path& Path() const { return path_; }
  // The skin folder: pictures named in the file are relative to it.
  std::filesystem::path Folder() const { return path_.parent_path(); }

  // A placement of any section; a missing key gives 1,1,1,1.
  Placement Place(std::u16string_view section, std::u16string_view key) const;
  // Section "BUTTONINFO".
  Placement Button(std::u16string_view key) const { return Place(u"BUTTONINFO", key); }
  // Section "BUTTONINFO2" (picture origins of the two-key arrow buttons).
  Placement Origin(std::u16string_view key) const { return Place(u"BUTTONINFO2", key); }

  // Section "SCREEN": the background picture's file name (default empty), the
  // shape picture's (default: the background's) and the link address.
  std::u16string BackgroundPicture() const;
  std::u16string MaskPicture() const;
  std::u16string Link(std::u16string_view defaultAddress) const;

  // Caption of a main-window label from "Control_Name" (language choice 0) or
  // "Control_Name1" (choice 1); empty when missing. Other choices give an
  // empty text, which callers treat as "leave the caption as it is".
  std::u16string ControlName(std::u16string_view key, int languageChoice) const;

 private:
  std::filesystem::path path_;
};

// One run of a window region: the pixels x0 <= x < x1 of row y.
struct RegionRun {
  int y = 0;
  int x0 = 0;
  int x1 = 0;
  friend bool operator==(const RegionRun&, const RegionRun&) = default;
};

// The window shape of a mask picture of width x height pixels, given as rows of
// 0xRRGGBB values (alpha ignored), row 0 first: every run of pixels that are
// not pure white (255, 255, 255), row by row, left to right.
std::vector<RegionRun> MaskRegionRuns(int width, int height, std::span<const std::uint32_t> pixels);

}  // namespace ombrex

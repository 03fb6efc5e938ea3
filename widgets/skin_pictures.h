#pragma once

// Every picture the dialogs draw from.
//
// The application checks all of them at start-up, cheaply (each opens, is a
// picture, and a dialog's state pictures have its size), so a missing or
// broken picture ends the program before any window exists instead of when a
// dialog opens later with the user's unapplied edits in memory. Decoded, the
// full-size state pictures take megabytes each: a window keeps only what it
// draws (its buttons cut their own faces), and a dialog decodes its set while
// it is open.

#include <QImage>
#include <QPixmap>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "widgets/png_button.h"

namespace ombrex {

// The pictures of one dialog, relative to the program folder. `skinFile`, when
// not empty, adds the background and shape pictures its "SCREEN" section
// names; its state pictures are pictures of the whole dialog and have the
// background's size.
struct DialogPictures {
  std::u16string_view dialog;
  std::filesystem::path skinFile;
  std::vector<std::filesystem::path> statePictures;
  std::vector<std::filesystem::path> pictures;
};

// A picture the program cannot use, with what is wrong with it.
struct PictureProblem {
  std::filesystem::path file;  // full path
  std::string reason;
  friend bool operator==(const PictureProblem&, const PictureProblem&) = default;
};

// Main window, lighting panel, composite dialog, profile manager and icons: the
// single list of what the program needs.
const std::vector<DialogPictures>& RequiredPictures();

// The first problem among the pictures of every dialog, without decoding
// any: a file that is missing or no picture, a skin naming no background, a
// shape or state picture whose size is not the background's.
std::optional<PictureProblem> CheckPictures(const std::filesystem::path& programFolder);
std::optional<PictureProblem> CheckDialogPictures(const std::filesystem::path& programFolder,
                                                  const DialogPictures& dialog);

// "Skins/main_normal.jpg" -> "Skins/main_normal@2x.jpg".
std::filesystem::path HighDensitySibling(const std::filesystem::path& picture);

class SkinPictures {
 public:
  // On screens whose device pixel ratio is above 1 a picture's "@2x" sibling is
  // used where one exists, so the skin stays crisp.
  SkinPictures(std::filesystem::path programFolder, qreal devicePixelRatio);

  const std::filesystem::path& ProgramFolder() const { return programFolder_; }
  qreal DevicePixelRatio() const { return devicePixelRatio_; }

  // Decodes one dialog's pictures for as long as it is open; the first that
  // will not decode, as a full path (a late failure keeps the dialog closed).
  std::optional<std::filesystem::path> LoadDialog(const DialogPictures& dialog);
  // Lets go of every decoded picture; what widgets still hold stays alive.
  void ForgetAll();
  std::size_t Decoded() const { return pixmaps_.size(); }

  // A picture relative to the program folder (or absolute); a null pixmap when
  // it cannot be loaded. Its size in logical pixels is always that of the 1x
  // file: a "@2x" picture carries a device pixel ratio of 2.
  QPixmap Picture(const std::filesystem::path& file);

  // The plain 1x image of a shape picture; window regions are computed in
  // logical pixels whatever the screen.
  QImage ShapeImage(const std::filesystem::path& file);

 private:
  std::filesystem::path Resolve(const std::filesystem::path& file) const;

  std::filesystem::path programFolder_;
  qreal devicePixelRatio_;
  std::map<std::filesystem::path, QPixmap> pixmaps_;
};

// The face sets of the image buttons of each dialog. A disabled key of the
// main window looks idle and an assigned one takes the marked picture; the
// editor's page sets without a disabled picture use their normal one; the
// profile manager shows disabled buttons pressed.
ButtonPictures MainWindowFaces(SkinPictures& pictures);
// The files behind MainWindowFaces, face by face (relative to the program
// folder), for a window that decodes them one at a time.
struct ButtonPictureFiles {
  std::filesystem::path normal;
  std::filesystem::path hover;
  std::filesystem::path pressed;
  std::filesystem::path disabled;
  std::filesystem::path marked;
};
ButtonPictureFiles MainWindowFaceFiles();
enum class EditorPictureSet { Key, Macro, MacroOnly, Media, Function };
ButtonPictures EditorFaces(SkinPictures& pictures, EditorPictureSet set);
ButtonPictures ProfileManagerFaces(SkinPictures& pictures);

// The pictures a skin file's "SCREEN" section names (background, then shape),
// relative to the program folder like the skin file itself.
std::vector<std::filesystem::path> ScreenPictures(const std::filesystem::path& programFolder,
                                                  const std::filesystem::path& skinFile);

}  // namespace ombrex

#include "widgets/skin_pictures.h"

#include <QImageReader>

#include "resources/skin_file.h"
#include "widgets/qt_text.h"

namespace ombrex {
namespace {

std::vector<std::filesystem::path> InSkins(std::initializer_list<const char*> names) {
  std::vector<std::filesystem::path> files;
  for (const char* name : names) files.push_back(std::filesystem::path("Skins") / name);
  return files;
}

std::vector<std::filesystem::path> Numbered(const char* prefix, int first, int last,
                                            const char* extension) {
  std::vector<std::filesystem::path> files;
  for (int i = first; i <= last; ++i) {
    files.push_back(std::filesystem::path("Skins") /
                    (std::string(prefix) + std::to_string(i) + extension));
  }
  return files;
}

std::vector<std::filesystem::path> LightingPanelPictures() {
  std::vector<std::filesystem::path> files = Numbered("", 0, 9, ".bmp");
  for (auto& file :
       InSkins({"sjsup.bmp",     "sjsdown.bmp",    "leftup.bmp",  "leftdown.bmp",   "rightup.bmp",
                "rightdown.bmp", "upup.bmp",       "updown.bmp",  "downup.bmp",     "downdown.bmp",
                "kuosan.bmp",    "kuosandown.bmp", "julong.bmp",  "julongdown.bmp", "hong.bmp",
                "hongok.bmp",    "huang.bmp",      "huangok.bmp", "lv.bmp",         "lvok.bmp",
                "lan.bmp",       "lanok.bmp",      "user1up.bmp", "user1down.bmp",  "user2up.bmp",
                "user2down.bmp", "dengup.bmp",     "dengdown.bmp"})) {
    files.push_back(std::move(file));
  }
  for (auto& file : Numbered("jdt", 1, 10, ".bmp")) files.push_back(std::move(file));
  return files;
}

std::vector<DialogPictures> MakeRequiredPictures() {
  return {
      {u"main window", std::filesystem::path("Skins") / "Main.ini",
       InSkins({"main_normal.jpg", "main_over.jpg", "main_down.jpg", "main_disable.jpg",
                "main_color0.jpg", "main_color1.jpg"}),
       InSkins({"Arrow.jpg"})},
      {u"lighting panel", {}, {}, LightingPanelPictures()},
      {u"key assignment editor",
       std::filesystem::path("Skins") / "Composite.ini",
       InSkins({"key_normal.jpg", "key_over.jpg", "key_down.jpg", "macro_normal.jpg",
                "macro_over.jpg", "macro_down.jpg", "macro_disable.jpg", "macro2_normal.jpg",
                "macro2_over.jpg", "macro2_down.jpg", "macro2_disable.jpg", "media_normal.jpg",
                "media_over.jpg", "media_down.jpg", "function_normal.jpg", "function_over.jpg",
                "function_down.jpg"}),
       {}},
      {u"profile manager",
       std::filesystem::path("Skins") / "Profile.ini",
       InSkins({"Profile_normal.jpg", "Profile_over.jpg", "Profile_down.jpg"}),
       {}},
      {u"icons",
       {},
       {},
       InSkins({"icon_app.png", "icon_absent.png", "icon_present.png", "icon_indicator.png"})},
  };
}

QImage ReadImage(const std::filesystem::path& file) {
  QImageReader reader(PathToQString(file));
  // A file's own extension may lie (a PNG saved as .jpg); trust the content.
  reader.setDecideFormatFromContent(true);
  return reader.read();
}

// The size a picture file declares, read from its header; nullopt when it is
// missing or no picture a reader knows.
std::optional<QSize> DeclaredSize(const std::filesystem::path& file) {
  QImageReader reader(PathToQString(file));
  reader.setDecideFormatFromContent(true);
  if (!reader.canRead()) return std::nullopt;
  const QSize size = reader.size();
  if (!size.isValid() || size.isEmpty()) return std::nullopt;
  return size;
}

PictureProblem Unreadable(const std::filesystem::path& file) {
  return {file,
          std::filesystem::exists(file) ? "is not a picture the program can read" : "is missing"};
}

std::string SizeText(QSize size) {
  return std::to_string(size.width()) + "x" + std::to_string(size.height());
}

}  // namespace

std::optional<PictureProblem> CheckDialogPictures(const std::filesystem::path& programFolder,
                                                  const DialogPictures& dialog) {
  std::optional<QSize> dialogSize;
  std::vector<std::filesystem::path> fullSize = dialog.statePictures;
  if (!dialog.skinFile.empty()) {
    const SkinFile skin(programFolder / dialog.skinFile);
    if (skin.BackgroundPicture().empty()) {
      return PictureProblem{programFolder / dialog.skinFile, "names no background picture"};
    }
    const std::vector<std::filesystem::path> screen =
        ScreenPictures(programFolder, dialog.skinFile);
    const std::filesystem::path background = programFolder / screen.front();
    dialogSize = DeclaredSize(background);
    if (!dialogSize) return Unreadable(background);
    // The shape is cut to the background's size: a shape of another size
    // would shape the window wrongly.
    fullSize.push_back(screen.back());
  }
  for (const auto& file : fullSize) {
    const std::filesystem::path full = programFolder / file;
    const std::optional<QSize> size = DeclaredSize(full);
    if (!size) return Unreadable(full);
    if (dialogSize && *size != *dialogSize) {
      return PictureProblem{
          full, "is " + SizeText(*size) + ", not the window's " + SizeText(*dialogSize)};
    }
  }
  for (const auto& file : dialog.pictures) {
    const std::filesystem::path full = programFolder / file;
    if (!DeclaredSize(full)) return Unreadable(full);
  }
  return std::nullopt;
}

std::optional<PictureProblem> CheckPictures(const std::filesystem::path& programFolder) {
  for (const DialogPictures& dialog : RequiredPictures()) {
    if (auto problem = CheckDialogPictures(programFolder, dialog)) return problem;
  }
  return std::nullopt;
}

const std::vector<DialogPictures>& RequiredPictures() {
  static const std::vector<DialogPictures> pictures = MakeRequiredPictures();
  return pictures;
}

std::filesystem::path HighDensitySibling(const std::filesystem::path& picture) {
  std::filesystem::path sibling = picture;
  sibling.replace_filename(picture.stem().native() + "@2x" + picture.extension().native());
  return sibling;
}

namespace {

// "Skins/<prefix><state>.jpg" for the five faces.
ButtonPictureFiles FaceFiles(const std::string& prefix, const char* disabled, const char* marked) {
  auto at = [&](const char* state) {
    return std::filesystem::path("Skins") / (prefix + state + ".jpg");
  };
  return {at("normal"), at("over"), at("down"), at(disabled), at(marked)};
}

ButtonPictures LoadFaces(SkinPictures& pictures, const ButtonPictureFiles& files) {
  return {pictures.Picture(files.normal), pictures.Picture(files.hover),
          pictures.Picture(files.pressed), pictures.Picture(files.disabled),
          pictures.Picture(files.marked)};
}

ButtonPictures FaceSet(SkinPictures& pictures, const std::string& prefix, const char* disabled,
                       const char* marked) {
  return LoadFaces(pictures, FaceFiles(prefix, disabled, marked));
}

}  // namespace

ButtonPictureFiles MainWindowFaceFiles() {
  return FaceFiles("main_", "normal", "disable");
}

ButtonPictures MainWindowFaces(SkinPictures& pictures) {
  return LoadFaces(pictures, MainWindowFaceFiles());
}

ButtonPictures EditorFaces(SkinPictures& pictures, EditorPictureSet set) {
  switch (set) {
    case EditorPictureSet::Key:
      return FaceSet(pictures, "key_", "normal", "normal");
    case EditorPictureSet::Macro:
      return FaceSet(pictures, "macro_", "disable", "normal");
    case EditorPictureSet::MacroOnly:
      return FaceSet(pictures, "macro2_", "disable", "normal");
    case EditorPictureSet::Media:
      return FaceSet(pictures, "media_", "normal", "normal");
    case EditorPictureSet::Function:
      break;
  }
  return FaceSet(pictures, "function_", "normal", "normal");
}

ButtonPictures ProfileManagerFaces(SkinPictures& pictures) {
  return FaceSet(pictures, "Profile_", "down", "normal");
}

std::vector<std::filesystem::path> ScreenPictures(const std::filesystem::path& programFolder,
                                                  const std::filesystem::path& skinFile) {
  const SkinFile skin(programFolder / skinFile);
  const std::filesystem::path folder = skinFile.parent_path();
  return {folder / skin.BackgroundPicture(), folder / skin.MaskPicture()};
}

SkinPictures::SkinPictures(std::filesystem::path programFolder, qreal devicePixelRatio)
    : programFolder_(std::move(programFolder)), devicePixelRatio_(devicePixelRatio) {}

std::filesystem::path SkinPictures::Resolve(const std::filesystem::path& file) const {
  return file.is_absolute() ? file : programFolder_ / file;
}

std::optional<std::filesystem::path> SkinPictures::LoadDialog(const DialogPictures& dialog) {
  std::vector<std::filesystem::path> files = dialog.statePictures;
  files.insert(files.end(), dialog.pictures.begin(), dialog.pictures.end());
  if (!dialog.skinFile.empty()) {
    for (auto& screen : ScreenPictures(programFolder_, dialog.skinFile)) {
      files.push_back(std::move(screen));
    }
  }
  for (const auto& file : files) {
    // An empty name in a skin file resolves to its folder, which no reader opens.
    if (Picture(file).isNull()) return Resolve(file);
  }
  return std::nullopt;
}

void SkinPictures::ForgetAll() {
  pixmaps_.clear();
}

QPixmap SkinPictures::Picture(const std::filesystem::path& file) {
  const std::filesystem::path full = Resolve(file);
  if (auto cached = pixmaps_.find(full); cached != pixmaps_.end()) return cached->second;

  QImage image;
  if (devicePixelRatio_ > 1.0) {
    // Beside a sharp sibling only the 1x picture's size counts, and its
    // header says it: decoding it too would hold both at once.
    if (const std::optional<QSize> size = DeclaredSize(full)) {
      QImage sharp = ReadImage(HighDensitySibling(full));
      // A sibling of any other size would shift every face cut from it.
      if (!sharp.isNull() && sharp.size() == *size * 2) {
        sharp.setDevicePixelRatio(2.0);
        image = std::move(sharp);
      }
    }
  }
  if (image.isNull()) {
    image = ReadImage(full);
    if (image.isNull()) return {};
    image.setDevicePixelRatio(1.0);
  }
  QPixmap pixmap = QPixmap::fromImage(std::move(image));
  pixmaps_.emplace(full, pixmap);
  return pixmap;
}

QImage SkinPictures::ShapeImage(const std::filesystem::path& file) {
  QImage image = ReadImage(Resolve(file));
  image.setDevicePixelRatio(1.0);
  return image;
}

}  // namespace ombrex

#include "widgets/skin_pictures.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPainter>
#include <set>

#include "tests/support/temp_dir.h"
#include "tests/unit/widgets/widget_test_util.h"
#include "widgets/png_button.h"

namespace ombrex {
namespace {

QImage Filled(QSize size, QColor colour) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

// Every picture the program needs, written as small solid images (state
// pictures at their dialog's size), and skin files naming their backgrounds.
void WriteCompleteSkin(const test::TempDir& dir) {
  for (const DialogPictures& dialog : RequiredPictures()) {
    for (const auto& file : dialog.statePictures) {
      test::SavePicture(dir.path() / file, Filled(QSize(40, 20), Qt::darkGray));
    }
    for (const auto& file : dialog.pictures) {
      test::SavePicture(dir.path() / file, Filled(QSize(8, 8), Qt::darkGray));
    }
  }
  for (const char* skin : {"Main", "Composite", "Profile"}) {
    dir.Write(std::string("Skins/") + skin + ".ini",
              std::string("[SCREEN]\r\nMain=") + skin + "_bg.jpg\r\n");
    test::SavePicture(dir.path() / "Skins" / (std::string(skin) + "_bg.jpg"),
                      Filled(QSize(40, 20), Qt::black));
  }
}

TEST(SkinPicturesTest, RequiredListCoversEveryDialogOnce) {
  std::set<std::filesystem::path> seen;
  for (const DialogPictures& dialog : RequiredPictures()) {
    for (const auto* list : {&dialog.statePictures, &dialog.pictures}) {
      for (const auto& file : *list) {
        EXPECT_TRUE(seen.insert(file).second) << file << " listed twice";
      }
    }
  }
  for (const char* must : {"Skins/main_disable.jpg", "Skins/Arrow.jpg", "Skins/macro2_disable.jpg",
                           "Skins/function_down.jpg", "Skins/Profile_down.jpg", "Skins/9.bmp",
                           "Skins/julongdown.bmp", "Skins/jdt10.bmp", "Skins/dengup.bmp"}) {
    EXPECT_TRUE(seen.count(must)) << must;
  }
}

std::optional<std::filesystem::path> ProblemFile(const test::TempDir& dir) {
  const auto problem = CheckPictures(dir.path());
  if (!problem) return std::nullopt;
  return problem->file;
}

TEST(SkinPicturesTest, CompleteSkinPassesTheCheckAndEachMissingFileIsNamed) {
  test::TempDir dir;
  WriteCompleteSkin(dir);
  EXPECT_EQ(CheckPictures(dir.path()), std::nullopt);

  std::filesystem::remove(dir / "Skins/key_over.jpg");
  EXPECT_EQ(CheckPictures(dir.path()),
            (PictureProblem{dir.path() / "Skins/key_over.jpg", "is missing"}));

  WriteCompleteSkin(dir);
  dir.Write("Skins/7.bmp", "not a picture");
  EXPECT_EQ(ProblemFile(dir), dir.path() / "Skins/7.bmp") << "unreadable counts as missing";
}

TEST(SkinPicturesTest, BackgroundsNamedBySkinFilesAreChecked) {
  test::TempDir dir;
  WriteCompleteSkin(dir);
  dir.Write("Skins/Profile.ini", "[SCREEN]\r\nMain=profile_bg.jpg\r\nMask=profile_mask.bmp\r\n");
  test::SavePicture(dir / "Skins/profile_bg.jpg", Filled(QSize(40, 20), Qt::black));
  EXPECT_EQ(ProblemFile(dir), dir.path() / "Skins/profile_mask.bmp");
}

TEST(SkinPicturesTest, StatePicturesAndShapesMustHaveTheWindowsSize) {
  test::TempDir dir;
  WriteCompleteSkin(dir);
  test::SavePicture(dir / "Skins/main_over.jpg", Filled(QSize(41, 20), Qt::black));
  EXPECT_EQ(CheckPictures(dir.path()), (PictureProblem{dir.path() / "Skins/main_over.jpg",
                                                       "is 41x20, not the window's 40x20"}));

  WriteCompleteSkin(dir);
  dir.Write("Skins/Main.ini", "[SCREEN]\r\nMain=Main_bg.jpg\r\nMask=small_mask.bmp\r\n");
  test::SavePicture(dir / "Skins/small_mask.bmp", Filled(QSize(20, 10), Qt::black));
  EXPECT_EQ(ProblemFile(dir), dir.path() / "Skins/small_mask.bmp");

  // Pictures that are not of the whole window may have any size.
  WriteCompleteSkin(dir);
  test::SavePicture(dir / "Skins/Arrow.jpg", Filled(QSize(112, 28), Qt::black));
  EXPECT_EQ(CheckPictures(dir.path()), std::nullopt);
}

TEST(SkinPicturesTest, ASkinNamingNoBackgroundIsAProblemOfTheSkinFile) {
  test::TempDir dir;
  WriteCompleteSkin(dir);
  dir.Write("Skins/Composite.ini", "[SCREEN]\r\nMask=Composite_bg.jpg\r\n");
  EXPECT_EQ(CheckPictures(dir.path()),
            (PictureProblem{dir.path() / "Skins/Composite.ini", "names no background picture"}));
}

TEST(SkinPicturesTest, ADialogsSetIsDecodedWhileOpenAndForgottenAfter) {
  test::TempDir dir;
  WriteCompleteSkin(dir);
  SkinPictures pictures(dir.path(), 1.0);
  const DialogPictures& profile = RequiredPictures()[3];
  ASSERT_EQ(profile.dialog, u"profile manager");
  EXPECT_EQ(pictures.LoadDialog(profile), std::nullopt);
  EXPECT_EQ(pictures.Decoded(), 4u) << "three state pictures and the background, also its shape";
  const QPixmap kept = pictures.Picture("Skins/Profile_down.jpg");
  pictures.ForgetAll();
  EXPECT_EQ(pictures.Decoded(), 0u);
  EXPECT_FALSE(kept.isNull()) << "a widget's copy outlives the cache";

  dir.Write("Skins/Profile_over.jpg", "decodes to nothing");
  EXPECT_EQ(pictures.LoadDialog(profile), dir.path() / "Skins/Profile_over.jpg");
}

TEST(SkinPicturesTest, FaceSetsFollowEachDialogsRules) {
  test::TempDir dir;
  WriteCompleteSkin(dir);
  SkinPictures pictures(dir.path(), 1.0);
  auto same = [&](const QPixmap& face, const char* file) {
    return face.cacheKey() == pictures.Picture(file).cacheKey();
  };
  const ButtonPictures main = MainWindowFaces(pictures);
  EXPECT_TRUE(same(main.disabled, "Skins/main_normal.jpg")) << "a disabled key looks idle";
  EXPECT_TRUE(same(main.marked, "Skins/main_disable.jpg"));
  EXPECT_TRUE(same(main.hover, "Skins/main_over.jpg"));
  EXPECT_TRUE(same(EditorFaces(pictures, EditorPictureSet::Key).disabled, "Skins/key_normal.jpg"));
  EXPECT_TRUE(
      same(EditorFaces(pictures, EditorPictureSet::Macro).disabled, "Skins/macro_disable.jpg"));
  EXPECT_TRUE(
      same(EditorFaces(pictures, EditorPictureSet::MacroOnly).pressed, "Skins/macro2_down.jpg"));
  EXPECT_TRUE(same(ProfileManagerFaces(pictures).disabled, "Skins/Profile_down.jpg"));
}

TEST(SkinPicturesTest, HighDensitySiblingIsUsedOnlyOnDenseScreens) {
  EXPECT_EQ(HighDensitySibling("Skins/main_normal.jpg"), "Skins/main_normal@2x.jpg");
  test::TempDir dir;
  test::SavePicture(dir / "Skins/p.jpg", Filled(QSize(40, 20), Qt::red));
  test::SavePicture(dir / "Skins/p@2x.jpg", Filled(QSize(80, 40), Qt::blue));
  test::SavePicture(dir / "Skins/odd.jpg", Filled(QSize(40, 20), Qt::red));
  test::SavePicture(dir / "Skins/odd@2x.jpg", Filled(QSize(70, 40), Qt::blue));

  SkinPictures plain(dir.path(), 1.0);
  const QPixmap one = plain.Picture("Skins/p.jpg");
  EXPECT_EQ(one.devicePixelRatio(), 1.0);
  EXPECT_EQ(one.toImage().pixelColor(0, 0), QColor(Qt::red));

  SkinPictures dense(dir.path(), 2.0);
  const QPixmap two = dense.Picture("Skins/p.jpg");
  EXPECT_EQ(two.devicePixelRatio(), 2.0);
  EXPECT_EQ(two.deviceIndependentSize(), QSizeF(40, 20)) << "layout stays in logical pixels";
  EXPECT_EQ(two.toImage().pixelColor(0, 0), QColor(Qt::blue));
  EXPECT_EQ(dense.ShapeImage("Skins/p.jpg").size(), QSize(40, 20))
      << "shapes come from the 1x file";

  // Beside a sharp sibling only the header of the 1x picture is read: its
  // image data, spoilt here, is never decoded.
  QFile file(QString::fromStdString((dir / "Skins/p.jpg").string()));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QByteArray bytes = file.readAll();
  const qsizetype data = bytes.indexOf("IDAT");
  ASSERT_GT(data, 0);
  bytes.replace(data + 4, 8, QByteArray(8, '\xFF'));
  test::TempDir spoilt;
  test::SavePicture(spoilt / "Skins/p@2x.jpg", Filled(QSize(80, 40), Qt::blue));
  spoilt.Write("Skins/p.jpg", std::string_view(bytes.constData(), bytes.size()));
  EXPECT_TRUE(SkinPictures(spoilt.path(), 1.0).Picture("Skins/p.jpg").isNull());
  EXPECT_EQ(SkinPictures(spoilt.path(), 2.0).Picture("Skins/p.jpg").devicePixelRatio(), 2.0);

  const QPixmap odd = dense.Picture("Skins/odd.jpg");
  EXPECT_EQ(odd.devicePixelRatio(), 1.0) << "a sibling of the wrong size is not used";
  EXPECT_TRUE(dense.Picture("Skins/none.jpg").isNull());
}

TEST(SkinPicturesTest, ButtonFacesComeFromTheSharpPictureAtTwiceTheDensity) {
  test::TempDir dir;
  // 1x: one flat colour. 2x: one-pixel stripes, which only a 2x cut can show.
  test::SavePicture(dir / "Skins/face.jpg", Filled(QSize(60, 40), Qt::darkGreen));
  QImage sharp(120, 80, QImage::Format_RGB32);
  for (int y = 0; y < sharp.height(); ++y) {
    for (int x = 0; x < sharp.width(); ++x) {
      sharp.setPixelColor(x, y, x % 2 ? QColor(Qt::white) : QColor(Qt::black));
    }
  }
  QPainter(&sharp).fillRect(QRect(0, 0, 20, 80), Qt::red);  // left of the origin
  test::SavePicture(dir / "Skins/face@2x.jpg", sharp);

  SkinPictures pictures(dir.path(), 2.0);
  const QPixmap face = pictures.Picture("Skins/face.jpg");
  CPngButton button;
  button.setGeometry(10, 5, 20, 10);
  button.SetPictureOrigin(QPoint(10, 5));
  button.SetPictures({face, face, face, face, face});

  QImage target(40, 20, QImage::Format_RGB32);
  target.setDevicePixelRatio(2.0);
  target.fill(Qt::gray);
  button.render(&target);
  for (int x = 0; x < 40; ++x) {
    const QColor expected = x % 2 ? QColor(Qt::white) : QColor(Qt::black);
    ASSERT_EQ(target.pixelColor(x, 7), expected) << "device pixel " << x;
  }
}

}  // namespace
}  // namespace ombrex

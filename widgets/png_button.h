#pragma once

// An image button whose faces are cut from pictures of the whole dialog: each
// state picture shows every control in that state, so a button copies the
// rectangle of its own size at its picture origin from the picture of the
// state it is in.

#include <QAbstractButton>
#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <array>
#include <functional>
#include <optional>
#include <string_view>

namespace ombrex {

// The five state pictures of an image button. `marked` is the look of a key
// that carries an assignment.
struct ButtonPictures {
  QPixmap normal;
  QPixmap hover;
  QPixmap pressed;
  QPixmap disabled;
  QPixmap marked;
};

enum class ButtonFace { Disabled, Pressed, Hover, Marked, Normal };

struct ButtonFaceState {
  bool enabled = true;
  bool pressed = false;   // held down by the mouse or the keyboard
  bool selected = false;  // the shown tab, a toggle that is on
  bool hover = false;
  bool marked = false;
  bool dimmed = false;  // shows what the device cannot do, yet takes clicks
};

// The first that applies of disabled, pressed, hover, marked, normal. A
// selected button shows its pressed face.
ButtonFace SelectFace(const ButtonFaceState& state);

class CPngButton : public QAbstractButton {
  Q_OBJECT

 public:
  // Called after every paint with the button and whether it drew its normal
  // face. Buttons of a skin may overlap, so a window uses it to bring the
  // buttons that lie over this one back on top: call update() there, never
  // repaint(), which would recurse.
  using AfterDraw = std::function<void(CPngButton& button, bool drewNormalFace)>;

  explicit CPngButton(int controlId = 0, QWidget* parent = nullptr);

  int ControlId() const { return controlId_; }

  void SetPictures(const ButtonPictures& pictures);
  const ButtonPictures& Pictures() const { return pictures_; }
  // Keeps only this button's own rectangle of each state picture (at its
  // place and size now), packed three bytes to a pixel, so a window need not
  // hold its full-size state pictures once its buttons are placed. Faces that
  // were one picture stay one; a face that is `whole` (the window's own
  // background) is drawn from `wholeImage`, which the window holds anyway.
  // The state pictures are let go; SetPictures starts over.
  void CutOwnFaces(const QPixmap& whole = {}, const QImage& wholeImage = {});
  // The same one picture at a time, for a window that would rather not hold
  // all its state pictures at once: it places its buttons with small
  // stand-ins, then for each stand-in decodes the real picture, cuts it for
  // every button and lets it go. The faces that show `standIn` are cut from
  // `picture` (drawn from `wholeImage` instead when that is given); once every
  // face is cut the button is as CutOwnFaces leaves it.
  void CutFacesShowing(const QPixmap& standIn, const QPixmap& picture,
                       const QImage& wholeImage = {});
  // Where this button's faces start in the state pictures (logical pixels).
  void SetPictureOrigin(QPoint origin);
  QPoint PictureOrigin() const { return origin_; }

  void SetMarked(bool marked);
  bool IsMarked() const { return marked_; }
  // Drawn with the disabled face while it stays clickable.
  void SetDimmed(bool dimmed);
  bool IsDimmed() const { return dimmed_; }
  void SetSelected(bool selected);
  bool IsSelected() const { return selected_; }
  // While the button's dialog is open its normal and marked faces show the
  // hover picture.
  void SetHighlighted(bool highlighted);
  bool IsHighlighted() const { return highlighted_; }
  // Which face a disabled button shows: its disabled one unless told (an
  // indicator that is never clicked shows its state this way).
  void ShowDisabledAs(ButtonFace face);

  // While a frame colour is set the button draws a hollow 2-pixel rectangle in
  // that colour instead of its face, over the face it drew last.
  void SetFrameColour(std::optional<QColor> colour);
  std::optional<QColor> FrameColour() const { return frameColour_; }

  void SetTooltip(std::u16string_view text);
  void SetCaption(std::u16string_view text);
  void SetCaptionColour(QColor colour);
  // Where the caption sits (centred unless told otherwise) and how large.
  void SetCaptionPlacement(Qt::Alignment alignment, int pixelSize = 0);

  void SetAfterDraw(AfterDraw hook) { afterDraw_ = std::move(hook); }

  ButtonFaceState FaceState() const;
  // The face the next paint draws (ignoring a frame).
  ButtonFace CurrentFace() const { return SelectFace(FaceState()); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  ButtonFace ShownFace(ButtonFace face) const;
  const QPixmap& PictureOf(ButtonFace face) const;
  void DrawFace(QPainter& painter, ButtonFace face);
  void DrawFrame(QPainter& painter);
  void SetHover(bool hover);

  int controlId_;
  ButtonPictures pictures_;
  // After CutOwnFaces: each face by ButtonFace, and whether it holds only
  // this button's rectangle (else it is the window's whole picture).
  struct KeptFace {
    QImage image;
    bool cut = false;
  };
  std::array<KeptFace, 5> kept_{};
  std::array<bool, 5> faceCut_{};
  bool compact_ = false;
  QPoint origin_;
  bool marked_ = false;
  bool dimmed_ = false;
  bool selected_ = false;
  bool highlighted_ = false;
  ButtonFace disabledAs_ = ButtonFace::Disabled;
  bool hover_ = false;
  std::optional<QColor> frameColour_;
  // Faces are drawn over nothing: the frame lies on the face drawn last.
  std::optional<ButtonFace> lastFace_;
  QColor captionColour_{Qt::white};
  Qt::Alignment captionAlignment_ = Qt::AlignCenter;
  int captionPixelSize_ = 0;
  AfterDraw afterDraw_;
};

}  // namespace ombrex

#pragma once

// A link label: shows its text underlined and opens its address when clicked.
// The opener is replaceable so tests never start a browser.

#include <QLabel>
#include <functional>
#include <string>
#include <string_view>

namespace ombrex {

class CHyperLink : public QLabel {
  Q_OBJECT

 public:
  // Opens an address with the desktop's handler; false when that failed.
  using Opener = std::function<bool(const QString& address)>;

  explicit CHyperLink(QWidget* parent = nullptr);

  void SetAddress(std::u16string_view address);
  QString Address() const { return address_; }
  // The shown text; the address itself when empty.
  void SetCaption(std::u16string_view caption);
  void SetOpener(Opener opener) { opener_ = std::move(opener); }
  void SetColours(const QColor& link, const QColor& visited);
  bool Visited() const { return visited_; }

  // What a click does.
  bool Open();

 signals:
  void opened(const QString& address);

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Restyle();

  QString address_;
  QString caption_;
  Opener opener_;
  QColor linkColour_{0x4d, 0xa3, 0xff};
  QColor visitedColour_{0xb0, 0x7c, 0xff};
  bool visited_ = false;
};

}  // namespace ombrex

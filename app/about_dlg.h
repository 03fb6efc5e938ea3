#pragma once

// The about box: the program's icon, its version, a notice, OK, and a link to
// the same address as the main window's Link button. Modeless; the main
// window keeps at most one and lets it go when it is closed. Its texts come
// with the language message, which the main window relays.

#include <QBoxLayout>
#include <QDialog>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <functional>
#include <string>

#include "widgets/hyperlink.h"

namespace ombrex {

class Texts;

class CAboutDlg final : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kVersionId = 1206;
  static constexpr int kNoticeId = 1205;
  static constexpr int kLinkId = 1124;

  // `opener` opens the link's address; `help` is what F1 does.
  CAboutDlg(const Texts& texts, const QIcon& icon, std::u16string_view address,
            std::function<bool(const QString&)> opener, std::function<void()> help);

  // The language message ('PA').
  void ApplyLanguage(int languageIndex);

  QLabel& Version() { return version_; }
  QLabel& Notice() { return notice_; }
  QPushButton& Ok() { return ok_; }
  CHyperLink& Link() { return link_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  const Texts& texts_;
  std::function<void()> help_;
  // Children as members, laid out by the layouts below them.
  QLabel picture_;
  QLabel version_;
  QLabel notice_;
  CHyperLink link_;
  QPushButton ok_;
  QVBoxLayout layout_;
  QHBoxLayout top_;
  QVBoxLayout textColumn_;
  QHBoxLayout buttons_;
};

}  // namespace ombrex

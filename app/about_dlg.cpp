#include "app/about_dlg.h"

#include <QKeyEvent>

#include "resources/texts.h"
#include "widgets/qt_text.h"
#include "widgets/skin_style.h"

namespace ombrex {

CAboutDlg::CAboutDlg(const Texts& texts, const QIcon& icon, std::u16string_view address,
                     std::function<bool(const QString&)> opener, std::function<void()> help)
    : texts_(texts), help_(std::move(help)), layout_(this) {
  setWindowIcon(icon);
  picture_.setPixmap(icon.pixmap(QSize(48, 48)));
  picture_.setAlignment(Qt::AlignTop);
  version_.setObjectName(QStringLiteral("version"));
  notice_.setObjectName(QStringLiteral("notice"));
  notice_.setWordWrap(true);
  link_.SetAddress(address);
  link_.SetOpener(std::move(opener));
  connect(&ok_, &QPushButton::clicked, this, &QDialog::accept);
  ok_.setDefault(true);

  textColumn_.addWidget(&version_);
  textColumn_.addWidget(&notice_);
  textColumn_.addWidget(&link_);
  top_.addWidget(&picture_);
  top_.addLayout(&textColumn_, 1);
  buttons_.addStretch(1);
  buttons_.addWidget(&ok_);
  layout_.addLayout(&top_);
  layout_.addLayout(&buttons_);
  ApplySkinStyle(*this);
  setMinimumWidth(380);
}

void CAboutDlg::ApplyLanguage(int languageIndex) {
  setWindowTitle(ToQString(texts_.LookupText(u"IDS_ABOUT_TITLE", languageIndex)));
  version_.setText(ToQString(texts_.LookupText(u"IDS_ABOUT_VERSION", languageIndex)));
  notice_.setText(ToQString(texts_.LookupText(u"IDS_ABOUT_COPYRIGHT", languageIndex)));
  ok_.setText(ToQString(texts_.LookupText(u"IDS_ABOUT_OK", languageIndex)));
}

void CAboutDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1 && help_) {
    help_();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace ombrex

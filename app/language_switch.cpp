#include "app/language_switch.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

#include "resources/texts.h"
#include "widgets/text_menu.h"

namespace ombrex {

void AddLanguageMenu(BCMenu& menu, const Texts& texts) {
  BCMenu& languages = menu.AddSubmenu(u"IDS_MENU_LANGUAGE");
  // Each language by its own name: a user who cannot read the current one
  // still finds theirs.
  languages.AddChoice(command::kLanguageEnglish, u"English",
                      [&texts] { return texts.LanguageIsEnglish(); });
  languages.AddChoice(command::kLanguageChinese, u"\u4E2D\u6587",
                      [&texts] { return !texts.LanguageIsEnglish(); });
}

std::optional<UiLanguage> LanguageOfCommand(int commandId) {
  if (commandId == command::kLanguageEnglish) return UiLanguage::English;
  if (commandId == command::kLanguageChinese) return UiLanguage::Chinese;
  return std::nullopt;
}

void FollowInQt(int languageIndex) {
  QCoreApplication* application = QCoreApplication::instance();
  if (application == nullptr) return;
  // One translator for the whole program, owned by the application object.
  static QPointer<QTranslator> installed;
  static int installedIndex = -1;
  const int index = languageIndex == 1 ? 1 : 0;
  if (installed && installedIndex == index) return;
  if (installed) {
    QCoreApplication::removeTranslator(installed);
    delete installed;
  }
  installedIndex = index;
  if (index == 1) return;
  auto* translator = new QTranslator(application);
  if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    // Without the translations package Qt's texts stay English.
    delete translator;
    return;
  }
  QCoreApplication::installTranslator(translator);
  installed = translator;
}

std::filesystem::path HelpPage(const std::filesystem::path& helpFolder, int languageIndex) {
  return helpFolder / (languageIndex == 1 ? "index.html" : "zh.html");
}

}  // namespace ombrex

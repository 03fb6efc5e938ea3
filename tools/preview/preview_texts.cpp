#include "tools/preview/preview_texts.h"

#include "platform/ini.h"
#include "platform/text.h"
#include "resources/skin_file.h"
#include "resources/texts.h"
#include "widgets/qt_text.h"

namespace ombrex::preview {

PreviewTexts::PreviewTexts(std::filesystem::path programFolder, int languageIndex)
    : programFolder_(std::move(programFolder)),
      languageIndex_(languageIndex),
      file_(programFolder_ /
            std::filesystem::path(FormatWithInt(u"Lang%04X.ini", LanguageIdAt(languageIndex)))) {}

QString PreviewTexts::Text(std::u16string_view key) const {
  return ToQString(ini::ReadString(file_, u"TEXT", key, kMissingText));
}

QString PreviewTexts::ModeName(int mode) const {
  return ToQString(ini::ReadString(file_, u"Mode", DecimalText(mode), u"1"));
}

QString PreviewTexts::KeyName(KeyCode code) const {
  const KeyRecord* record = RecordFromCode(code);
  if (record == nullptr || record->textKey.empty()) return QStringLiteral("?");
  return Text(record->textKey);
}

QString PreviewTexts::SkinCaption(std::u16string_view key) const {
  const SkinFile skin(programFolder_ / "Skins" / "Main.ini");
  return ToQString(skin.ControlName(key, languageIndex_));
}

}  // namespace ombrex::preview

#include "tests/support/core/small_texts.h"

#include <string>

namespace ombrex::test {

SmallTexts::SmallTexts(std::string_view textLines) {
  dir_.Write("Lang0409.ini", "[TEXT]\n" + std::string(textLines));
  dir_.Write("Skins/language.ini", "[LANGUAGE]\nlanguage=1\n");
  store_ = OpenSettingsIn(dir_.path() / "config");
  texts_ = std::make_unique<Texts>(dir_.path(), *store_, 0x0409);
}

}  // namespace ombrex::test

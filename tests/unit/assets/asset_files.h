#pragma once

// Where the built program folder and the source tree are, and how the tests
// read the files the build put there.

#include <QImage>
#include <QRectF>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tools/assetkit/ini_text.h"

namespace ombrex::test {

std::filesystem::path ProgramDir();  // $OMBREX_PROGRAM_DIR
std::filesystem::path SourceDir();   // $OMBREX_SOURCE_DIR

// A built ini file: must exist, be UTF-16LE with BOM and parse without
// problems (each failure is reported to the running test).
assetkit::IniText LoadBuiltIni(const std::filesystem::path& file);

// Keys of a section, in file order.
std::vector<std::u16string> KeysOf(const assetkit::IniText& ini, std::u16string_view section);

std::string Narrow(std::u16string_view text);

// Every string literal of the source tree whose whole content is a text key
// ("IDS_..."), from the program's own folders (not tests, benchmarks or build output).
std::set<std::u16string> TextKeysInSource();

// Built picture, 1x or its "@2x" sibling.
QImage LoadPicture(std::string_view name, int scale = 1);

}  // namespace ombrex::test

#include "model/user_mode_files.h"

#include <algorithm>
#include <array>
#include <system_error>
#include <vector>

#include "model/binary_file.h"
#include "platform/ini.h"
#include "platform/text.h"

namespace ombrex {
namespace {

constexpr std::u16string_view kPresentSection = u"PRESENTMODE";
constexpr std::u16string_view kPresentKey = u"mode";
constexpr std::u16string_view kNameSection = u"MODENAME";
constexpr std::u16string_view kToolKey = u"tool";
constexpr std::u16string_view kBaseColourKey = u"jcolor";
constexpr std::u16string_view kUserColourKey = u"color";
constexpr std::u16string_view kKeyColourDefault = u"255,0,0,1";

std::u16string ModeSection(int mode) {
  return u"Mode" + DecimalText(mode);
}

std::filesystem::path FileIn(const std::filesystem::path& folder, ProfileNumber profile) {
  return folder / ("UserDengColor_" + std::to_string(profile.Index()) + ".userd");
}

// Reads up to `count` comma-separated decimal numbers as "%d,%d,..." would;
// returns how many were read.
std::size_t ReadNumbers(std::u16string_view text, long long* out, std::size_t count) {
  std::size_t at = 0;
  for (std::size_t n = 0; n < count; ++n) {
    if (n > 0) {
      if (at >= text.size() || text[at] != u',') return n;
      ++at;
    }
    while (at < text.size() && (text[at] == u' ' || text[at] == u'\t')) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == u'-' || text[at] == u'+')) negative = text[at++] == u'-';
    if (at >= text.size() || text[at] < u'0' || text[at] > u'9') return n;
    long long value = 0;
    for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at) {
      value = std::min<long long>(value * 10 + (text[at] - u'0'), 1'000'000);
    }
    out[n] = negative ? -value : value;
  }
  return count;
}

std::uint8_t Component(long long value) {
  return static_cast<std::uint8_t>(std::clamp<long long>(value, 0, 255));
}

// Written through the ini files' own replace, so that a copy with the same size
// and time stamp as the file it replaces is still seen at once.
bool CopyFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  const auto size = RegularFileSize(from);
  if (!size) return false;
  const auto bytes = ReadFilePrefix(from, *size);
  return bytes &&
         ini::ReplaceFile(
             to, std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

}  // namespace

Rgb ParseRgb(std::u16string_view text, Rgb fallback) {
  std::array<long long, 3> n{fallback.red, fallback.green, fallback.blue};
  ReadNumbers(text, n.data(), n.size());
  return {Component(n[0]), Component(n[1]), Component(n[2])};
}

UserKeyColour ParseKeyColour(std::u16string_view text) {
  std::array<long long, 4> n{255, 0, 0, 1};
  ReadNumbers(text, n.data(), n.size());
  return {{Component(n[0]), Component(n[1]), Component(n[2])}, n[3] != 0};
}

std::u16string RgbText(Rgb colour) {
  return DecimalText(colour.red) + u"," + DecimalText(colour.green) + u"," +
         DecimalText(colour.blue);
}

std::u16string KeyColourText(const UserKeyColour& colour) {
  return RgbText(colour.colour) + u"," + (colour.follows ? u"1" : u"0");
}

UserModeFiles::UserModeFiles(const std::filesystem::path& userDataFolder,
                             const std::filesystem::path& programFolder)
    : userFolder_(userDataFolder / "Skins"), programFolder_(programFolder / "Skins") {}

std::filesystem::path UserModeFiles::UserFile(ProfileNumber profile) const {
  return FileIn(userFolder_, profile);
}

std::filesystem::path UserModeFiles::ProgramFile(ProfileNumber profile) const {
  return FileIn(programFolder_, profile);
}

std::filesystem::path UserModeFiles::ReadFile(ProfileNumber profile) const {
  std::error_code error;
  return std::filesystem::exists(UserFile(profile), error) ? UserFile(profile)
                                                           : ProgramFile(profile);
}

int UserModeFiles::CurrentUserMode(ProfileNumber profile) const {
  const int mode = ini::ReadInt(ReadFile(profile), kPresentSection, kPresentKey, 0);
  return mode >= 0 && mode < 10 ? mode : 0;
}

std::u16string UserModeFiles::UserModeName(ProfileNumber profile, int mode) const {
  return ini::ReadString(ReadFile(profile), kNameSection, DecimalText(mode), u"0");
}

UserModeTools UserModeFiles::Tools(ProfileNumber profile, int mode) const {
  const std::filesystem::path file = ReadFile(profile);
  const std::u16string section = ModeSection(mode);
  UserModeTools tools;
  tools.tool = ini::ReadInt(file, section, kToolKey, 0);
  tools.baseColour = ParseRgb(ini::ReadString(file, section, kBaseColourKey, u"0,0,0"), {});
  tools.userColour = ParseRgb(ini::ReadString(file, section, kUserColourKey, u"0,0,0"), {});
  return tools;
}

UserKeyColour UserModeFiles::KeyColour(ProfileNumber profile, int mode, int led) const {
  return ParseKeyColour(
      ini::ReadString(ReadFile(profile), ModeSection(mode), DecimalText(led), kKeyColourDefault));
}

bool UserModeFiles::SaveCurrentUserMode(ProfileNumber profile, int mode) {
  return Write(profile, kPresentSection, kPresentKey, DecimalText(mode));
}

bool UserModeFiles::SaveUserModeName(ProfileNumber profile, int mode, std::u16string_view name) {
  return Write(profile, kNameSection, DecimalText(mode), name);
}

bool UserModeFiles::SaveTools(ProfileNumber profile, int mode, const UserModeTools& tools) {
  const std::u16string section = ModeSection(mode);
  // All three are written even when one fails, so that a later success is not
  // skipped; the result says whether all arrived.
  const bool tool = Write(profile, section, kToolKey, DecimalText(tools.tool));
  const bool base = Write(profile, section, kBaseColourKey, RgbText(tools.baseColour));
  const bool user = Write(profile, section, kUserColourKey, RgbText(tools.userColour));
  return tool && base && user;
}

bool UserModeFiles::SaveKeyColour(ProfileNumber profile, int mode, int led,
                                  const UserKeyColour& colour) {
  return Write(profile, ModeSection(mode), DecimalText(led), KeyColourText(colour));
}

bool UserModeFiles::SaveKeyColours(ProfileNumber profile, int mode,
                                   std::span<const LedKeyColour> keys) {
  if (keys.empty()) return true;
  if (!EnsureUserCopy(profile)) return false;
  std::vector<std::u16string> texts;
  texts.reserve(2 * keys.size());
  for (const LedKeyColour& key : keys) {
    texts.push_back(DecimalText(key.led));
    texts.push_back(KeyColourText(key.colour));
  }
  std::vector<ini::KeyValue> values;
  values.reserve(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) values.push_back({texts[2 * i], texts[2 * i + 1]});
  return ini::WriteStrings(UserFile(profile), ModeSection(mode), values);
}

bool UserModeFiles::CopyProfile(ProfileNumber from, ProfileNumber to) {
  if (from == to) return true;
  const std::filesystem::path source = ReadFile(from);
  const auto size = RegularFileSize(source);
  std::error_code error;
  std::filesystem::create_directories(userFolder_, error);
  if (!size) {
    // No source at all: the target reads as the defaults too.
    std::filesystem::remove(UserFile(to), error);
    return !std::filesystem::exists(UserFile(to), error);
  }
  return CopyFile(source, UserFile(to));
}

bool UserModeFiles::Write(ProfileNumber profile, std::u16string_view section,
                          std::u16string_view key, std::u16string_view value) {
  if (!EnsureUserCopy(profile)) return false;
  return ini::WriteString(UserFile(profile), section, key, value);
}

bool UserModeFiles::EnsureUserCopy(ProfileNumber profile) {
  std::error_code error;
  if (std::filesystem::exists(UserFile(profile), error)) return true;
  std::filesystem::create_directories(userFolder_, error);
  const auto size = RegularFileSize(ProgramFile(profile));
  if (!size) return std::filesystem::is_directory(userFolder_, error);
  return CopyFile(ProgramFile(profile), UserFile(profile));
}

}  // namespace ombrex

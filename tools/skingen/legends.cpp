#include "tools/skingen/legends.h"

#include <QRegularExpression>
#include <array>
#include <cstdint>

namespace ombrex::skingen {
namespace {

struct Print {
  std::uint16_t slot;
  const char* main;
  const char* top;
  const char* sub;
};

// Legends follow a US layout, keypad keys show their navigation meaning
// below the digit.
constexpr std::array<Print, 104> kPrints{{
    {0x001, "Esc", "", ""},     {0x03B, "F1", "", ""},      {0x03C, "F2", "", ""},
    {0x03D, "F3", "", ""},      {0x03E, "F4", "", ""},      {0x03F, "F5", "", ""},
    {0x040, "F6", "", ""},      {0x041, "F7", "", ""},      {0x042, "F8", "", ""},
    {0x043, "F9", "", ""},      {0x044, "F10", "", ""},     {0x057, "F11", "", ""},
    {0x058, "F12", "", ""},     {0x0B7, "PrtSc", "", ""},   {0x046, "ScrLk", "", ""},
    {0x045, "Pause", "", ""},   {0x029, "`", "~", ""},      {0x002, "1", "!", ""},
    {0x003, "2", "@", ""},      {0x004, "3", "#", ""},      {0x005, "4", "$", ""},
    {0x006, "5", "%", ""},      {0x007, "6", "^", ""},      {0x008, "7", "&", ""},
    {0x009, "8", "*", ""},      {0x00A, "9", "(", ""},      {0x00B, "0", ")", ""},
    {0x00C, "-", "_", ""},      {0x00D, "=", "+", ""},      {0x00E, "Backspace", "", ""},
    {0x00F, "Tab", "", ""},     {0x010, "Q", "", ""},       {0x011, "W", "", ""},
    {0x012, "E", "", ""},       {0x013, "R", "", ""},       {0x014, "T", "", ""},
    {0x015, "Y", "", ""},       {0x016, "U", "", ""},       {0x017, "I", "", ""},
    {0x018, "O", "", ""},       {0x019, "P", "", ""},       {0x01A, "[", "{", ""},
    {0x01B, "]", "}", ""},      {0x02B, "\\", "|", ""},     {0x03A, "Caps Lock", "", ""},
    {0x01E, "A", "", ""},       {0x01F, "S", "", ""},       {0x020, "D", "", ""},
    {0x021, "F", "", ""},       {0x022, "G", "", ""},       {0x023, "H", "", ""},
    {0x024, "J", "", ""},       {0x025, "K", "", ""},       {0x026, "L", "", ""},
    {0x027, ";", ":", ""},      {0x028, "'", "\"", ""},     {0x01C, "Enter", "", ""},
    {0x02A, "Shift", "", ""},   {0x02C, "Z", "", ""},       {0x02D, "X", "", ""},
    {0x02E, "C", "", ""},       {0x02F, "V", "", ""},       {0x030, "B", "", ""},
    {0x031, "N", "", ""},       {0x032, "M", "", ""},       {0x033, ",", "<", ""},
    {0x034, ".", ">", ""},      {0x035, "/", "?", ""},      {0x036, "Shift", "", ""},
    {0x01D, "Ctrl", "", ""},    {0x0DB, "Win", "", ""},     {0x038, "Alt", "", ""},
    {0x039, "", "", ""},        {0x0B8, "Alt", "", ""},     {0x0DC, "Win", "", ""},
    {0x0DD, "Menu", "", ""},    {0x09D, "Ctrl", "", ""},    {0x0D2, "Ins", "", ""},
    {0x0C7, "Home", "", ""},    {0x0C9, "PgUp", "", ""},    {0x0D3, "Del", "", ""},
    {0x0CF, "End", "", ""},     {0x0D1, "PgDn", "", ""},    {0x0C8, "\u2191", "", ""},
    {0x0CB, "\u2190", "", ""},  {0x0D0, "\u2193", "", ""},  {0x0CD, "\u2192", "", ""},
    {0x0C5, "Num", "", ""},     {0x0B5, "/", "", ""},       {0x037, "*", "", ""},
    {0x04A, "\u2212", "", ""},  {0x047, "7", "", "Home"},   {0x048, "8", "", "\u2191"},
    {0x049, "9", "", "PgUp"},   {0x04E, "+", "", ""},       {0x04B, "4", "", "\u2190"},
    {0x04C, "5", "", ""},       {0x04D, "6", "", "\u2192"}, {0x04F, "1", "", "End"},
    {0x050, "2", "", "\u2193"}, {0x051, "3", "", "PgDn"},   {0x09C, "Enter", "", ""},
    {0x052, "0", "", "Ins"},    {0x053, ".", "", "Del"},
}};

}  // namespace

std::optional<Legend> LegendFor(const QString& skinKey) {
  if (skinKey == "KEY_FN") return Legend{"Fn", "", "", false};
  static const QRegularExpression numbered("^FUNC_([GD])([1-9])$");
  if (const auto m = numbered.match(skinKey); m.hasMatch()) {
    return Legend{m.captured(1) + m.captured(2), "", "", m.captured(1) == "G"};
  }
  if (!skinKey.startsWith("KEY_")) return std::nullopt;
  bool ok = false;
  const int slot = skinKey.mid(4).toInt(&ok, 16);
  if (!ok) return std::nullopt;
  for (const Print& print : kPrints) {
    if (print.slot == slot) {
      return Legend{QString::fromUtf8(print.main), QString::fromUtf8(print.top),
                    QString::fromUtf8(print.sub), false};
    }
  }
  return std::nullopt;
}

}  // namespace ombrex::skingen

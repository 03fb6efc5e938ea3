// What `dump` lets reach a terminal: texts from a file are the file's
// author's, not ours, and must not be able to steer the terminal or pass for
// output of the tool.

#include <gtest/gtest.h>

#include "model/profile_image.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ombrexctl/ctl_run.h"
#include "tools/ombrexctl/key_words.h"

namespace ombrex::ctl {
namespace {

TEST(PrintableText, EscapesWhatATerminalActsOnAndKeepsEveryOtherCharacter) {
  const std::vector<std::pair<std::u16string, std::string>> cases{
      {u"Combo 1", "Combo 1"},
      {u"\x1b]0;owned\x07", "\\u001b]0;owned\\u0007"},  // retitles the terminal
      {u"\x1b[2J", "\\u001b[2J"},                       // clears it
      {u"one\ntwo\r\tthree", "one\\ntwo\\r\\tthree"},
      {u"\x7f\x9b"
       u"31m",
       "\\u007f\\u009b31m"},                 // DEL, and CSI of 8-bit terminals
      {u"abc\u202edcba", "abc\\u202edcba"},  // shows what follows reversed
      {u"C:\\path \"quoted\"", "C:\\\\path \\\"quoted\\\""},
      {u"宏 \U0001F600", "宏 \U0001F600"},  // outside ASCII, pairs included
      {u"lone \xD800 half", "lone \uFFFD half"},
  };
  for (const auto& [text, shown] : cases) {
    EXPECT_EQ(PrintableText(text), shown) << shown;
  }
}

// A file whose every text tries something: a macro name that retitles the
// terminal and a program path that fakes a line of assignments.
std::vector<std::uint8_t> HostileImage() {
  ProfileImage image;
  image.ResetToDefault();
  MacroRecord macro;
  macro.id = 1;
  macro.cycles = 1;
  macro.SetName(u"\x1b]0;owned\x07\x1b[2J");
  image.ReplaceMacros({macro});
  image.SetEntry(image::EntryIndex(0, 30), {static_cast<std::uint16_t>(AssignKind::Macro), 1, 1});
  const std::size_t launch = image::EntryIndex(0, 31);
  image.SetEntry(launch, {static_cast<std::uint16_t>(AssignKind::LaunchProgram)});
  image.SetText(launch, u"/bin/true\"\n  Esc: key F1\r\n\u009b2J");
  return image.Serialize();
}

TEST(Dump, TextsFromTheFileCannotSteerTheTerminalOrFakeLines) {
  ombrex::test::TempDir dir;
  const auto file = dir.Write("hostile.fwc", HostileImage());
  const test::CtlRun plain = test::Ctl({"dump", file.string()});
  ASSERT_EQ(plain.exitCode, 0) << plain.err;
  for (const char c : plain.out) {
    const auto byte = static_cast<unsigned char>(c);
    EXPECT_TRUE(byte >= 0x20 || byte == '\n') << "control byte " << int(byte);
  }
  EXPECT_EQ(plain.out.find("\xC2\x9B"), std::string::npos);  // U+009B in UTF-8
  EXPECT_EQ(plain.out,
            "assignments: 2, macros: 1, text bytes: 60\n"
            "profile 1:\n"
            "  A: macro 1 \"\\u001b]0;owned\\u0007\\u001b[2J\"\n"
            "  S: program \"/bin/true\\\"\\n  Esc: key F1\\r\\n\\u009b2J\"\n"
            "macro 1 \"\\u001b]0;owned\\u0007\\u001b[2J\": 0 actions, cycles 1\n");

  const test::CtlRun json = test::Ctl({"dump", file.string(), "--json"});
  ASSERT_EQ(json.exitCode, 0) << json.err;
  EXPECT_NE(json.out.find(R"("name":"\u001b]0;owned\u0007\u001b[2J")"), std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find(R"("text":"/bin/true\"\n  Esc: key F1\r\n\u009b2J")"), std::string::npos)
      << json.out;
}

}  // namespace
}  // namespace ombrex::ctl

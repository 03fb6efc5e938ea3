// The user guide opens from the program folder with every link and picture
// it refers to in place.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>

#include "tests/unit/assets/asset_files.h"

namespace ombrex {
namespace {

std::string ReadText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Captures(const std::string& text, const std::regex& pattern) {
  std::vector<std::string> found;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
       it != std::sregex_iterator(); ++it) {
    found.push_back((*it)[1].str());
  }
  return found;
}

TEST(HelpPages, EveryLinkAndPictureResolvesInTheProgramFolder) {
  const auto help = test::ProgramDir() / "Help";
  for (const char* page : {"index.html", "zh.html"}) {
    const std::string html = ReadText(help / page);
    ASSERT_FALSE(html.empty()) << page;
    const auto ids = Captures(html, std::regex(R"re(\bid="([^"]+)")re"));
    const std::set<std::string> anchors(ids.begin(), ids.end());
    int local = 0;
    for (const auto& target : Captures(html, std::regex(R"re(\b(?:href|src)="([^"]+)")re"))) {
      if (target.starts_with("http")) continue;
      ++local;
      if (target.starts_with("#")) {
        EXPECT_EQ(anchors.count(target.substr(1)), 1u) << page << " links to " << target;
      } else {
        EXPECT_TRUE(std::filesystem::exists(help / target)) << page << " refers to " << target;
      }
    }
    EXPECT_GT(local, 10) << page;
  }
}

TEST(HelpPages, BothLanguagesCoverTheSameSections) {
  const auto help = test::ProgramDir() / "Help";
  const std::regex sections(R"re(<h2 id="([^"]+)")re");
  EXPECT_EQ(Captures(ReadText(help / "index.html"), sections),
            Captures(ReadText(help / "zh.html"), sections));
}

}  // namespace
}  // namespace ombrex

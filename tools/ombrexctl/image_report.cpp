#include "tools/ombrexctl/image_report.h"

#include <cstdio>
#include <system_error>

#include "platform/file_io.h"
#include "platform/text.h"
#include "tools/ombrexctl/key_words.h"

namespace ombrex::ctl {

namespace {

constexpr unsigned kSlotsShown = 274;  // keys, then the G keys of both banks
constexpr std::uint64_t kLargestFile = 0xFFFFFFFFull;

struct Assignment {
  ProfileNumber profile;
  unsigned slot;
  KeyEntry entry;
  std::u16string text;
};

std::vector<Assignment> Assignments(const ProfileImage& image) {
  std::vector<Assignment> found;
  for (const ProfileNumber p : ProfileNumber::All()) {
    for (unsigned slot = 0; slot < kSlotsShown; ++slot) {
      const std::size_t index = image::EntryIndex(p.Index(), slot);
      const KeyEntry entry = image.Entry(index);
      if (entry.kind == 0) continue;
      found.push_back({p, slot, entry, std::u16string(image.Text(index))});
    }
  }
  return found;
}

std::string ActionWords(const MacroAction& action) {
  return std::string(action.IsRelease() ? "release " : "press ") + KeyCodeName(action.key) +
         ", wait " + std::to_string(action.delay) + " ms";
}

}  // namespace

std::string ReasonOf(ImageCheck check) {
  switch (check) {
    case ImageCheck::Valid:
      return {};
    case ImageCheck::TooShort:
      return "shorter than the 32832 bytes of a profile image";
    case ImageCheck::BadHeader:
      return "not a profile image: a header field or the header checksum is wrong";
    case ImageCheck::Truncated:
      return "shorter than its header says: the file is cut off";
    case ImageCheck::BadText:
      return "a text of an assignment lies outside the file's text area or has no end";
  }
  return "not a profile image";
}

FileCheck CheckProfileFile(const std::filesystem::path& file) {
  FileCheck result;
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) {
    result.reason = "no such file";
    return result;
  }
  const std::uintmax_t size = std::filesystem::file_size(file, error);
  if (error || size >= kLargestFile) {
    result.reason = error ? "cannot be read" : "larger than any profile image";
    return result;
  }
  const std::optional<std::string> bytes = ReadWholeFile(file);
  if (!bytes) {
    result.reason = "cannot be read";
    return result;
  }
  result.bytes.assign(bytes->begin(), bytes->end());
  result.reason = ReasonOf(CheckImageBytes(result.bytes));
  result.valid = result.reason.empty();
  return result;
}

void WriteReport(const ProfileImage& image, std::ostream& out) {
  const std::vector<Assignment> assignments = Assignments(image);
  const auto& macros = image.Macros();
  out << "assignments: " << assignments.size() << ", macros: " << macros.size()
      << ", text bytes: " << image.TextTotal() << "\n";
  std::optional<ProfileNumber> shownProfile;
  for (const Assignment& a : assignments) {
    if (a.profile != shownProfile) {
      shownProfile = a.profile;
      out << "profile " << a.profile.Index() + 1 << ":\n";
    }
    out << "  " << SlotName(a.slot) << ": " << DescribeEntry(a.entry, a.text, macros);
    if (a.entry.Is(AssignKind::Macro) && a.entry.aux > 1) out << " x" << a.entry.aux;
    out << "\n";
  }
  for (const MacroRecord& macro : macros) {
    out << "macro " << macro.id << " \"" << Utf8FromUtf16(macro.Name())
        << "\": " << macro.Actions().size() << " actions, cycles " << int(macro.cycles) << "\n";
    for (const MacroAction& action : macro.Actions()) out << "  " << ActionWords(action) << "\n";
  }
}

std::string JsonString(std::string_view utf8) {
  std::string json = "\"";
  for (char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      json += escaped;
    } else {
      json += c;
    }
  }
  return json + "\"";
}

void WriteJsonReport(const ProfileImage& image, std::ostream& out) {
  const auto& macros = image.Macros();
  out << "{\"assignments\":[";
  bool first = true;
  for (const Assignment& a : Assignments(image)) {
    out << (first ? "" : ",") << "{\"profile\":" << a.profile.Index() + 1 << ",\"slot\":" << a.slot
        << ",\"key\":" << JsonString(SlotName(a.slot))
        << ",\"kind\":" << JsonString(KindName(a.entry.kind)) << ",\"value\":" << a.entry.value
        << ",\"aux\":" << a.entry.aux
        << ",\"does\":" << JsonString(DescribeEntry(a.entry, a.text, macros));
    if (a.entry.HasText()) out << ",\"text\":" << JsonString(Utf8FromUtf16(a.text));
    out << "}";
    first = false;
  }
  out << "],\"macros\":[";
  first = true;
  for (const MacroRecord& macro : macros) {
    out << (first ? "" : ",") << "{\"id\":" << macro.id
        << ",\"name\":" << JsonString(Utf8FromUtf16(macro.Name()))
        << ",\"cycles\":" << int(macro.cycles) << ",\"actions\":[";
    bool firstAction = true;
    for (const MacroAction& action : macro.Actions()) {
      out << (firstAction ? "" : ",") << "{\"key\":" << JsonString(KeyCodeName(action.key))
          << ",\"code\":" << action.key
          << ",\"release\":" << (action.IsRelease() ? "true" : "false")
          << ",\"delay\":" << action.delay << "}";
      firstAction = false;
    }
    out << "]}";
    first = false;
  }
  out << "],\"textBytes\":" << image.TextTotal() << "}\n";
}

}  // namespace ombrex::ctl

#include "tools/ombrexctl/image_report.h"

#include "model/image_file.h"
#include "platform/text.h"
#include "tools/ombrexctl/key_words.h"

namespace ombrex::ctl {

namespace {

constexpr unsigned kSlotsShown = 274;  // keys, then the G keys of both banks

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
    case ImageCheck::TooLarge:
      return "its header claims more macros or a larger text area than any profile image has";
    case ImageCheck::BadText:
      return "a text of an assignment lies outside the file's text area, has no end, or shares "
             "its bytes with another";
  }
  return "not a profile image";
}

FileCheck CheckProfileFile(const std::filesystem::path& file) {
  ImageFileRead read = ReadImageFile(file);
  FileCheck result;
  switch (read.verdict) {
    case ImageFileVerdict::kValid:
      result.valid = true;
      result.bytes = std::move(read.bytes);
      break;
    case ImageFileVerdict::kMissing:
      result.reason = "no such file";
      break;
    case ImageFileVerdict::kCannotOpen:
      result.reason = "cannot be read";
      break;
    case ImageFileVerdict::kTooLarge:
      result.reason = read.check == ImageCheck::TooLarge
                          ? ReasonOf(read.check)
                          : "larger than any profile image (4 GiB or more)";
      break;
    case ImageFileVerdict::kInvalid:
      result.reason = ReasonOf(read.check);
      break;
    case ImageFileVerdict::kOutOfMemory:
      result.reason = "not enough memory to read the size its header claims";
      break;
  }
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
    out << "macro " << macro.id << " \"" << PrintableText(macro.Name())
        << "\": " << macro.Actions().size() << " actions, cycles " << int(macro.cycles) << "\n";
    for (const MacroAction& action : macro.Actions()) out << "  " << ActionWords(action) << "\n";
  }
}

std::string JsonString(std::string_view utf8) {
  // The escapes a terminal needs are JSON's own, so both outputs share them;
  // bytes that are no UTF-8 would make the document invalid and become U+FFFD.
  return "\"" + PrintableText(Utf16FromUtf8(utf8)) + "\"";
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

#include "tools/ombrexctl/ctl_commands.h"

#include <charconv>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "device/results.h"
#include "device/transactor.h"
#include "model/keyboard_sync.h"
#include "model/lighting.h"
#include "model/user_mode_files.h"
#include "model/workspace.h"
#include "ombrex_version.h"
#include "platform/command_line.h"
#include "platform/paths.h"
#include "platform/prompter.h"
#include "platform/settings_store.h"
#include "platform/text.h"
#include "resources/texts.h"
#include "tools/ombrexctl/ctl_doctor.h"
#include "tools/ombrexctl/image_report.h"
#include "tools/ombrexctl/key_words.h"
#include "tools/ombrexctl/keyboard_session.h"

namespace ombrex::ctl {

namespace {

// The command line split into words and the flags found anywhere in it.
struct Command {
  std::vector<std::string> words;
  bool all = false;
  bool json = false;
  std::optional<std::string> profile;
  Listening listening;
  // How long to wait for another program of ours to let the keyboard go.
  std::chrono::milliseconds wait = LinkTiming{}.keyboardPatience;
};

struct UsageError {
  std::string message;
};

// Messages of the core go to the error stream; questions are answered No.
class StreamPrompter : public Prompter {
 public:
  explicit StreamPrompter(std::ostream& err) : err_(err) {}
  void ShowMessage(std::u16string_view text, bool) override {
    err_ << "ombrexctl: " << Utf8FromUtf16(text) << "\n";
  }
  Answer AskYesNo(std::u16string_view text) override {
    err_ << "ombrexctl: " << Utf8FromUtf16(text) << " (answered no)\n";
    return Answer::No;
  }
  std::optional<std::filesystem::path> ChooseOpenFile(const FileDialogOptions&) override {
    return std::nullopt;
  }
  std::optional<std::filesystem::path> ChooseSaveFile(const FileDialogOptions&) override {
    return std::nullopt;
  }

 private:
  std::ostream& err_;
};

// The tool never stores a setting of the user's: the language id the texts
// decide stays in memory.
class MemorySettings : public SettingsStore {
 public:
  std::u16string ReadProfileString(std::u16string_view, std::u16string_view,
                                   std::u16string_view fallback) override {
    return std::u16string(fallback);
  }
  bool WriteProfileString(std::u16string_view, std::u16string_view, std::u16string_view) override {
    return true;
  }
  std::optional<std::uint32_t> ReadDword(std::u16string_view name) override {
    auto found = dwords_.find(std::u16string(name));
    return found == dwords_.end() ? std::nullopt : std::optional(found->second);
  }
  bool WriteDword(std::u16string_view name, std::uint32_t value) override {
    dwords_[std::u16string(name)] = value;
    return true;
  }

 private:
  std::map<std::u16string, std::uint32_t> dwords_;
};

// Everything a command may need; the keyboard only when asked for.
class Context {
 public:
  Context(const Command& command, std::ostream& out, std::ostream& err)
      : command(command),
        out(out),
        err(err),
        texts(ProgramFolder(), settings, SystemDefaultLanguageId()),
        prompter(err) {}

  // The keyboard, or nullptr with the exit code set.
  KeyboardSession* Keyboard() {
    if (!session_) {
      session_ = KeyboardSession::Open(err, exitCode, command.wait, command.listening);
    }
    return session_.get();
  }
  // The keyboard's profile named by --profile (1..4), else the active one;
  // empty with a message when neither can be had.
  std::optional<ProfileNumber> ChosenProfile() {
    if (command.profile) return ProfileOf(*command.profile);
    const auto active = session_->Commands().ActiveProfile();
    if (!active) err << "ombrexctl: the keyboard does not report its active profile\n";
    return active;
  }
  // The command line counts profiles from 1.
  std::optional<ProfileNumber> ProfileOf(const std::string& word) {
    int number = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), number);
    if (error != std::errc() || end != word.data() + word.size()) {
      throw UsageError{"a profile is a number 1..4, not \"" + word + "\""};
    }
    const auto profile = number > 0 ? ProfileNumber::From(number - 1) : std::nullopt;
    if (!profile) err << "ombrexctl: there is no profile " << number << "; profiles are 1..4\n";
    return profile;
  }
  // Failure of a keyboard operation: 3 when the keyboard went away, else 1.
  int Failed(const std::string& what) {
    const bool gone = session_ && session_->Count() == 0;
    err << "ombrexctl: " << what << (gone ? ": the keyboard went away" : "") << "\n";
    return gone ? kExitNoKeyboard : kExitRefused;
  }

  const Command& command;
  std::ostream& out;
  std::ostream& err;
  MemorySettings settings;
  Texts texts;
  StreamPrompter prompter;
  int exitCode = kExitOk;

 private:
  std::unique_ptr<KeyboardSession> session_;
};

int NeedWords(const Command& command, std::size_t least, std::size_t most) {
  if (command.words.size() < least || command.words.size() > most) {
    throw UsageError{"wrong number of arguments for " + command.words[0]};
  }
  return 0;
}

std::uint8_t ByteArgument(const std::string& word, unsigned largest, const char* what) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size() || value > largest) {
    throw UsageError{std::string(what) + " must be a number 0.." + std::to_string(largest)};
  }
  return static_cast<std::uint8_t>(value);
}

int Status(Context& c) {
  NeedWords(c.command, 1, 1);
  KeyboardSession* keyboard = c.Keyboard();
  if (keyboard == nullptr) return c.exitCode;
  StatusBlock status{};
  const int count = keyboard->Count();
  if (keyboard->Commands().ReadStatusBlock(status) != result::kOk) {
    return c.Failed("the keyboard does not answer");
  }
  c.out << "keyboards: " << count << "\n"
        << "active profile: " << status[protocol::kStatusActiveProfileAt] + 1 << "\n"
        << "macro capacity: " << status[protocol::kStatusMacroUnitsAt] * protocol::kMacroUnitBytes
        << " bytes\n"
        << "lighting modes:";
  for (std::size_t i = 0; i < protocol::kStatusModeCount; ++i) {
    if (status[protocol::kStatusModesAt + i] != 0) {
      c.out << " " << int(status[protocol::kStatusModesAt + i]);
    }
  }
  c.out << "\n";
  return kExitOk;
}

// "N" of the messages that count profiles from 1.
std::string Shown(ProfileNumber profile) {
  return std::to_string(profile.Index() + 1);
}

// The keyboard's active profile for a report after an operation that needed
// it (so it is known then).
std::string ShownActive(KeyboardSession& keyboard) {
  const auto active = keyboard.Commands().ActiveProfile();
  return active ? Shown(*active) : "unknown";
}

int Profile(Context& c) {
  NeedWords(c.command, 1, 2);
  std::optional<ProfileNumber> wanted;
  if (c.command.words.size() == 2) {
    wanted = c.ProfileOf(c.command.words[1]);
    if (!wanted) return kExitRefused;
  }
  KeyboardSession* keyboard = c.Keyboard();
  if (keyboard == nullptr) return c.exitCode;
  if (wanted) {
    const DeviceResult result = keyboard->Commands().SetActiveProfile(*wanted);
    if (result != result::kOk) {
      return c.Failed("the keyboard refused the switch (result " + std::to_string(Code(result)) +
                      ")");
    }
  }
  const auto active = keyboard->Commands().ActiveProfile();
  if (!active) return c.Failed("the keyboard does not report its active profile");
  c.out << "active profile: " << Shown(*active) << "\n";
  return kExitOk;
}

// The file's bytes when it is a valid profile image; otherwise says why and
// gives nothing.
std::optional<FileCheck> ValidProfileFile(Context& c, const std::filesystem::path& file) {
  FileCheck check = CheckProfileFile(file);
  if (check.valid) return check;
  c.err << "ombrexctl: " << Utf8FromPath(file) << ": " << check.reason << "\n";
  return std::nullopt;
}

int Read(Context& c) {
  NeedWords(c.command, 2, 2);
  const std::filesystem::path file = PathFromUtf8(c.command.words[1]);
  KeyboardSession* keyboard = c.Keyboard();
  if (keyboard == nullptr) return c.exitCode;
  if (!keyboard->ReadArrival()) return c.Failed("the keyboard does not answer");
  Workspace workspace(file.parent_path());
  KeyboardSync sync(workspace, keyboard->Commands(), c.texts, c.prompter);
  if (sync.BuildImageFromKeyboard(file) != result::kOk) {
    return c.Failed("the keyboard's assignments could not be read");
  }
  const FileCheck check = CheckProfileFile(file);
  ProfileImage image;
  image.Parse(check.bytes);
  c.out << "read the keyboard into " << Utf8FromPath(file) << ": " << image.Macros().size()
        << " macros, active profile " << ShownActive(*keyboard) << "\n";
  return kExitOk;
}

int Write(Context& c) {
  NeedWords(c.command, 2, 2);
  const std::filesystem::path file = PathFromUtf8(c.command.words[1]);
  const std::optional<FileCheck> check = ValidProfileFile(c, file);
  if (!check) return kExitRefused;
  KeyboardSession* keyboard = c.Keyboard();
  if (keyboard == nullptr) return c.exitCode;
  if (!keyboard->ReadArrival()) return c.Failed("the keyboard does not answer");
  Workspace workspace(file.parent_path());
  KeyboardSync sync(workspace, keyboard->Commands(), c.texts, c.prompter);
  {
    auto image = workspace.Working();
    workspace.ClearWorkingImage();
    if (!image->Parse(check->bytes)) return c.Failed("the file could not be taken in");
  }
  const DeviceResult result = sync.CommitImage(c.command.all);
  const DownloadReport& report = sync.LastDownload();
  if (result != result::kOk) {
    // Every write was answered, yet what came back differs, twice over.
    if (report.retried && !report.keyboardChanged) {
      return c.Failed("the keyboard did not keep what was written (read back after " +
                      std::to_string(report.packets) + " packets)");
    }
    return c.Failed("writing to the keyboard failed (result " + std::to_string(Code(result)) + ")");
  }
  if (c.command.all) {
    c.out << "wrote all four profiles and the macros\n";
  } else {
    c.out << "wrote profile " << ShownActive(*keyboard) << " and the macros\n";
  }
  return kExitOk;
}

int Validate(Context& c) {
  NeedWords(c.command, 2, 2);
  const std::optional<FileCheck> check = ValidProfileFile(c, PathFromUtf8(c.command.words[1]));
  if (!check) return kExitRefused;
  ProfileImage image;
  image.Parse(check->bytes);
  c.out << c.command.words[1] << ": valid profile image, " << image.Macros().size() << " macros\n";
  return kExitOk;
}

int Dump(Context& c) {
  NeedWords(c.command, 2, 2);
  const std::optional<FileCheck> check = ValidProfileFile(c, PathFromUtf8(c.command.words[1]));
  if (!check) return kExitRefused;
  ProfileImage image;
  image.Parse(check->bytes);
  if (c.command.json) {
    WriteJsonReport(image, c.out);
  } else {
    WriteReport(image, c.out);
  }
  return kExitOk;
}

// The lighting of one profile, read from the keyboard.
struct LightingAccess {
  UserModeFiles files{UserDataFolder(), ProgramFolder()};
  std::unique_ptr<Lighting> lighting;
};

void PrintLighting(Context& c, const Lighting& lighting) {
  const HostLightingState& s = lighting.Host().State();
  c.out << "profile: " << Shown(s.shownProfile) << "\n"
        << "mode: " << int(s.mode) << "\n"
        << "brightness: " << int(s.brightness) << "\n"
        << "speed: " << int(s.speed) << "\n"
        << "direction: " << (s.direction == 0 ? "right" : "left") << "\n"
        << "colourful: " << (s.colourful ? "on" : "off") << "\n"
        << "colour: " << int(s.colour.red) << " " << int(s.colour.green) << " "
        << int(s.colour.blue) << "\n"
        << "report rate: " << int(s.reportRate) << "\n"
        << "mode 17 colour: " << int(s.mode17Colour) << "\n";
}

// Opens the keyboard and reads the chosen profile's lighting; nullopt with
// the exit code when that cannot be done.
std::optional<int> ReadChosenLighting(Context& c, LightingAccess& access) {
  KeyboardSession* keyboard = c.Keyboard();
  if (keyboard == nullptr) return c.exitCode;
  const std::optional<ProfileNumber> profile = c.ChosenProfile();
  if (!profile) return kExitRefused;
  access.lighting =
      std::make_unique<Lighting>(keyboard->Commands(), access.files, DefaultProfileFolder());
  access.lighting->SetShownProfile(*profile);
  if (access.lighting->ReadLighting(false) != result::kOk) {
    return c.Failed("the keyboard's lighting could not be read");
  }
  return std::nullopt;
}

// The field and bytes of `lighting set`.
std::pair<std::size_t, std::vector<std::uint8_t>> LightingField(const Command& command,
                                                                const ModeList& modes) {
  const std::vector<std::string>& w = command.words;
  if (w.size() < 4) throw UsageError{"lighting set needs a field and a value"};
  const std::string& field = w[2];
  const std::size_t values = field == "colour" || field == "color" ? 3 : 1;
  if (w.size() != 3 + values) throw UsageError{"wrong number of values for " + field};
  namespace f = lighting_field;
  if (field == "mode") {
    const std::uint8_t mode = ByteArgument(w[3], 255, "a mode");
    if (!modes.SupportsMode(mode)) return {f::kMode, {}};
    return {f::kMode, {mode}};
  }
  if (field == "brightness") return {f::kBrightness, {ByteArgument(w[3], 4, "brightness")}};
  if (field == "speed") return {f::kSpeed, {ByteArgument(w[3], 4, "speed")}};
  if (field == "rate") return {f::kReportRate, {ByteArgument(w[3], 3, "the report rate")}};
  if (field == "mode17") return {f::kMode17Colour, {ByteArgument(w[3], 3, "the mode 17 colour")}};
  if (field == "direction") {
    if (w[3] != "left" && w[3] != "right") throw UsageError{"direction is left or right"};
    return {f::kDirection, {std::uint8_t(w[3] == "left" ? 255 : 0)}};
  }
  if (field == "colourful" || field == "colorful") {
    if (w[3] != "on" && w[3] != "off") throw UsageError{"colourful is on or off"};
    return {f::kColourful, {std::uint8_t(w[3] == "on" ? 1 : 0)}};
  }
  if (values == 3) {
    return {f::kColour,
            {ByteArgument(w[3], 255, "red"), ByteArgument(w[4], 255, "green"),
             ByteArgument(w[5], 255, "blue")}};
  }
  throw UsageError{"unknown lighting field " + field};
}

int LightingCommand(Context& c) {
  const std::vector<std::string>& w = c.command.words;
  if (w.size() < 2 || (w[1] != "get" && w[1] != "set")) {
    throw UsageError{"lighting get | lighting set FIELD VALUE"};
  }
  if (w[1] == "get") NeedWords(c.command, 2, 2);
  if (w[1] == "set") LightingField(c.command, ModeList{});  // usage first, keyboard second
  LightingAccess access;
  if (auto code = ReadChosenLighting(c, access)) return *code;
  if (w[1] == "set") {
    const auto [offset, bytes] = LightingField(c.command, access.lighting->Host().Modes());
    if (bytes.empty()) {
      c.err << "ombrexctl: the keyboard does not offer mode " << w[3] << "\n";
      return kExitRefused;
    }
    // The write only queues the change; the flush says whether it arrived.
    access.lighting->WriteLightingField(offset, bytes);
    if (const DeviceResult sent = access.lighting->Flush(); sent != result::kOk) {
      return c.Failed("the keyboard refused the lighting change (result " +
                      std::to_string(Code(sent)) + ")");
    }
    if (access.lighting->ReadLighting(false) != result::kOk) {
      return c.Failed("the keyboard's lighting could not be read back");
    }
  }
  PrintLighting(c, *access.lighting);
  return kExitOk;
}

int KeyColour(Context& c) {
  NeedWords(c.command, 5, 5);
  const std::vector<std::string>& w = c.command.words;
  const int led = ByteArgument(w[1], 63, "an LED");
  const Rgb colour{ByteArgument(w[2], 255, "red"), ByteArgument(w[3], 255, "green"),
                   ByteArgument(w[4], 255, "blue")};
  KeyboardSession* keyboard = c.Keyboard();
  if (keyboard == nullptr) return c.exitCode;
  const std::optional<ProfileNumber> profile = c.ChosenProfile();
  if (!profile) return kExitRefused;
  UserModeFiles files(UserDataFolder(), ProgramFolder());
  Lighting lighting(keyboard->Commands(), files, DefaultProfileFolder());
  lighting.SetShownProfile(*profile);
  lighting.WriteKeyColour(led, colour);
  if (const DeviceResult sent = lighting.Flush(); sent != result::kOk) {
    return c.Failed("the keyboard refused the key colour (result " + std::to_string(Code(sent)) +
                    ")");
  }
  c.out << "profile " << Shown(*profile) << ", LED " << led << ": " << int(colour.red) << " "
        << int(colour.green) << " " << int(colour.blue) << "\n";
  return kExitOk;
}

int Assign(Context& c) {
  NeedWords(c.command, 5, 6);
  const std::vector<std::string>& w = c.command.words;
  const std::filesystem::path file = PathFromUtf8(w[1]);
  const std::optional<ProfileNumber> profile = c.ProfileOf(w[2]);
  if (!profile) return kExitRefused;
  const std::optional<unsigned> slot = SlotFromName(w[3]);
  if (!slot) {
    c.err << "ombrexctl: no key is called \"" << w[3] << "\"\n";
    return kExitRefused;
  }
  KeyEntry entry;
  if (w[4] == "disabled" && w.size() == 5) {
    entry.kind = static_cast<std::uint16_t>(AssignKind::Disabled);
  } else if (w[4] == "key" && w.size() == 6) {
    const std::optional<KeyCode> target = KeyCodeFromName(w[5]);
    if (!target) {
      c.err << "ombrexctl: no key is called \"" << w[5] << "\"\n";
      return kExitRefused;
    }
    entry.kind = static_cast<std::uint16_t>(AssignKind::SingleKey);
    entry.value = *target;
  } else if (w[4] != "default" || w.size() != 5) {
    throw UsageError{"an assignment is default, disabled or key NAME"};
  }
  const std::optional<FileCheck> check = ValidProfileFile(c, file);
  if (!check) return kExitRefused;
  Workspace workspace(file.parent_path());
  const auto image = workspace.Working();
  workspace.ClearWorkingImage();
  image->Parse(check->bytes);
  // G keys keep their own code in the entry, as the editor stores them.
  entry.aux = GKeyCodeOfSlot(*slot);
  workspace.StoreEntry(*profile, static_cast<int>(*slot), entry);
  if (workspace.SaveImageFile(file) != ImageResult::kOk) {
    c.err << "ombrexctl: " << Utf8FromPath(file) << " could not be written; it is unchanged\n";
    return kExitRefused;
  }
  c.out << "profile " << Shown(*profile) << ", " << SlotName(*slot) << ": "
        << DescribeEntry(entry, {}, {}) << "\n";
  return kExitOk;
}

Command Split(std::span<const std::string> args) {
  Command command;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      command.words.insert(command.words.begin(), "help");
    } else if (arg == "--version") {
      command.words.insert(command.words.begin(), "version");
    } else if (arg == "--all") {
      command.all = true;
    } else if (arg == "--json") {
      command.json = true;
    } else if (arg == "--profile") {
      if (i + 1 == args.size()) throw UsageError{"--profile needs a number"};
      command.profile = args[++i];
    } else if (arg == "-v" || arg == "--verbose") {
      command.listening.verbose = true;
    } else if (arg == "--record") {
      if (i + 1 == args.size() || args[i + 1].empty()) throw UsageError{"--record needs a file"};
      command.listening.record = PathFromUtf8(args[++i]);
    } else if (arg == "--wait") {
      if (i + 1 == args.size()) throw UsageError{"--wait needs a number of seconds"};
      command.wait = std::chrono::seconds(ByteArgument(args[++i], 255, "--wait"));
    } else if (arg.size() > 1 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9')) {
      throw UsageError{"unknown option " + arg};
    } else {
      command.words.push_back(arg);
    }
  }
  return command;
}

}  // namespace

std::string UsageText() {
  return "usage: ombrexctl COMMAND [ARGUMENTS]\n"
         "The Ombrex keyboard from the command line: read, write and check profiles.\n"
         "\n"
         "  status                      keyboards, active profile, macro capacity, lighting modes\n"
         "  profile [N]                 show the active profile, or switch to profile N (1..4)\n"
         "  read FILE                   read the keyboard's assignments and macros into a .fwc\n"
         "  write FILE [--all]          send a .fwc: the active profile (or all four) and macros,\n"
         "                              read back to check the keyboard kept it\n"
         "  validate FILE               check a .fwc as the program does before taking it in\n"
         "  dump FILE [--json]          every assignment, macro and text of a .fwc\n"
         "  assign FILE N KEY ACTION    change one key of profile N in a .fwc; ACTION is\n"
         "                              default, disabled or key NAME (no keyboard needed)\n"
         "  lighting get [--profile N]  the lighting of the active (or given) profile\n"
         "  lighting set FIELD VALUE [--profile N]\n"
         "                              FIELD: mode, brightness 0..4, speed 0..4, direction\n"
         "                              left|right, colourful on|off, colour R G B, rate 0..3,\n"
         "                              mode17 0..3\n"
         "  keycolour LED R G B [--profile N]\n"
         "                              the colour of one LED (0..63)\n"
         "  doctor                      why the keyboard can or cannot be used, and the fix\n"
         "\n"
         "Keys are named as in the key list (A, F1, Left Ctrl, ...), G1..G9 (bank A),\n"
         "G1:B..G9:B (bank B), or by hex code (0x1E).\n"
         "RAZIZID_BACKEND picks the keyboard: hid (default), virtual, model.\n"
         "  -v, --verbose               what the service library says, on the error stream\n"
         "  --record FILE               every report sent to and received from the keyboard,\n"
         "                              with its time, into FILE (ombrex-vkbd serve --replay)\n"
         "  --wait SECONDS              how long to wait while another Ombrex program uses\n"
         "                              the keyboard (default 15, at most 255)\n"
         "  --help, --version           this text, or the version\n"
         "\n"
         "Exit codes: 0 done, 1 refused or invalid input, 2 usage error, 3 no keyboard.\n";
}

int RunCtl(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
  using Handler = int (*)(Context&);
  try {
    static const std::map<std::string, Handler> kCommands{{"status", Status},
                                                          {"profile", Profile},
                                                          {"read", Read},
                                                          {"write", Write},
                                                          {"validate", Validate},
                                                          {"dump", Dump},
                                                          {"lighting", LightingCommand},
                                                          {"keycolour", KeyColour},
                                                          {"keycolor", KeyColour},
                                                          {"assign", Assign}};
    const Command command = Split(args);
    if (command.words.empty() || command.words[0] == "help") {
      (command.words.empty() ? err : out) << UsageText();
      return command.words.empty() ? kExitUsage : kExitOk;
    }
    if (command.words[0] == "version") {
      out << "ombrexctl " << OMBREX_VERSION << "\n";
      return kExitOk;
    }
    if (command.words[0] == "doctor") {
      if (command.words.size() != 1) throw UsageError{"doctor takes no arguments"};
      return Doctor(out);
    }
    const auto found = kCommands.find(command.words[0]);
    if (found == kCommands.end()) throw UsageError{"unknown command " + command.words[0]};
    Context context(command, out, err);
    return found->second(context);
  } catch (const UsageError& error) {
    err << "ombrexctl: " << error.message << "\n\n" << UsageText();
    return kExitUsage;
  } catch (const std::bad_alloc&) {
    // A file or keyboard may claim more than fits; the tool says so and ends.
    err << "ombrexctl: out of memory\n";
    return kExitRefused;
  }
}

}  // namespace ombrex::ctl

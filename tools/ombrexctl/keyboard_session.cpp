#include "tools/ombrexctl/keyboard_session.h"

#include <variant>

#include "device/results.h"
#include "device/service_library.h"
#include "device/window_link.h"
#include "platform/command_line.h"
#include "platform/paths.h"
#include "platform/single_instance.h"
#include "platform/text.h"

namespace ombrex::ctl {

namespace {

// Queued for the running program, if one listens: the tool never waits for
// the window, which may be showing a question.
void TellRunningProgram(unsigned changed) {
  const std::optional<InstancePlaces> places = InstancePlacesFor(kProgramInstanceName);
  if (!places) return;
  SendToListener(places->socketFile,
                 {window_message::kKeyboardChanged, window_message::kChangedTag, changed, true});
}

}  // namespace

std::unique_ptr<KeyboardSession> KeyboardSession::Open(std::ostream& err, int& exitCode,
                                                       std::chrono::milliseconds patience,
                                                       const Listening& listening) {
  auto session = std::make_unique<KeyboardSession>();
  session->err_ = &err;
  if (!listening.record.empty()) {
    session->recorder_ = SessionRecorder::Create(listening.record);
    if (!session->recorder_) {
      err << "ombrexctl: cannot make the recording " << Utf8FromPath(listening.record) << "\n";
      exitCode = kExitRefused;
      return nullptr;
    }
    session->record_ = listening.record;
  }
  ServiceLibraryResult bound = LoadServiceLibrary(ServiceFolder() / ServiceLibraryFileName());
  if (const auto* error = std::get_if<ServiceLibraryError>(&bound)) {
    err << "ombrexctl: " << Utf8FromUtf16(error->Text()) << "\n";
    exitCode = kExitRefused;
    return nullptr;
  }
  const ServiceLibrary& library = std::get<ServiceLibrary>(bound);
  if (listening.verbose || session->recorder_) {
    LibraryListener::Log log;
    if (listening.verbose) {
      log = [raw = session.get()](int, std::string_view message) {
        std::lock_guard lock(raw->errMutex_);
        *raw->err_ << "ombrexctl: RazIzid: " << message << "\n";
      };
    }
    session->listener_ = std::make_unique<LibraryListener>(
        library, std::move(log),
        session->recorder_ ? session->recorder_->Monitor() : LibraryListener::Monitor{},
        listening.verbose);
    if (session->recorder_ && !session->listener_->Monitors()) {
      err << "ombrexctl: this service library cannot show its reports; nothing is recorded\n";
    }
  }
  LinkTiming timing;
  timing.keyboardPatience = patience;
  session->link_ = std::make_unique<DeviceLink>(library, session->state_, timing);
  session->link_->RegisterReplyRead();
  if (session->Count() > 0) {
    session->link_->Commands().SetChangeHook(TellRunningProgram);
    session->hold_.emplace(session->link_->Commands().Keep());
    if (*session->hold_) return session;
    err << "ombrexctl: " << kKeyboardBusyMessage << "\n";
    exitCode = kExitRefused;
    return nullptr;
  }
  if (const auto why = session->OpenError()) {
    err << "ombrexctl: a keyboard is present but cannot be opened: " << *why << "\n";
  } else {
    err << "ombrexctl: no keyboard\n";
  }
  exitCode = kExitNoKeyboard;
  return nullptr;
}

KeyboardSession::~KeyboardSession() {
  listener_.reset();
  if (recorder_ && recorder_->Failed()) {
    *err_ << "ombrexctl: the recording " << Utf8FromPath(record_)
          << " could not be written whole\n";
  }
}

bool KeyboardSession::ReadArrival() {
  CommandSet& commands = Commands();
  KeyTableBytes table{};
  if (commands.ReadDefaultKeyTable(table) == result::kOk) link_->DefaultTable().Replace(table);
  StatusBlock status{};
  if (commands.ReadStatusBlock(status) != result::kOk) return false;
  state_.macroCapacity = status[protocol::kStatusMacroUnitsAt] * protocol::kMacroUnitBytes;
  return true;
}

}  // namespace ombrex::ctl

#include "device/service_library.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "platform/command_line.h"
#include "platform/loadable_module.h"
#include "platform/text.h"

namespace ombrex {

namespace {

// How one function of the contract is found and put into its place.
struct Binding {
  const char* symbol;
  void (*place)(RazIzidFunctions& table, void* address);
  bool (*present)(const RazIzidFunctions& table);
};

template <typename Function>
void Assign(Function& slot, void* address) {
  slot = reinterpret_cast<Function>(address);
}

#define OMBREX_BINDING(symbolName, name)                                       \
  Binding{symbolName, [](RazIzidFunctions& t, void* a) { Assign(t.name, a); }, \
          [](const RazIzidFunctions& t) { return t.name != nullptr; }},
#define OMBREX_REQUIRED(name, parameters, arguments) OMBREX_BINDING(#name, name)
#define OMBREX_OPTIONAL(name, parameters, arguments) OMBREX_BINDING("RazIzid" #name, name)
// The twelve in the order they are bound; every one must be present.
constexpr Binding kRequired[] = {RAZIZID_FUNCTIONS(OMBREX_REQUIRED)};
constexpr Binding kOptional[] = {RAZIZID_EXTRA_FUNCTIONS(OMBREX_OPTIONAL)};
#undef OMBREX_REQUIRED
#undef OMBREX_OPTIONAL
#undef OMBREX_BINDING

// Nothing thrown may go back into the library, which called in C.
void RAZIZID_CALL KeepLine(void* lines, int, const char* message) {
  try {
    static_cast<std::vector<std::string>*>(lines)->emplace_back(message != nullptr ? message : "");
  } catch (...) {
    // A line lost to a shortage of memory.
  }
}

std::optional<std::string_view> FirstMissing(const RazIzidFunctions& table) {
  for (const Binding& binding : kRequired) {
    if (!binding.present(table)) return binding.symbol;
  }
  return std::nullopt;
}

}  // namespace

bool ServiceLibrary::Complete() const {
  return !FirstMissing(functions_).has_value();
}

std::optional<std::string> ServiceLibrary::LastOpenError() const {
  if (functions_.LastOpenError == nullptr) return std::nullopt;
  std::string text(512, '\0');
  const int length = functions_.LastOpenError(text.data(), static_cast<std::uint32_t>(text.size()));
  if (length <= 0) return std::nullopt;
  text.resize(std::min<std::size_t>(static_cast<std::size_t>(length), text.size() - 1));
  return text;
}

std::u16string ServiceLibraryError::Text() const {
  std::string reasonText;
  switch (reason) {
    case Reason::NotLoadable:
      reasonText = "cannot be loaded: " + detail;
      break;
    case Reason::MissingFunction:
      reasonText = "missing function " + detail;
      break;
    case Reason::InitRefused:
      reasonText = "refused to start (Init returned " + detail + ")";
      break;
  }
  return Utf16FromUtf8("RazIzid service library " + Utf8FromPath(library) + ": " + reasonText);
}

std::filesystem::path ServiceLibraryFileName() {
  return SharedLibraryFileName("RazIzid");
}

ServiceLibraryResult BindServiceLibrary(const RazIzidFunctions& functions,
                                        const std::filesystem::path& name) {
  if (auto missing = FirstMissing(functions)) {
    return ServiceLibraryError{ServiceLibraryError::Reason::MissingFunction, name,
                               std::string(*missing)};
  }
  // Nobody listens yet while the library starts: what it says then is kept,
  // for the error when it refuses and for the program's log when it does not.
  std::vector<std::string> said;
  if (functions.SetLog != nullptr) functions.SetLog(&KeepLine, &said);
  const int started = functions.Init(0);
  if (functions.SetLog != nullptr) functions.SetLog(nullptr, nullptr);
  if (started <= 0) {
    std::string detail = std::to_string(started);
    for (const std::string& line : said) detail += "; " + line;
    return ServiceLibraryError{ServiceLibraryError::Reason::InitRefused, name, detail};
  }
  return ServiceLibrary(functions, std::move(said));
}

LibraryListener::LibraryListener(const ServiceLibrary& library, Log log, Monitor monitor,
                                 bool detail)
    : functions_(library.Functions()), log_(std::move(log)), monitor_(std::move(monitor)) {
  if (log_ && functions_.SetLog != nullptr) {
    for (const std::string& line : library.StartLines()) log_(RAZIZID_LOG_ERROR, line);
    if (detail && functions_.Debug != nullptr) previousLevel_ = functions_.Debug(1);
    hears_ = functions_.SetLog(&OnLog, this) == 1;
  }
  if (monitor_ && functions_.SetMonitor != nullptr) {
    monitors_ = functions_.SetMonitor(&OnReport, this) == 1;
  }
}

LibraryListener::~LibraryListener() {
  if (monitors_) functions_.SetMonitor(nullptr, nullptr);
  if (hears_) functions_.SetLog(nullptr, nullptr);
  if (previousLevel_) functions_.Debug(*previousLevel_);
}

void RAZIZID_CALL LibraryListener::OnLog(void* context, int level, const char* message) {
  try {
    static_cast<LibraryListener*>(context)->log_(level, message != nullptr ? message : "");
  } catch (...) {
    // As for a line kept while starting.
  }
}

void RAZIZID_CALL LibraryListener::OnReport(void* context, std::uint32_t direction,
                                            std::uint16_t usagePage, std::uint16_t usage,
                                            const std::uint8_t* data, std::uint32_t length) {
  const auto* self = static_cast<LibraryListener*>(context);
  try {
    self->monitor_(
        direction == RAZIZID_SENT ? session_record::Direction::Out : session_record::Direction::In,
        protocol::Interface{usagePage, usage},
        data != nullptr ? std::span<const std::uint8_t>(data, length)
                        : std::span<const std::uint8_t>());
  } catch (...) {
    // The monitor keeps its own failures (a recorder notes what it lost).
  }
}

ServiceLibraryResult LoadServiceLibrary(const std::filesystem::path& path) {
  std::string loaderError;
  ModuleHandle module = OpenModule(path, loaderError);
  if (module == nullptr) {
    return ServiceLibraryError{ServiceLibraryError::Reason::NotLoadable, path, loaderError};
  }
  RazIzidFunctions table{};
  for (const Binding& binding : kRequired) {
    void* symbol = FindSymbol(module, binding.symbol);
    if (symbol == nullptr) {
      CloseModule(module);  // nothing of it has run yet
      return ServiceLibraryError{ServiceLibraryError::Reason::MissingFunction, path,
                                 binding.symbol};
    }
    binding.place(table, symbol);
  }
  for (const Binding& binding : kOptional) {
    if (void* symbol = FindSymbol(module, binding.symbol)) binding.place(table, symbol);
  }
  // Kept loaded even when Init refuses: it may have started threads before
  // deciding, and the process ends soon after anyway.
  return BindServiceLibrary(table, path);
}

}  // namespace ombrex

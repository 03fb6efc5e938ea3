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
  if (const int started = functions.Init(0); started <= 0) {
    return ServiceLibraryError{ServiceLibraryError::Reason::InitRefused, name,
                               std::to_string(started)};
  }
  return ServiceLibrary(functions);
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

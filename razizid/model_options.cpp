#include "razizid/model_options.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <type_traits>

#include "razizid/model_backend.h"

namespace ombrex::razizid {

namespace {

template <typename Number>
bool ParseNumber(std::string_view text, Number& out) {
  if (text.empty()) return false;
  if constexpr (std::is_floating_point_v<Number>) {
    // from_chars for doubles is not in every standard library here.
    std::string copy(text);
    char* end = nullptr;
    out = std::strtod(copy.c_str(), &end);
    return end == copy.c_str() + copy.size() && out >= 0 && out <= 1;
  } else {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size();
  }
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

bool Apply(vkbd::FaultOptions& options, std::string_view name, std::string_view value) {
  if (name == "latency") return ParseNumber(value, options.latencyMs);
  if (name == "seed") return ParseNumber(value, options.seed);
  if (name == "drop") return ParseNumber(value, options.dropRate);
  if (name == "refuse") return ParseNumber(value, options.refuseRate);
  if (name == "wrongcode") return ParseNumber(value, options.wrongCodeRate);
  if (name == "unplug") return ParseNumber(value, options.unplugAfter);
  if (name == "losewrites") return ParseNumber(value, options.loseWriteRate);
  return false;
}

}  // namespace

std::optional<vkbd::FaultOptions> ParseFaultOptions(std::string_view text) {
  vkbd::FaultOptions options;
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const std::string_view item = Trim(text.substr(0, comma));
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    if (item.empty()) continue;
    const std::size_t equals = item.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    if (!Apply(options, item.substr(0, equals), item.substr(equals + 1))) return std::nullopt;
  }
  return options;
}

std::unique_ptr<Backend> MakeModelBackendFromEnvironment(std::string& error, Diagnostics& log) {
  const auto faults = ParseFaultOptions(Environment("RAZIZID_MODEL_FAULTS"));
  if (!faults) {
    error = "RAZIZID_MODEL_FAULTS is not a list of name=value faults";
    return nullptr;
  }
  auto keyboard = std::make_unique<vkbd::Keyboard>();
  const std::filesystem::path stateFile = Environment("RAZIZID_MODEL_STATE");
  if (!stateFile.empty()) {
    std::error_code ignored;
    if (std::filesystem::exists(stateFile, ignored) && !keyboard->LoadState(stateFile)) {
      log.Error("state file " + stateFile.string() + " is not usable; starting from factory state");
    }
    // Kept at the end of every transfer, when the host's changes are whole.
    vkbd::Keyboard* kept = keyboard.get();
    keyboard->SetCommitHook([kept, stateFile, &log] {
      if (!kept->SaveState(stateFile))
        log.Error("cannot write the state file " + stateFile.string());
    });
  }
  return std::make_unique<ModelBackend>(std::move(keyboard), *faults);
}

}  // namespace ombrex::razizid

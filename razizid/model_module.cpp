// The model module's export. Everything the library calls on the backend it
// gets from here runs inside this module, so each call keeps whatever it
// throws to itself and answers as the contract does for a failed call.

#include <algorithm>
#include <cstring>
#include <exception>
#include <string_view>
#include <type_traits>

#include "razizid/model_module.h"
#include "razizid/model_options.h"

namespace ombrex::razizid {
namespace {

template <typename Call, typename Result>
Result Guarded(Call&& call, Result failed) noexcept {
  try {
    return call();
  } catch (...) {
    return failed;
  }
}

class GuardedBackend final : public Backend {
 public:
  explicit GuardedBackend(std::unique_ptr<Backend> inner) : inner_(std::move(inner)) {}
  ~GuardedBackend() override = default;

  bool Start(BackendSink& sink) override {
    return Guarded([&] { return inner_->Start(sink); }, false);
  }
  void Stop() override {
    try {
      inner_->Stop();
    } catch (...) {
      // Stopped as far as it could; there is nothing to answer.
    }
  }
  DeviceCounts Counts() override {
    return Guarded([&] { return inner_->Counts(); }, DeviceCounts{});
  }
  int Write(protocol::Interface to, std::span<const std::uint8_t> report, bool toEvery) override {
    return Guarded([&] { return inner_->Write(to, report, toEvery); }, RAZIZID_IO_ERROR);
  }
  int GetFeature(protocol::Interface from, std::span<std::uint8_t> report) override {
    return Guarded([&] { return inner_->GetFeature(from, report); }, RAZIZID_IO_ERROR);
  }
  int SetFeature(protocol::Interface to, std::span<const std::uint8_t> report) override {
    return Guarded([&] { return inner_->SetFeature(to, report); }, RAZIZID_IO_ERROR);
  }
  std::string LastOpenError() override {
    return Guarded([&] { return inner_->LastOpenError(); }, std::string());
  }

 private:
  std::unique_ptr<Backend> inner_;
};

void CopyReason(std::string_view reason, char* error, std::uint32_t capacity) noexcept {
  if (error == nullptr || capacity == 0) return;
  const std::size_t copied = std::min<std::size_t>(reason.size(), capacity - 1);
  std::memcpy(error, reason.data(), copied);
  error[copied] = '\0';
}

}  // namespace
}  // namespace ombrex::razizid

extern "C" RAZIZID_EXPORT ombrex::razizid::Backend* RazIzidMakeModelBackend(
    ombrex::razizid::Diagnostics* log, char* error, std::uint32_t capacity) noexcept {
  using namespace ombrex::razizid;
  static_assert(std::is_same_v<decltype(&RazIzidMakeModelBackend), ModelModuleEntry>);
  try {
    if (log == nullptr) {
      CopyReason("the model backend needs somewhere to log", error, capacity);
      return nullptr;
    }
    std::string reason;
    std::unique_ptr<Backend> model = MakeModelBackendFromEnvironment(reason, *log);
    if (!model) {
      CopyReason(reason, error, capacity);
      return nullptr;
    }
    return std::make_unique<GuardedBackend>(std::move(model)).release();
  } catch (const std::exception& failure) {
    CopyReason(failure.what(), error, capacity);
  } catch (...) {
    CopyReason("the model backend could not be made", error, capacity);
  }
  return nullptr;
}

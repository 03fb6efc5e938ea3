#include "tests/unit/device/fake_library.h"

#include <algorithm>

#include "device/razizid_wire.h"

namespace ombrex::test {

namespace {

FakeLibrary* current = nullptr;

int RAZIZID_CALL FakeDebug(int) {
  return 0;
}
int RAZIZID_CALL FakeInit(int) {
  return 1;
}
int RAZIZID_CALL FakeEnd() {
  return 1;
}
int RAZIZID_CALL FakeCount(const RazIzidSelector* s, RazIzidCallback c, std::uint32_t t,
                           std::uint32_t v, std::uint32_t*) {
  return current->Count(s, c, t, v);
}
int RAZIZID_CALL FakeDelete(std::uint32_t unit) {
  return current->Delete(unit);
}
int RAZIZID_CALL FakeDeleteHandle(RazIzidCallback) {
  return 0;
}
int RAZIZID_CALL FakeWrite(const RazIzidSelector*, RazIzidCallback, std::uint32_t,
                           const std::uint8_t*, std::uint32_t, std::uint32_t, std::uint32_t*) {
  return RAZIZID_UNSUPPORTED;
}
int RAZIZID_CALL FakeWriteOne(const RazIzidSelector* s, RazIzidCallback c, std::uint32_t t,
                              const std::uint8_t* d, std::uint32_t n, std::uint32_t v,
                              std::uint32_t*) {
  return current->WriteOne(s, c, t, d, n, v);
}
int RAZIZID_CALL FakeStatusWrite(const RazIzidSelector* s, RazIzidCallback c, std::uint32_t t,
                                 const std::uint8_t* d, std::uint32_t n, std::uint32_t v,
                                 std::uint32_t* u) {
  return current->StatusWrite(s, c, t, d, n, v, u);
}
int RAZIZID_CALL FakeStatusGet(const RazIzidSelector*, RazIzidCallback, std::uint32_t,
                               std::uint8_t*, std::uint32_t, std::uint32_t, std::uint32_t*) {
  return RAZIZID_UNSUPPORTED;
}
int RAZIZID_CALL FakeAsyncRead(const RazIzidSelector* s, RazIzidCallback c, std::uint32_t t,
                               std::uint32_t v, std::uint32_t* u) {
  return current->AsyncRead(s, c, t, v, u);
}
int RAZIZID_CALL FakeSetFeature(const RazIzidSelector*, RazIzidCallback, std::uint32_t,
                                const std::uint8_t*, std::uint32_t, std::uint32_t, std::uint32_t*) {
  return RAZIZID_UNSUPPORTED;
}

constexpr RazIzidFunctions kFakeFunctions = {
    &FakeDebug,        &FakeInit,       &FakeEnd,      &FakeCount,       &FakeDelete,
    &FakeDeleteHandle, &FakeWrite,      &FakeWriteOne, &FakeStatusWrite, &FakeStatusGet,
    &FakeAsyncRead,    &FakeSetFeature, nullptr};

}  // namespace

FakeLibrary::FakeLibrary() {
  current = this;
}
FakeLibrary::~FakeLibrary() {
  current = nullptr;
}

ServiceLibrary FakeLibrary::Library() const {
  return ServiceLibrary(kFakeFunctions);
}

void FakeLibrary::SetDeviceCount(int count) {
  std::lock_guard lock(mutex_);
  deviceCount_ = count;
}

void FakeLibrary::SetWriteResult(int result) {
  std::lock_guard lock(mutex_);
  writeResult_ = result;
}

void FakeLibrary::RespondWith(Responder responder, Transactor* to) {
  std::lock_guard lock(mutex_);
  responder_ = std::move(responder);
  replyTo_ = to;
}

std::vector<PacketBytes> FakeLibrary::Written() const {
  std::lock_guard lock(mutex_);
  return written_;
}

std::size_t FakeLibrary::WrittenCount() const {
  std::lock_guard lock(mutex_);
  return written_.size();
}

std::vector<FakeLibrary::Request> FakeLibrary::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::vector<std::uint32_t> FakeLibrary::Deleted() const {
  std::lock_guard lock(mutex_);
  return deleted_;
}

int FakeLibrary::BadVerifications() const {
  std::lock_guard lock(mutex_);
  return badVerifications_;
}

int FakeLibrary::CountQueries() const {
  std::lock_guard lock(mutex_);
  return countQueries_;
}

void FakeLibrary::CheckVerification(bool matches) {
  if (!matches) ++badVerifications_;
}

int FakeLibrary::Count(const RazIzidSelector* selector, RazIzidCallback callback, std::uint32_t tag,
                       std::uint32_t verification) {
  std::lock_guard lock(mutex_);
  ++countQueries_;
  CheckVerification(razizid::Verification(*selector, callback, tag) == verification);
  return deviceCount_;
}

int FakeLibrary::WriteOne(const RazIzidSelector* selector, RazIzidCallback callback,
                          std::uint32_t tag, const std::uint8_t* data, std::uint32_t length,
                          std::uint32_t verification) {
  PacketBytes packet{};
  Responder responder;
  Transactor* replyTo = nullptr;
  int result = 0;
  {
    std::lock_guard lock(mutex_);
    const std::span<const std::uint8_t> bytes(data, length);
    CheckVerification(razizid::Verification(*selector, callback, tag, bytes) == verification);
    std::copy_n(data, std::min<std::size_t>(length, packet.size()), packet.begin());
    written_.push_back(packet);
    result = writeResult_;
    responder = responder_;
    replyTo = replyTo_;
  }
  // The reply goes straight to the waiting transaction, as the library's
  // callback thread would hand it over.
  if (result > 0 && responder && replyTo != nullptr) {
    for (const auto& reply : responder(packet)) replyTo->DeliverReply(reply);
  }
  return result;
}

int FakeLibrary::AsyncRead(const RazIzidSelector* selector, RazIzidCallback callback,
                           std::uint32_t tag, std::uint32_t verification, std::uint32_t* unitId) {
  std::lock_guard lock(mutex_);
  CheckVerification(razizid::Verification(*selector, callback, tag) == verification);
  const std::uint32_t unit = nextUnit_++;
  requests_.push_back({*selector, callback, tag, unit});
  *unitId = unit;
  return 1;
}

int FakeLibrary::StatusWrite(const RazIzidSelector* selector, RazIzidCallback callback,
                             std::uint32_t tag, const std::uint8_t* data, std::uint32_t length,
                             std::uint32_t verification, std::uint32_t* unitId) {
  std::lock_guard lock(mutex_);
  CheckVerification(razizid::Verification(*selector, callback, tag,
                                          std::span<const std::uint8_t>(data, length)) ==
                    verification);
  const std::uint32_t unit = nextUnit_++;
  requests_.push_back({*selector, callback, tag, unit});
  *unitId = unit;
  return static_cast<int>(length);
}

int FakeLibrary::Delete(std::uint32_t unitId) {
  std::lock_guard lock(mutex_);
  deleted_.push_back(unitId);
  return 1;
}

std::vector<std::uint8_t> ReplyTo(const PacketBytes& request, std::uint8_t status,
                                  std::vector<std::uint8_t> data) {
  std::vector<std::uint8_t> reply(request.begin(), request.begin() + protocol::kPayloadOffset);
  reply[protocol::kStatusAt] = status;
  reply.resize(protocol::kPacketSize, 0);
  std::copy_n(data.begin(), std::min(data.size(), protocol::kPayloadSize),
              reply.begin() + protocol::kPayloadOffset);
  return reply;
}

std::vector<std::uint8_t> AddressPattern(std::uint16_t address, std::size_t length) {
  std::vector<std::uint8_t> data(length);
  for (std::size_t i = 0; i < length; ++i) data[i] = static_cast<std::uint8_t>(address + i);
  return data;
}

FakeLibrary::Responder AcceptAll() {
  return [](const PacketBytes& packet) {
    const CommandPacket request = CommandPacket::FromBytes(packet);
    return std::vector<FakeLibrary::Reply>{
        ReplyTo(packet, 0, AddressPattern(request.Address(), protocol::kPayloadSize))};
  };
}

}  // namespace ombrex::test

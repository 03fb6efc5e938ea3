#pragma once

// A scripted stand-in for the service library: records every packet and
// request, checks every verification value, and answers packets through a
// test-given responder straight into a transactor.

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "device/command_packet.h"
#include "device/razizid_api.h"
#include "device/service_library.h"
#include "device/transactor.h"

namespace ombrex::test {

class FakeLibrary {
 public:
  using Reply = std::vector<std::uint8_t>;
  // The replies to one packet, delivered in order (none: no reply).
  using Responder = std::function<std::vector<Reply>(const PacketBytes& packet)>;

  struct Request {
    RazIzidSelector selector;
    RazIzidCallback callback;
    std::uint32_t tag;
    std::uint32_t unitId;
  };

  // Becomes the library the bound functions reach; one at a time.
  FakeLibrary();
  ~FakeLibrary();

  ServiceLibrary Library() const;

  void SetDeviceCount(int count);
  void SetWriteResult(int result);
  void RespondWith(Responder responder, Transactor* to);

  std::vector<PacketBytes> Written() const;
  std::size_t WrittenCount() const;
  std::vector<Request> Requests() const;
  std::vector<std::uint32_t> Deleted() const;
  int BadVerifications() const;
  int CountQueries() const;

  // The library's side of the functions.
  int Count(const RazIzidSelector* selector, RazIzidCallback callback, std::uint32_t tag,
            std::uint32_t verification);
  int WriteOne(const RazIzidSelector* selector, RazIzidCallback callback, std::uint32_t tag,
               const std::uint8_t* data, std::uint32_t length, std::uint32_t verification);
  int AsyncRead(const RazIzidSelector* selector, RazIzidCallback callback, std::uint32_t tag,
                std::uint32_t verification, std::uint32_t* unitId);
  int StatusWrite(const RazIzidSelector* selector, RazIzidCallback callback, std::uint32_t tag,
                  const std::uint8_t* data, std::uint32_t length, std::uint32_t verification,
                  std::uint32_t* unitId);
  int Delete(std::uint32_t unitId);

 private:
  void CheckVerification(bool matches);

  mutable std::mutex mutex_;
  int deviceCount_ = 1;
  int writeResult_ = 64;
  Responder responder_;
  Transactor* replyTo_ = nullptr;
  std::vector<PacketBytes> written_;
  std::vector<Request> requests_;
  std::vector<std::uint32_t> deleted_;
  int badVerifications_ = 0;
  int countQueries_ = 0;
  std::uint32_t nextUnit_ = 100;
};

// A reply as the keyboard sends it: the request's report id, command, count
// and address, the given status, and data.
std::vector<std::uint8_t> ReplyTo(const PacketBytes& request, std::uint8_t status = 0,
                                  std::vector<std::uint8_t> data = {});
// Reply data that tells where it came from: byte i is (address + i) & 0xFF.
std::vector<std::uint8_t> AddressPattern(std::uint16_t address, std::size_t length);
// A keyboard that accepts everything and answers reads with AddressPattern.
FakeLibrary::Responder AcceptAll();

}  // namespace ombrex::test

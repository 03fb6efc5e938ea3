#pragma once

// A recorded session played back as the keyboard it was recorded from: each
// report a host sends is looked up among the reports the session sent, and
// what the keyboard sent back after it then is what comes back now. So a
// session recorded on a user's keyboard becomes a keyboard for tests.
//
// The lookup goes forward from the last report matched, then wraps around
// once: a host that repeats the session finds each answer in its place, even
// when the same request got different answers at different times (a status
// read before and after a write).

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "device/protocol.h"
#include "vkbd/trace_file.h"

namespace ombrex::vkbd {

class Replay {
 public:
  explicit Replay(std::vector<TracedReport> session);

  // The reports received after `report` was sent to `to`, in order (none is
  // an answer too: the keyboard said nothing); nullopt when the session never
  // sent it.
  std::optional<std::vector<TracedReport>> Answer(protocol::Interface to,
                                                  std::span<const std::uint8_t> report);

  std::size_t Requests() const { return requests_; }

 private:
  std::optional<std::size_t> Find(protocol::Interface to, std::span<const std::uint8_t> report,
                                  std::size_t from, std::size_t end) const;

  std::vector<TracedReport> session_;
  std::size_t next_ = 0;
  std::size_t requests_ = 0;  // reports sent in the session
};

}  // namespace ombrex::vkbd

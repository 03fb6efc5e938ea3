#include "vkbd/replay.h"

#include <algorithm>
#include <utility>

namespace ombrex::vkbd {

using session_record::Direction;

Replay::Replay(std::vector<TracedReport> session) : session_(std::move(session)) {
  requests_ =
      static_cast<std::size_t>(std::count_if(session_.begin(), session_.end(), [](const auto& r) {
        return r.direction == Direction::Out;
      }));
}

std::optional<std::size_t> Replay::Find(protocol::Interface to,
                                        std::span<const std::uint8_t> report, std::size_t from,
                                        std::size_t end) const {
  for (std::size_t i = from; i < end; ++i) {
    const TracedReport& sent = session_[i];
    if (sent.direction == Direction::Out && sent.hidInterface == to &&
        std::equal(sent.report.begin(), sent.report.end(), report.begin(), report.end())) {
      return i;
    }
  }
  return std::nullopt;
}

std::optional<std::vector<TracedReport>> Replay::Answer(protocol::Interface to,
                                                        std::span<const std::uint8_t> report) {
  auto found = Find(to, report, next_, session_.size());
  if (!found) found = Find(to, report, 0, next_);
  if (!found) return std::nullopt;
  std::vector<TracedReport> answers;
  std::size_t i = *found + 1;
  for (; i < session_.size() && session_[i].direction == Direction::In; ++i) {
    answers.push_back(session_[i]);
  }
  next_ = *found + 1;
  return answers;
}

}  // namespace ombrex::vkbd

#include "vkbd/service.h"

#include <string>

namespace ombrex::vkbd {

namespace {

using vkbd_wire::Memory;
using vkbd_wire::Role;
using vkbd_wire::Type;

template <typename Bytes>
std::vector<std::uint8_t> ToVector(const Bytes& bytes) {
  return std::vector<std::uint8_t>(std::begin(bytes), std::end(bytes));
}

std::vector<std::uint8_t> U32Payload(std::uint32_t value) {
  std::vector<std::uint8_t> out;
  vkbd_wire::PutU32(out, value);
  return out;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> DumpMemory(const Memories& memories, Memory memory,
                                                    std::uint8_t profile) {
  switch (memory) {
    case Memory::Status:
      return ToVector(memories.status);
    case Memory::Settings:
      return ToVector(memories.settings);
    case Memory::KeyTable: {
      if (profile >= protocol::kProfileCount) return std::nullopt;
      const auto first = memories.keyTables.begin() + profile * protocol::kKeyTableSize;
      return std::vector<std::uint8_t>(first, first + protocol::kKeyTableSize);
    }
    case Memory::Macro:
      return memories.macro;
    case Memory::Colours:
      return ToVector(memories.keyColours);
    case Memory::DefaultKeyTable:
      return ToVector(memories.defaultKeyTable);
    case Memory::BankLed:
      return ToVector(memories.bankLed);
  }
  return std::nullopt;
}

Service::Service(Keyboard& keyboard, FrameSink& sink, ServiceOptions options)
    : keyboard_(keyboard),
      sink_(sink),
      options_(std::move(options)),
      faults_(options_.faults),
      plugged_(options_.startPlugged) {
  // The host marks the end of every transfer: the moment its changes are
  // complete and worth keeping.
  if (!options_.stateFile.empty()) keyboard_.SetCommitHook([this] { Persist(); });
}

Service::~Service() {
  keyboard_.SetCommitHook({});
}

void Service::Connect(ClientId client) {
  clients_.emplace(client, Role::Control);
}

void Service::Disconnect(ClientId client) {
  clients_.erase(client);
}

void Service::Receive(ClientId client, const vkbd_wire::Frame& frame, SteadyClock::time_point now) {
  const std::span<const std::uint8_t> payload = frame.payload;
  switch (frame.type) {
    case Type::Hello:
      OnHello(client, payload);
      break;
    case Type::GetDeviceCount:
      Reply(client, Type::Count, U32Payload(plugged_ ? 1 : 0));
      break;
    case Type::WriteReport:
      OnWriteReport(client, payload, now);
      break;
    case Type::Plug:
    case Type::Unplug:
      SetPlugged(frame.type == Type::Plug);
      ReplyAck(client, true);
      break;
    case Type::Event:
      OnEvent(client, payload);
      break;
    case Type::Reset:
      keyboard_.Reset();
      Persist();
      ReplyAck(client, true);
      break;
    case Type::Dump:
      OnDump(client, payload);
      break;
    case Type::Shutdown:
      shutdown_ = true;
      ReplyAck(client, true);
      break;
    default:
      // Replies, pushes and unknown types are no requests; still exactly one
      // answer, so the client's request/reply pairing holds.
      ReplyAck(client, false);
      break;
  }
  RunDue(now);
}

void Service::RunDue(SteadyClock::time_point now) {
  while (!delayed_.empty() && delayed_.begin()->first <= now) {
    const std::vector<std::uint8_t> frame = std::move(delayed_.begin()->second);
    delayed_.erase(delayed_.begin());
    for (const auto& [client, role] : clients_) {
      if (role == Role::Library) sink_.Send(client, frame);
    }
  }
}

std::optional<SteadyClock::time_point> Service::NextDue() const {
  if (delayed_.empty()) return std::nullopt;
  return delayed_.begin()->first;
}

void Service::Reply(ClientId client, Type type, std::span<const std::uint8_t> payload) {
  sink_.Send(client, vkbd_wire::Encode(type, payload));
}

void Service::ReplyAck(ClientId client, bool done) {
  Reply(client, Type::Ack, U32Payload(done ? 1 : 0));
}

void Service::ReplyWritten(ClientId client, std::int32_t written) {
  Reply(client, Type::Written, U32Payload(static_cast<std::uint32_t>(written)));
}

void Service::PushToLibraries(Type type, std::span<const std::uint8_t> payload) {
  const std::vector<std::uint8_t> frame = vkbd_wire::Encode(type, payload);
  for (const auto& [client, role] : clients_) {
    if (role == Role::Library) sink_.Send(client, frame);
  }
}

void Service::PushInputReport(protocol::Interface from, std::span<const std::uint8_t> report) {
  std::vector<std::uint8_t> payload;
  vkbd_wire::PutU16(payload, from.usagePage);
  vkbd_wire::PutU16(payload, from.usage);
  payload.insert(payload.end(), report.begin(), report.end());
  PushToLibraries(Type::InputReport, payload);
}

void Service::OnHello(ClientId client, std::span<const std::uint8_t> payload) {
  const bool known = payload.size() >= 1 && payload[0] <= std::uint8_t(Role::Control);
  if (known) clients_[client] = static_cast<Role>(payload[0]);
  ReplyAck(client, known);
}

void Service::OnWriteReport(ClientId client, std::span<const std::uint8_t> payload,
                            SteadyClock::time_point now) {
  if (payload.size() < 4) {
    ReplyWritten(client, -1);
    return;
  }
  const protocol::Interface to{vkbd_wire::GetU16(payload, 0), vkbd_wire::GetU16(payload, 2)};
  const std::span<const std::uint8_t> report = payload.subspan(4);
  if (!plugged_) {
    ReplyWritten(client, 0);
  } else if (options_.replay != nullptr) {
    OnReplayedReport(client, to, report, now);
  } else if (to == protocol::kControl && report.size() == protocol::kPacketSize) {
    OnControlPacket(client, report, now);
  } else if (to == protocol::kBankLed && !report.empty()) {
    keyboard_.WriteBankLed(report);
    ReplyWritten(client, static_cast<std::int32_t>(report.size()));
  } else {
    // No such output report on this keyboard (the consumer interface only
    // sends; control reports are always 64 bytes).
    ReplyWritten(client, -1);
  }
}

void Service::OnControlPacket(ClientId client, std::span<const std::uint8_t> packet,
                              SteadyClock::time_point now) {
  if (options_.trace != nullptr && !options_.trace->Write(packet)) {
    Log("cannot write the packet trace");
  }
  Packet reply = keyboard_.HandleCommand(packet, faults_.LosesWrite(packet));
  const FaultPlan::Action fate = faults_.Next(reply);
  ReplyWritten(client, static_cast<std::int32_t>(packet.size()));
  if (faults_.ShouldUnplugNow()) {
    // Gone before it could answer this packet.
    SetPlugged(false);
    return;
  }
  if (fate == FaultPlan::Action::Drop) return;
  std::vector<std::uint8_t> payload;
  vkbd_wire::PutU16(payload, protocol::kControl.usagePage);
  vkbd_wire::PutU16(payload, protocol::kControl.usage);
  payload.insert(payload.end(), reply.begin(), reply.end());
  const auto due = now + std::chrono::milliseconds(options_.faults.latencyMs);
  delayed_.emplace(due, vkbd_wire::Encode(Type::InputReport, payload));
}

void Service::OnReplayedReport(ClientId client, protocol::Interface to,
                               std::span<const std::uint8_t> report, SteadyClock::time_point now) {
  if (to == protocol::kControl && options_.trace != nullptr && !options_.trace->Write(report)) {
    Log("cannot write the packet trace");
  }
  const auto answers = options_.replay->Answer(to, report);
  if (!answers) {
    // The session never sent it: as a keyboard that took the report and
    // said nothing, which the host then handles as it would a lost reply.
    Log("no recorded answer to " + TraceLine(report));
    ReplyWritten(client, static_cast<std::int32_t>(report.size()));
    return;
  }
  ReplyWritten(client, static_cast<std::int32_t>(report.size()));
  const auto due = now + std::chrono::milliseconds(options_.faults.latencyMs);
  for (const TracedReport& answer : *answers) {
    std::vector<std::uint8_t> payload;
    vkbd_wire::PutU16(payload, answer.hidInterface.usagePage);
    vkbd_wire::PutU16(payload, answer.hidInterface.usage);
    payload.insert(payload.end(), answer.report.begin(), answer.report.end());
    delayed_.emplace(due, vkbd_wire::Encode(Type::InputReport, payload));
  }
}

void Service::OnEvent(ClientId client, std::span<const std::uint8_t> payload) {
  if (payload.size() < 2 || !plugged_) {
    ReplyAck(client, false);
    return;
  }
  const std::uint16_t code = vkbd_wire::GetU16(payload, 0);
  const std::array<std::uint8_t, 2> report = keyboard_.RaiseEvent(code);
  if (code == protocol::kEventProfileChanged || code == protocol::kEventReset) Persist();
  PushInputReport(protocol::kConsumer, report);
  ReplyAck(client, true);
}

void Service::OnDump(ClientId client, std::span<const std::uint8_t> payload) {
  const auto memory = payload.empty()
                          ? std::nullopt
                          : DumpMemory(keyboard_.Snapshot(), static_cast<Memory>(payload[0]),
                                       payload.size() >= 2 ? payload[1] : 0);
  if (memory) {
    Reply(client, Type::Data, *memory);
  } else {
    ReplyAck(client, false);
  }
}

void Service::SetPlugged(bool plugged) {
  if (plugged == plugged_) return;
  plugged_ = plugged;
  // Replies still on their way are lost with the keyboard.
  if (!plugged) delayed_.clear();
  PushToLibraries(Type::DeviceCount, U32Payload(plugged ? 1 : 0));
}

void Service::Persist() {
  if (options_.stateFile.empty()) return;
  if (!keyboard_.SaveState(options_.stateFile)) {
    Log("cannot write the state file " + options_.stateFile.string());
  }
}

void Service::Log(std::string_view message) const {
  if (options_.log) options_.log(message);
}

}  // namespace ombrex::vkbd

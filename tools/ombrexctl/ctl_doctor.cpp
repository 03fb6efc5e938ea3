#include "tools/ombrexctl/ctl_doctor.h"

#include <cerrno>
#include <cstdlib>
#include <map>
#include <optional>
#include <sstream>

#include "device/protocol.h"
#include "device/transactor.h"
#include "device/vkbd_wire.h"
#include "tools/ombrexctl/keyboard_session.h"

#ifdef OMBREX_HAVE_HIDAPI
#include <hidapi.h>
#endif

namespace ombrex::ctl {

namespace {

std::string Hex4(unsigned value) {
  static const char* kDigits = "0123456789ABCDEF";
  std::string text = "0x0000";
  for (int i = 5; i >= 2; --i, value >>= 4) text[i] = kDigits[value & 0xF];
  return text;
}

struct Node {
  std::vector<std::string> collections;
  bool used = false;  // carries one of the program's interfaces
};

void AddCollection(Node& node, unsigned short usagePage, unsigned short usage) {
  const protocol::Interface found{usagePage, usage};
  const char* name = found == protocol::kControl    ? "command packets"
                     : found == protocol::kConsumer ? "keyboard events"
                     : found == protocol::kBankLed  ? "G-key bank light"
                                                    : nullptr;
  node.used = node.used || name != nullptr;
  node.collections.push_back(name != nullptr ? name : Hex4(usagePage) + "/" + Hex4(usage));
}

// The virtual and model keyboards are reached through the service library
// itself: whether it counts a keyboard is the whole question.
int CheckThroughTheLibrary(std::ostream& out, const std::string& where, const std::string& fix) {
  out << where << "\n";
  std::ostringstream why;
  int exitCode = kExitOk;
  auto session = KeyboardSession::Open(why, exitCode, LinkTiming{}.keyboardPatience);
  if (session) {
    out << "keyboard: attached and answering\n";
    return kExitOk;
  }
  std::string reason = why.str();
  if (reason.rfind("ombrexctl: ", 0) == 0) reason.erase(0, 11);
  while (!reason.empty() && reason.back() == '\n') reason.pop_back();
  out << "keyboard: none: " << reason << "\nfix: " << fix << "\n";
  return kExitRefused;
}

int CheckRealKeyboard(std::ostream& out) {
  const std::vector<std::string> rules = InstalledRules();
  const bool ruleInstalled = !rules.empty();
#ifdef OMBREX_HAVE_HIDAPI
  // hidapi lists one entry per collection; a node is one path.
  std::map<std::string, Node> nodes;
  if (hid_init() == 0) {
    hid_device_info* list = hid_enumerate(protocol::kVendorId, protocol::kProductId);
    for (hid_device_info* entry = list; entry != nullptr; entry = entry->next) {
      AddCollection(nodes[entry->path], entry->usage_page, entry->usage);
    }
    hid_free_enumeration(list);
  }
#else
  std::map<std::string, Node> nodes;
  out << "this build has no HID support (hidapi was not found when it was built)\n";
#endif
  const bool hasRules = !RuleFolders().empty();
  if (hasRules && rules.empty()) {
    out << "udev rule: not installed (looked in";
    for (const std::string& folder : RuleFolders()) out << " " << folder;
    out << ")\n";
  }
  for (const std::string& rule : rules) out << "udev rule: " << rule << "\n";

  if (nodes.empty()) {
    out << "keyboard: no Ombrex keyboard (0c45:5004) is attached\n"
        << "fix: plug the keyboard in"
        << (ruleInstalled || !hasRules
                ? ""
                : ", after installing the udev rule: " + InstallRuleCommand())
        << "\n";
    return kExitRefused;
  }
  std::optional<Refusal> first;
  for (const auto& [path, node] : nodes) {
    out << path << ":";
    for (std::size_t i = 0; i < node.collections.size(); ++i) {
      out << (i ? ", " : " ") << node.collections[i];
    }
    out << "\n";
    if (!node.used) {
      out << "  not used by the program\n";
      continue;
    }
#ifdef OMBREX_HAVE_HIDAPI
    errno = 0;
    if (hid_device* device = hid_open_path(path.c_str())) {
      hid_close(device);
      out << "  opens: yes\n";
      continue;
    }
    const int error = errno;
    const Refusal refusal = ExplainRefusal(path, error, ruleInstalled);
    out << "  opens: no, " << refusal.reason << "\n";
    if (!first) first = refusal;
#endif
  }
  if (!first) {
    out << "keyboard: usable\n";
    return kExitOk;
  }
  out << "keyboard: not usable\nfix: " << first->fix << "\n";
  return kExitRefused;
}

}  // namespace

int Doctor(std::ostream& out) {
  const char* chosen = std::getenv("RAZIZID_BACKEND");
  const std::string backend = chosen != nullptr ? chosen : "";
  if (backend == "virtual") {
    const std::string socket = vkbd_wire::DefaultSocketPath();
    return CheckThroughTheLibrary(out, "backend: the virtual keyboard daemon at " + socket,
                                  "ombrex-vkbd serve --socket " + socket +
                                      " (or ombrex-vkbd plug --socket " + socket +
                                      " when it runs with the keyboard unplugged)");
  }
  if (backend == "model") {
    return CheckThroughTheLibrary(out,
                                  "backend: the keyboard model in the service library's module "
                                  "(RazIzidModel beside the library)",
                                  "reinstall the program: its keyboard model module is missing");
  }
  if (!backend.empty() && backend != "hid") {
    out << "backend: \"" << backend << "\" is unknown\nfix: unset RAZIZID_BACKEND\n";
    return kExitRefused;
  }
  out << "backend: hid (real keyboards)\n";
  return CheckRealKeyboard(out);
}

}  // namespace ombrex::ctl

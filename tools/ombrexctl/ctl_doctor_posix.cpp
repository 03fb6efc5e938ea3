#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/paths.h"
#include "tools/ombrexctl/ctl_doctor.h"

namespace ombrex::ctl {

namespace {

constexpr const char* kRuleName = "70-ombrex.rules";
constexpr const char* kRuleLine =
    "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"0c45\", ATTRS{idProduct}==\"5004\", "
    "TAG+=\"uaccess\"";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// A rule line, not a comment, that names the keyboard's vendor and product.
bool NamesTheKeyboard(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    const std::string text = Lower(line);
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos || text[first] == '#') continue;
    if (text.find("0c45") != std::string::npos && text.find("5004") != std::string::npos) {
      return true;
    }
  }
  return false;
}

// Processes of this user that hold the node open (others' are not visible).
std::vector<std::string> Holders(const std::string& node) {
  std::vector<std::string> holders;
  std::error_code error;
  for (const auto& process : std::filesystem::directory_iterator("/proc", error)) {
    const std::string pid = process.path().filename();
    if (pid.empty() || !std::isdigit(static_cast<unsigned char>(pid[0]))) continue;
    std::error_code inner;
    for (const auto& fd : std::filesystem::directory_iterator(process.path() / "fd", inner)) {
      std::error_code link;
      if (std::filesystem::read_symlink(fd.path(), link) != node) continue;
      std::ifstream comm(process.path() / "comm");
      std::string name;
      std::getline(comm, name);
      holders.push_back(name + " (pid " + pid + ")");
      break;
    }
  }
  return holders;
}

bool OverSsh() {
  for (const char* name : {"SSH_CONNECTION", "SSH_CLIENT", "SSH_TTY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

std::string UserName() {
  const char* user = std::getenv("USER");
  return user != nullptr && *user != '\0' ? user : "$USER";
}

}  // namespace

std::vector<std::string> RuleFolders() {
  if (const char* folders = std::getenv("OMBREX_UDEV_RULES_DIRS")) {
    std::vector<std::string> list;
    std::stringstream in{std::string(folders)};
    std::string folder;
    while (std::getline(in, folder, ':')) {
      if (!folder.empty()) list.push_back(folder);
    }
    return list;
  }
  // udev's own order: a file in an earlier folder hides one of the same name
  // in a later one.
  return {"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/local/lib/udev/rules.d",
          "/usr/lib/udev/rules.d", "/lib/udev/rules.d"};
}

std::vector<std::string> InstalledRules() {
  std::vector<std::string> found;
  for (const std::string& folder : RuleFolders()) {
    std::error_code error;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
      if (entry.path().extension() == ".rules") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
      if (NamesTheKeyboard(file)) found.push_back(file.string());
    }
  }
  return found;
}

std::string InstallRuleCommand() {
  const std::filesystem::path shipped = ServiceFolder() / kRuleName;
  std::error_code error;
  const std::string install =
      std::filesystem::exists(shipped, error)
          ? "sudo cp " + shipped.string() + " /etc/udev/rules.d/"
          : std::string("echo '") + kRuleLine + "' | sudo tee /etc/udev/rules.d/" + kRuleName;
  return install + " && sudo udevadm control --reload && sudo udevadm trigger";
}

Refusal ExplainRefusal(const std::string& node, int error, bool ruleInstalled) {
  if (error == EACCES || error == EPERM) {
    if (!ruleInstalled) {
      return {"permission denied: no udev rule gives this user the keyboard", InstallRuleCommand()};
    }
    const std::string grant =
        "sudo setfacl -m u:" + UserName() + ":rw " + node + " (until the keyboard is unplugged)";
    if (OverSsh()) {
      return {
          "permission denied: the udev rule gives the keyboard to the user at the "
          "machine's active local seat (uaccess), and this is an SSH session",
          "run the program from the desktop session at the machine, or " + grant};
    }
    if (std::getenv("XDG_SESSION_ID") == nullptr) {
      return {
          "permission denied: the udev rule gives the keyboard to the user at the "
          "machine's active local seat (uaccess), and this process has no login session",
          "run the program from the desktop session at the machine, or " + grant};
    }
    return {
        "permission denied: the udev rule has not been applied to this node (installed "
        "after the keyboard was plugged in, or the session is not the active one)",
        "sudo udevadm trigger --subsystem-match=hidraw, or replug the keyboard"};
  }
  if (error == EBUSY) {
    const std::vector<std::string> holders = Holders(node);
    std::string names;
    for (const std::string& holder : holders) names += (names.empty() ? "" : ", ") + holder;
    return {"another process holds it" + (names.empty() ? std::string() : ": " + names),
            names.empty() ? "close the other keyboard tools" : "close " + names};
  }
  if (error == ENOENT || error == ENODEV) {
    return {"it went away while being looked at", "plug the keyboard in again"};
  }
  return {std::strerror(error), "replug the keyboard; if it stays, report this line"};
}

}  // namespace ombrex::ctl

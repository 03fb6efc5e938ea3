#include "tests/e2e/xvfb/x_session.h"

#include <signal.h>

#include <QGuiApplication>
#include <QScreen>
#include <QSystemTrayIcon>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace ombrex::e2e {

namespace {

using namespace std::chrono_literals;

Finished Tool(const char* name, const std::vector<std::string>& args) {
  static test::TempDir scratch;
  return RunToEnd(OnPath(name).string(), args, scratch.path(), 20s);
}

std::vector<WindowId> Ids(const std::string& text) {
  std::vector<WindowId> ids;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty()) ids.push_back(std::stoul(line, nullptr, 0));
  }
  return ids;
}

}  // namespace

std::unique_ptr<XServer> XServer::Start() {
  auto server = std::make_unique<XServer>();
  const std::filesystem::path xvfb = OnPath("Xvfb");
  if (xvfb.empty()) return nullptr;
  server->xvfb_ =
      std::make_unique<Process>(xvfb.string(),
                                std::vector<std::string>{"-displayfd", "1", "-screen", "0",
                                                         "1280x800x24", "-nolisten", "tcp", "-br"},
                                server->dir_.path());
  // Xvfb says which display it took once it accepts clients.
  if (!server->xvfb_->WaitForOutput("\n", 20s)) return nullptr;
  std::string number = server->xvfb_->Out();
  number.erase(number.find('\n'));
  server->display_ = ":" + number;
  return server;
}

XServer::~XServer() {
  if (xvfb_) {
    xvfb_->Signal(SIGTERM);
    xvfb_->WaitForExit();
  }
}

TrayHost::TrayHost(const std::filesystem::path& workDir) {
  const std::filesystem::path trayer = OnPath("trayer");
  if (trayer.empty()) return;
  process_ = std::make_unique<Process>(
      trayer.string(),
      std::vector<std::string>{"--edge", "top", "--align", "right", "--width", "10", "--height",
                               "24", "--transparent", "false", "--tint", "0x336699"},
      workDir);
}

TrayHost::~TrayHost() {
  Stop();
}

bool TrayHost::Ready() {
  const bool ready =
      process_ != nullptr && Eventually([] { return QSystemTrayIcon::isSystemTrayAvailable(); });
  if (!ready && process_) {
    std::fprintf(stderr, "trayer: %s%s (platform %s, DISPLAY %s)\n", process_->Out().c_str(),
                 process_->Err().c_str(), qPrintable(QGuiApplication::platformName()),
                 std::getenv("DISPLAY"));
  }
  return ready;
}

void TrayHost::Stop() {
  if (!process_) return;
  process_->Signal(SIGTERM);
  process_->WaitForExit();
  process_.reset();
}

bool Eventually(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    // The test's own Qt connection hears of trays coming and going.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

std::vector<WindowId> WindowsOf(pid_t pid, bool visibleOnly, const std::string& name) {
  // Every condition must hold (xdotool's default is any of them).
  std::vector<std::string> args{"search", "--all"};
  if (visibleOnly) args.push_back("--onlyvisible");
  args.insert(args.end(), {"--pid", std::to_string(pid)});
  if (!name.empty()) args.insert(args.end(), {"--name", name});
  return Ids(Tool("xdotool", args).out);
}

std::string Property(WindowId window, const std::string& name) {
  const Finished xprop = Tool("xprop", {"-id", std::to_string(window), name});
  const std::size_t equals = xprop.out.find(" = ");
  if (xprop.exitCode != 0 || equals == std::string::npos) return {};
  std::string value = xprop.out.substr(equals + 3);
  while (!value.empty() && value.back() == '\n') value.pop_back();
  return value;
}

std::optional<QRect> Geometry(WindowId window) {
  const Finished info = Tool("xwininfo", {"-id", std::to_string(window)});
  if (info.exitCode != 0) return std::nullopt;
  auto value = [&](const std::string& label) {
    const std::size_t at = info.out.find(label);
    return at == std::string::npos ? 0 : std::stoi(info.out.substr(at + label.size()));
  };
  return QRect(value("Absolute upper-left X:"), value("Absolute upper-left Y:"), value("Width:"),
               value("Height:"));
}

std::set<WindowId> TrayChildren(pid_t trayHost) {
  std::set<WindowId> children;
  for (WindowId window : WindowsOf(trayHost, false)) {
    const Finished tree = Tool("xwininfo", {"-tree", "-id", std::to_string(window)});
    std::istringstream lines(tree.out);
    std::string line;
    while (std::getline(lines, line)) {
      const std::size_t at = line.find("0x");
      if (at == std::string::npos || line.find("Window id") != std::string::npos) continue;
      children.insert(std::stoul(line.substr(at), nullptr, 16));
    }
  }
  return children;
}

std::optional<WindowId> DockedIcon(pid_t program, pid_t trayHost) {
  const std::set<WindowId> docked = TrayChildren(trayHost);
  for (WindowId window : WindowsOf(program, false)) {
    if (docked.count(window) != 0) return window;
  }
  return std::nullopt;
}

QImage Grab(WindowId window) {
  return QGuiApplication::primaryScreen()->grabWindow(window).toImage();
}

bool XdoTool(const std::vector<std::string>& args) {
  return Tool("xdotool", args).exitCode == 0;
}

// xdotool's --sync waits for the pointer to move: it must not be there yet.
bool PointAt(QPoint point) {
  return XdoTool({"mousemove", "--sync", std::to_string(point.x() == 0 ? 1 : 0), "0"}) &&
         XdoTool({"mousemove", "--sync", std::to_string(point.x()), std::to_string(point.y())});
}

bool PointAt(WindowId window) {
  const std::optional<QRect> place = Geometry(window);
  return place && PointAt(place->center());
}

}  // namespace ombrex::e2e

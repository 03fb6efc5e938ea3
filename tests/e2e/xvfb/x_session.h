#pragma once

// An X session for tests: a private Xvfb, the trayer tray host, and what a
// test asks of the screen through xdotool and xwininfo (windows by process,
// their places, the tray's children) or Qt (their pixels).

#include <sys/types.h>

#include <QImage>
#include <QRect>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "tests/support/processes.h"
#include "tests/support/temp_dir.h"

namespace ombrex::e2e {

using WindowId = unsigned long;

class XServer {
 public:
  // A fresh Xvfb on a free display with a black root; nullptr when it
  // cannot start.
  static std::unique_ptr<XServer> Start();
  XServer() = default;
  ~XServer();
  const std::string& Display() const { return display_; }

 private:
  test::TempDir dir_;
  std::unique_ptr<Process> xvfb_;
  std::string display_;
};

// Debian's trayer as the tray host.
class TrayHost {
 public:
  explicit TrayHost(const std::filesystem::path& workDir);
  ~TrayHost();
  // Until the tray's selection is owned (false when trayer did not start).
  bool Ready();
  void Stop();
  pid_t Pid() const { return process_ ? process_->Pid() : -1; }

 private:
  std::unique_ptr<Process> process_;
};

// Until `done` holds; a limit only against a hang.
bool Eventually(const std::function<bool()>& done,
                std::chrono::milliseconds limit = std::chrono::seconds(20));

// Windows of a process; `name` is a pattern as xdotool takes it.
std::vector<WindowId> WindowsOf(pid_t pid, bool visibleOnly, const std::string& name = "");
std::optional<QRect> Geometry(WindowId window);
// A property of a window as xprop prints it after "NAME(TYPE) = ", e.g.
// "\"ombrex\", \"Ombrex\"" for WM_CLASS; empty when it is not set.
std::string Property(WindowId window, const std::string& name);
// Every window below the tray host's windows (the icons it docked).
std::set<WindowId> TrayChildren(pid_t trayHost);
// The program's window docked in the tray, if one is.
std::optional<WindowId> DockedIcon(pid_t program, pid_t trayHost);
// The pixels of a window, or of the whole screen (window 0).
QImage Grab(WindowId window);
// xdotool with these arguments; true when it succeeded.
bool XdoTool(const std::vector<std::string>& args);
// The pointer onto a point of the screen, or the middle of a window, once it
// is there.
bool PointAt(QPoint point);
bool PointAt(WindowId window);

}  // namespace ombrex::e2e

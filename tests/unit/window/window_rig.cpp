#include "tests/unit/window/window_rig.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "widgets/qt_text.h"

namespace ombrex::test {

namespace {

using namespace std::chrono_literals;

// Watches the application for a window being shown and hands it, once its
// run has begun, to `steps` until they take one.
class ShowWatch final : public QObject {
 public:
  explicit ShowWatch(std::function<bool(QWidget&)> steps) : steps_(std::move(steps)) {
    qApp->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* window = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::Show && window != nullptr && window->isWindow() && !taken_) {
      QTimer::singleShot(0, this, [this, shown = QPointer<QWidget>(window)] {
        if (shown != nullptr && !taken_ && steps_(*shown)) taken_ = true;
      });
    }
    return false;
  }

 private:
  std::function<bool(QWidget&)> steps_;
  bool taken_ = false;
};

}  // namespace

void WindowRig::WhenWindowShown(std::function<bool(QWidget&)> steps) {
  showWatch_ = std::make_unique<ShowWatch>(std::move(steps));
}

std::filesystem::path BuiltProgramFolder() {
  const char* folder = std::getenv("OMBREX_PROGRAM_DIR");
  return folder != nullptr ? folder : ".";
}

std::filesystem::path ScreenshotFolder() {
  const char* folder = std::getenv("OMBREX_SCREENSHOT_DIR");
  if (folder != nullptr && *folder != '\0') return folder;
  return BuiltProgramFolder().parent_path() / "screenshots";
}

WindowRig::WindowRig(std::filesystem::path programFolder, bool plugged)
    : library_(keyboard_, {}, plugged), store_(OpenSettingsIn(home_.path() / "config")) {
  ApplicationConfig config;
  config.programFolder = programFolder;
  config.ownFileName = "ombrex";
  config.profileFolder = home_.path() / "Documents" / "Vantrel_09A";
  config.userDataFolder = home_.path() / "data";
  // Short: the instance socket's path must fit its 108 bytes.
  config.instanceName = "Wr" + std::to_string(::getpid()) + "_" + std::to_string(next_++);
  config.eventPrefix = config.instanceName + "_Event_";
  config.inProcessLibrary = library_.Functions();
  app_ = std::make_unique<Application>(config, *store_, errors_);
  pictures_ = std::make_unique<SkinPictures>(programFolder, qApp->devicePixelRatio());
  window_ = std::make_unique<CVantrelDlg>(*app_, *pictures_, trace_);
}

WindowRig::~WindowRig() {
  if (started_ && !app_->Exited()) app_->ExitProgram();
  window_->Link().LoopEnded();
  app_->Finish();
  window_.reset();
}

bool WindowRig::Start(const std::vector<std::string>& args) {
  if (!app_->Construct(args).proceed) return false;
  if (window_->LayOut()) return false;
  if (!app_->Initialise(*window_, window_->Link()).proceed) return false;
  window_->Attach();
  started_ = true;
  return RunUntil([&] { return app_->Run().Ready(); });
}

bool WindowRig::RunUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::yield();
  }
  return true;
}

bool WindowRig::RunUntilLine(const std::string& line, std::size_t count) {
  return RunUntil([&] { return trace_.Count(line) >= count; });
}

void WindowRig::Settle() {
  // A marker queued behind everything queued now: once it ran, so had they,
  // and whatever they queued runs in the rounds after.
  for (int round = 0; round < 3; ++round) {
    bool reached = false;
    QMetaObject::invokeMethod(
        window_.get(), [&reached] { reached = true; }, Qt::QueuedConnection);
    RunUntil([&] { return reached; });
  }
}

std::size_t WindowRig::IndexOf(const std::string& line) const {
  const auto lines = trace_.Lines();
  return std::find(lines.begin(), lines.end(), line) - lines.begin();
}

void WindowRig::SaveScreenshot(const std::string& name) {
  const QImage image = window_->GrabShaped();
  std::error_code error;
  std::filesystem::create_directories(ScreenshotFolder(), error);
  image.save(PathToQString(ScreenshotFolder() / (name + ".png")), "PNG");
}

}  // namespace ombrex::test

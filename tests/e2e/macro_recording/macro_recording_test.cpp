// A user records a macro on the macro page: Record is clicked, keys are
// typed on the X server with xdotool, and the action list holds what the
// keyboard should play, with the pauses the user really made.

#include <gtest/gtest.h>

#include <xcb/xcb.h>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <array>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <set>

#include <QGuiApplication>

#include "tests/support/editors/macro_page_stage.h"
#include "widgets/key_message_filter.h"
#include "widgets/png_button.h"

namespace ombrex {
namespace {

using namespace std::chrono_literals;

constexpr KeyCode kA = 0x01E, kB = 0x030, kC = 0x02E;

// Runs the event loop until `done` holds; the limit guards against a hang.
bool Eventually(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > limit.count()) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// xdotool with `args`. With `pumping` the window handles its events while
// xdotool runs; without, it is too busy to look until xdotool is done, and
// every key arrives late, in one burst.
bool XdoTool(const QStringList& args, bool pumping) {
  QProcess tool;
  tool.setProcessChannelMode(QProcess::ForwardedChannels);
  tool.start(QStringLiteral("xdotool"), args);
  if (!tool.waitForStarted(10'000)) {
    ADD_FAILURE() << "xdotool does not start (scripts/setup.sh installs it)";
    return false;
  }
  if (pumping) {
    Eventually([&] { return tool.state() == QProcess::NotRunning; }, 60s);
  } else {
    tool.waitForFinished(60'000);
  }
  EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(tool.exitCode(), 0) << args.join(' ').toStdString();
  return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

QString WindowId(const QWidget& window) {
  return QString::number(window.winId());
}

class MacroRecordingOnX : public ::testing::Test {
 protected:
  MacroRecordingOnX() {
    stage_.dialog.move(40, 40);
    elsewhere_.setWindowTitle(QStringLiteral("elsewhere"));
    elsewhere_.setGeometry(700, 40, 200, 40);
    elsewhere_.show();
  }

  void SetUp() override {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&elsewhere_));
  }

  void SetRealDelays(bool on) {
    if (page_.RecordsRealDelays() != on) page_.ToggleRecordDelay();
  }

  // Clicks Record as a user would: the pointer onto the button, a click.
  bool ClickRecord() {
    const bool before = page_.IsRecording();
    CPngButton& record = *static_cast<CPngButton*>(panel_->Control(macro_control::kRecord));
    QPoint target = record.mapToGlobal(record.rect().center());
    // xdotool's --sync waits for the pointer to move: it must not be there yet.
    if (QCursor::pos() == target) target += QPoint(3, 3);
    return XdoTool({"mousemove", "--sync", QString::number(target.x()), QString::number(target.y()),
                    "click", "1"},
                   true) &&
           Eventually([&] { return page_.IsRecording() != before; });
  }

  bool RowsReach(std::size_t count) {
    return Eventually([&] { return page_.Rows().size() >= count; });
  }

  SteadyClock clock_;
  test::MacroPageStage stage_{{MakeMacroRecord(1, u"m")}, clock_};
  CBaseDialog& dialog_ = stage_.dialog;
  MacroPage& page_ = stage_.page;
  std::optional<MacroPagePanel>& panel_ = stage_.panel;
  QLineEdit elsewhere_;
};

const QStringList kTwoKeys{"keydown", "a",   "sleep",   "0.3", "keyup", "a",
                           "sleep",   "0.6", "keydown", "b",   "keyup", "b"};

QStringList Typed(const QWidget& window, QStringList keys) {
  return QStringList{"windowfocus", "--sync", WindowId(window)} + keys;
}

TEST_F(MacroRecordingOnX, PausesAreTheUsersEvenWhenTheWindowLooksLate) {
  SetRealDelays(true);
  ASSERT_TRUE(ClickRecord());
  // The window does not look at its events until xdotool is done: only the
  // events' own time can tell the pauses.
  ASSERT_TRUE(XdoTool(Typed(dialog_, kTwoKeys), false));
  ASSERT_TRUE(RowsReach(4));
  const auto rows = page_.Rows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], (MacroAction{rows[0].delay, kA, 0}));
  EXPECT_EQ(rows[1], (MacroAction{rows[1].delay, kA, 1}));
  EXPECT_EQ(rows[2], (MacroAction{rows[2].delay, kB, 0}));
  EXPECT_EQ(rows[3], (MacroAction{0, kB, 1}));
  EXPECT_GE(rows[0].delay, 290u);
  EXPECT_LT(rows[0].delay, 1000u);
  EXPECT_GE(rows[1].delay, 590u);
  EXPECT_LT(rows[1].delay, 1500u);
  EXPECT_LT(rows[2].delay, 250u);

  // Stopped, keys are the dialog's again: typed into the name, not recorded.
  ASSERT_TRUE(ClickRecord());
  EXPECT_FALSE(panel_->RecordingFilter().IsRunning());
  QLineEdit& name = *static_cast<QComboBox*>(panel_->Control(macro_control::kNames))->lineEdit();
  name.setFocus();
  name.end(false);
  ASSERT_TRUE(XdoTool(Typed(dialog_, {"key", "c"}), true));
  EXPECT_TRUE(Eventually([&] { return page_.ItemName(0) == u"mc"; }));
  EXPECT_EQ(page_.Rows().size(), 4u);
}

TEST_F(MacroRecordingOnX, WithoutRealDelaysEveryPauseIsFifty) {
  SetRealDelays(false);
  ASSERT_TRUE(ClickRecord());
  ASSERT_TRUE(XdoTool(Typed(dialog_, kTwoKeys), true));
  ASSERT_TRUE(RowsReach(4));
  std::vector<std::uint32_t> delays;
  for (const MacroAction& row : page_.Rows()) delays.push_back(row.delay);
  EXPECT_EQ(delays, (std::vector<std::uint32_t>{50, 50, 50, 0}));
}

TEST_F(MacroRecordingOnX, KeysWindowsNamesByTheirOwnCodesAndMediaKeysPass) {
  ASSERT_TRUE(ClickRecord());
  // C last: once its release is in, every key before it has been seen.
  // Right Ctrl goes by its keycode (evdev 97 + 8): for the keysym xdotool
  // would hold Left Ctrl down around it.
  ASSERT_TRUE(XdoTool(Typed(dialog_, {"key", "Print", "key", "Super_L", "key", "105", "key",
                                      "KP_Enter", "key", "XF86AudioMute", "key", "c"}),
                      true));
  ASSERT_TRUE(Eventually([&] {
    return !page_.Rows().empty() && page_.Rows().back().key == kC && page_.Rows().back().state == 1;
  }));
  std::vector<std::pair<KeyCode, std::uint16_t>> keys;
  for (const MacroAction& row : page_.Rows()) keys.emplace_back(row.key, row.state);
  EXPECT_EQ(keys, (std::vector<std::pair<KeyCode, std::uint16_t>>{
                      {0x137, 0},
                      {0x137, 1},  // Print Screen: X delivers its press
                      {0x15B, 0},
                      {0x15B, 1},
                      {0x11D, 0},
                      {0x11D, 1},
                      {0x11C, 0},
                      {0x11C, 1},
                      {kC, 0},
                      {kC, 1}}))
      << "no row for the mute key";
  EXPECT_TRUE(dialog_.isVisible());
}

TEST_F(MacroRecordingOnX, KeysTypedIntoAnotherWindowAreNotRecorded) {
  ASSERT_TRUE(ClickRecord());
  ASSERT_TRUE(XdoTool(Typed(elsewhere_, {"type", "zz"}), true));
  EXPECT_TRUE(Eventually([&] { return elsewhere_.text() == QLatin1String("zz"); }));
  EXPECT_TRUE(page_.IsRecording());
  EXPECT_TRUE(page_.Rows().empty());
  // Back in the editor, the recording takes keys again.
  ASSERT_TRUE(XdoTool(Typed(dialog_, {"key", "a"}), true));
  EXPECT_TRUE(RowsReach(2));
}

// Counts the distinct presses of one key the X server delivers, ahead of any
// filter of the program (application filters run newest first).
class PressCounter : public QObject {
 public:
  explicit PressCounter(quint32 keycode) : keycode_(keycode) { qApp->installEventFilter(this); }
  ~PressCounter() override { qApp->removeEventFilter(this); }
  std::size_t Presses() const { return stamps_.size(); }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->nativeScanCode() == keycode_) stamps_.insert(key->timestamp());
    }
    return false;
  }

 private:
  quint32 keycode_;
  std::set<quint64> stamps_;
};

// Keeps both cores busy while it lives, so the window reads its events late
// and in bursts, as on a loaded desktop.
class CpuBurner {
 public:
  CpuBurner() {
    for (QProcess& burner : burners_) {
      burner.start(QStringLiteral("sh"),
                   {QStringLiteral("-c"), QStringLiteral("while :; do :; done")});
      burner.waitForStarted(10'000);
    }
  }
  ~CpuBurner() {
    for (QProcess& burner : burners_) {
      burner.kill();
      burner.waitForFinished(10'000);
    }
  }

 private:
  std::array<QProcess, 2> burners_;
};

TEST_F(MacroRecordingOnX, AKeyHeldOnABusyMachineIsOnePressAndOneRelease) {
  auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  ASSERT_NE(x11, nullptr);
  // The server repeats held keys, as a desktop does.
  const std::uint32_t repeatOn = XCB_AUTO_REPEAT_MODE_ON;
  xcb_change_keyboard_control(x11->connection(), XCB_KB_AUTO_REPEAT_MODE, &repeatOn);
  xcb_flush(x11->connection());

  SetRealDelays(true);
  ASSERT_TRUE(ClickRecord());
  EXPECT_TRUE(panel_->DetectableAutoRepeatActive()) << "Xvfb offers XKB";
  constexpr quint32 kWKeycode = 17 + 8;
  constexpr KeyCode kW = 0x011, kX = 0x02D;
  {
    const CpuBurner busy;
    const PressCounter presses(kWKeycode);
    ASSERT_TRUE(XdoTool(Typed(dialog_, {"keydown", "w"}), true));
    // The first press and a dozen of the server's repeats: each one a chance
    // for a late press to be taken for a new one.
    EXPECT_TRUE(Eventually([&] { return presses.Presses() >= 13; }));
    // X comes after W: once its release is in, every event of W has been seen.
    ASSERT_TRUE(XdoTool(Typed(dialog_, {"keyup", "w", "key", "x"}), true));
    ASSERT_TRUE(Eventually([&] {
      return !page_.Rows().empty() && page_.Rows().back().key == kX &&
             page_.Rows().back().state == 1;
    }));
  }
  ASSERT_TRUE(ClickRecord());
  std::vector<std::pair<KeyCode, std::uint16_t>> keys;
  for (const MacroAction& row : page_.Rows()) keys.emplace_back(row.key, row.state);
  EXPECT_EQ(keys,
            (std::vector<std::pair<KeyCode, std::uint16_t>>{{kW, 0}, {kW, 1}, {kX, 0}, {kX, 1}}));
  EXPECT_FALSE(panel_->DetectableAutoRepeatActive()) << "the server's choice is back";
}

}  // namespace
}  // namespace ombrex

#pragma once

// The main window: the skinned key grid, the profile and command buttons,
// the indicators, the tray icon and its menu, the about box, and the
// receiver of every message and timer device code sends the window. It
// wires its controls to the application's core and to MainWindowRules and
// draws what they decide; the rules themselves live there.
//
//   CVantrelDlg window(app, pictures, trace);   // hidden
//   if (auto problem = window.LayOut()) ...     // the skin, every control
//   app.Initialise(window, window.Link());
//   window.Attach();                            // rules, seams, texts
//   QApplication::exec();

#include <QIcon>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpressionValidator>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/editor_host.h"
#include "app/main_window_rules.h"
#include "app/main_window_view.h"
#include "app/qt_prompter.h"
#include "app/qt_window_link.h"
#include "app/window_seams.h"
#include "widgets/base_dialog.h"
#include "widgets/png_button.h"
#include "widgets/skin_pictures.h"
#include "widgets/text_menu.h"
#include "widgets/tray_icon.h"

class QUrl;

namespace ombrex {

class Application;
class CAboutDlg;
class CBusyIndicator;
class TraceLog;

namespace command {
inline constexpr int kAbout = 16;  // "&About..." of the window's menu
inline constexpr int kOpen = 32771;
inline constexpr int kTrayAbout = 32773;
inline constexpr int kExit = 32774;
inline constexpr int kImport = 32776;
inline constexpr int kExport = 32777;
}  // namespace command

// The fixed addresses of the web buttons (Link comes from the skin).
inline constexpr std::u16string_view kDefaultLinkAddress = u"https://ombrex.example.org/";
inline constexpr std::u16string_view kNetworkAddress = u"https://ombrex.example.org/community";
inline constexpr std::u16string_view kFacebookAddress = u"https://ombrex.example.org/facebook";
inline constexpr std::u16string_view kTwitterAddress = u"https://ombrex.example.org/twitter";

class CVantrelDlg final : public CBaseDialog,
                          public MainWindowView,
                          public KeyButtons,
                          public MainWindowFace,
                          public EditorWindow,
                          public WindowLinkTarget {
  Q_OBJECT

 public:
  // Opens a file or address with the desktop's handler; false when it could not.
  using Opener = std::function<bool(const QUrl& url)>;

  CVantrelDlg(Application& app, SkinPictures& pictures, TraceLog& trace);
  ~CVantrelDlg() override;

  // Places every control from the skin; the first picture that will not
  // decode, or nullopt. The window stays hidden.
  std::optional<PictureProblem> LayOut();
  // After Application::Initialise: the rules, the editors and panel seams,
  // and the language message.
  void Attach();

  QtWindowLink& Link() { return link_; }
  CTrayIcon& Tray() { return tray_; }
  QtPrompter& Prompter() { return prompter_; }
  MainWindowRules* Rules() { return rules_.get(); }
  CPngButton* Button(int controlId) const;
  QLineEdit* ColourField(int index) { return colourFields_.at(index).get(); }
  CAboutDlg* About() const { return about_.get(); }
  BCMenu& ButtonMenu() { return buttonMenu_; }
  std::u16string LinkAddress() const { return linkAddress_; }
  void SetOpener(Opener opener) { opener_ = std::move(opener); }

  // The commands of the menus and of the window's own menu.
  void RunCommand(int commandId);
  void ShowAbout();
  void CloseAbout();

  // MainWindowView.
  void ShowMainWindow() override;
  void HideMainWindow() override;
  void CreateTrayIcon() override;
  void RemoveTrayIcon() override;
  void CloseDialogs() override;
  void CloseEditors() override;
  void RefreshAfterDeviceChange() override;
  void RefreshGKeyStates() override;
  void EndMainLoop() override;
  ombrex::Prompter& Prompts() override { return prompter_; }
  KeyButtons& Buttons() override { return *this; }
  TraceLog& Trace() override { return trace_; }
  bool HasPendingChanges() const override;
  void SetPendingChanges(bool pending) override;
  void ApplyChanges() override;
  bool EditorOpen() const override;
  void ShowProfileMenu(const ProfileMenu& menu) override;

  // KeyButtons.
  void SetAssigned(int button, bool assigned) override;
  void SetUnavailable(int button, bool unavailable) override;
  void SetTooltip(int button, std::u16string_view text) override;
  void SetColourFrame(int button, std::optional<Rgb> colour) override;
  void ApplyFlip() override;

  // MainWindowFace.
  void ShowProfileButtons(std::optional<ProfileNumber> pressed) override;
  void ShowFlip(const FlipLayout& layout) override;
  void SetControlText(const WindowText& text, std::u16string_view value) override;
  void FocusReportRate() override;

  // EditorWindow.
  void HighlightKey(int button, bool on) override;
  void OpenHelp() override;

  // WindowLinkTarget.
  void OnWindowMessage(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam,
                       bool posted, HandOverReply reply) override;
  void OnTimer(int id) override;
  void OnHideMainWindow() override;
  void OnBankIndicator(bool bankB) override;
  void OnGKeyCaptions(const GKeyCaptionTexts& captions) override;
  void OnShowMessage(std::u16string_view text) override;
  void OnTrayPicture(int kind, int picture) override;

 signals:
  // The ready point was reached; the keyboard's contents were shown.
  void readyPointReached();
  void keyboardRead();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  CPngButton& AddButton(int controlId, std::u16string_view key, const ButtonPictures& faces);
  void PlaceKeys(const ButtonPictures& faces);
  void PlaceCommands(const ButtonPictures& faces);
  void PlaceArrows(const FlipLayout& layout);
  void Wire();
  void OnClicked(int controlId);
  void OnLanguage(int languageIndex);
  void ApplyStacking(int flip);
  // The web address a link button opens.
  std::u16string_view AddressOf(int controlId) const;
  bool Open(const QString& address);
  bool OpenFile(const std::filesystem::path& file);
  QIcon Icon(const char* name) const;
  CPngButton* KeyButton(int button) const;

  Application& app_;
  TraceLog& trace_;
  QtWindowLink link_;
  QtPrompter prompter_;
  CTrayIcon tray_;
  BCMenu buttonMenu_;
  BCMenu windowMenu_;
  Opener opener_;
  std::unique_ptr<MainWindowRules> rules_;
  std::unique_ptr<EditorHost> editors_;
  std::unique_ptr<LightingPanelWidgets> panelWidgets_;
  std::unique_ptr<CAboutDlg> about_;
  std::unique_ptr<CBusyIndicator> busy_;

  std::vector<std::unique_ptr<CPngButton>> buttons_;
  std::map<int, CPngButton*> byControl_;
  QRegularExpressionValidator digits_;
  std::vector<std::unique_ptr<QLineEdit>> colourFields_;
  QPixmap arrow_;
  QIcon appIcon_;
  std::u16string linkAddress_;
  bool placed_ = false;
  bool pending_ = false;
  bool readyNoted_ = false;
  bool awaitingDraw_ = false;  // shown, not yet drawn
};

}  // namespace ombrex

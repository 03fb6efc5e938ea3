#include "tools/preview/editor_stage.h"

#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <variant>

#include "device/device_link.h"
#include "device/service_library.h"
#include "widgets/qt_text.h"

namespace ombrex::preview {
namespace {

// A program folder whose language choice file names `languageIndex`: the
// language files are the real ones, the choice file a copy with that choice.
std::filesystem::path LanguageFolder(const std::filesystem::path& programFolder, int languageIndex,
                                     const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder / "Skins");
  for (const char* file : {"Lang0409.ini", "Lang0804.ini"}) {
    std::error_code ignored;
    std::filesystem::create_symlink(programFolder / file, folder / file, ignored);
  }
  QFile real(PathToQString(programFolder / "Skins" / "language.ini"));
  QString choice;
  if (real.open(QIODevice::ReadOnly)) {
    const QByteArray bytes = real.readAll();
    // The built file is UTF-16LE with its byte-order mark.
    choice = bytes.startsWith("\xFF\xFE")
                 ? QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                                      (bytes.size() - 2) / 2)
                 : QString::fromUtf8(bytes);
  }
  choice.replace(
      QRegularExpression(QStringLiteral("^language=.*$"), QRegularExpression::MultilineOption),
      QStringLiteral("language=%1").arg(languageIndex == 1 ? 1 : 0));
  QFile copy(PathToQString(folder / "Skins" / "language.ini"));
  if (copy.open(QIODevice::WriteOnly | QIODevice::Truncate)) copy.write(choice.toUtf8());
  return folder;
}

}  // namespace

EditorStage::EditorStage(const std::filesystem::path& programFolder, int languageIndex)
    : library_(keyboard_) {
  const std::filesystem::path root = folder_.path().toStdString();
  store_ = OpenSettingsIn(root / "config");
  texts_ = std::make_unique<Texts>(LanguageFolder(programFolder, languageIndex, root / "program"),
                                   *store_, 0x0409);
  ServiceLibraryResult bound = BindServiceLibrary(library_.Functions());
  link_ = std::make_unique<DeviceLink>(std::get<ServiceLibrary>(std::move(bound)), state_);
  link_->RegisterReplyRead();
  // Where a user's profile file lives, for the lists that show it; the
  // preview never writes there.
  const std::filesystem::path profiles = "/home/user/Documents/Vantrel_09A";
  settings_ = std::make_unique<AppSettings>(*store_, *texts_, profiles);
  workspace_ = std::make_unique<Workspace>(profiles);
  workspace_->CreateDefaultImage({}, 0, true);
  sync_ = std::make_unique<KeyboardSync>(*workspace_, link_->Commands(), *texts_, prompter_);
  grid_ = std::make_unique<KeyGrid>(*workspace_, *texts_, window_, window_);
  switcher_ =
      std::make_unique<ProfileSwitcher>(*workspace_, link_->Commands(), *sync_, *grid_, *texts_,
                                        prompter_, window_, run_, [] { return 0; });
  manager_ = std::make_unique<ProfileManager>(*switcher_, *workspace_, link_->Commands(),
                                              *settings_, *texts_, prompter_);
  editor_ = std::make_unique<KeyAssignmentEditor>(KeyEditorParts{
      .workspace = *workspace_,
      .grid = *grid_,
      .settings = *settings_,
      .state = state_,
      .texts = *texts_,
      .prompter = prompter_,
      .changes = window_,
      .clock = clock_,
      .bank = [] { return 0; },
  });
}

EditorStage::~EditorStage() {
  editor_.reset();
  manager_.reset();
  switcher_.reset();
  link_.reset();
}

}  // namespace ombrex::preview

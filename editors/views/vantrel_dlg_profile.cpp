#include "editors/views/vantrel_dlg_profile.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QTableWidgetItem>
#include <iterator>

#include "editors/profile_manager.h"
#include "resources/texts.h"
#include "widgets/qt_text.h"
#include "widgets/report_ctrl.h"
#include "widgets/skin_pictures.h"
#include "widgets/skin_style.h"

namespace ombrex {

namespace control = profile_control;

namespace {

struct ColumnText {
  std::u16string_view key;
  std::u16string_view templateCaption;
  int width;
};
// The template's captions are Chinese; the language choice file gives each
// language its own.
constexpr ColumnText kColumns[] = {
    {u"PROFILE_COLUMN_ACTIVE", u"激活", 60},
    {u"PROFILE_COLUMN_NAME", u"名称", 120},
    {u"PROFILE_COLUMN_PATH", u"路径", 230},
};

struct ButtonText {
  int controlId;
  std::u16string_view skinKey;
  std::u16string_view captionKey;
  std::u16string_view templateCaption;
};
constexpr ButtonText kButtons[] = {
    {control::kAdd, u"FUNC_ADD", u"PROFILE_BUTTON_ADD", u"添加"},
    {control::kLoad, u"FUNC_LOAD", u"PROFILE_BUTTON_LOAD", u"载入"},
    {control::kDelete, u"FUNC_DELETE", u"PROFILE_BUTTON_DELETE", u"删除"},
    {control::kOk, u"CONTROL_OK", u"PROFILE_BUTTON_OK", u"确定"},
    {control::kCancel, u"CONTROL_CANCEL", u"PROFILE_BUTTON_CANCEL", u"取消"},
    {control::kApply, u"CONTROL2_APPLY", u"PROFILE_BUTTON_APPLY", u"应用"},
};

}  // namespace

CVantrel_DlgProfile::CVantrel_DlgProfile(ProfileManager& manager, SkinPictures& pictures,
                                         const Texts& texts, std::function<void()> openHelp,
                                         QWidget* parent)
    : CBaseDialog(pictures, std::filesystem::path("Skins") / "Profile.ini", parent),
      manager_(manager),
      texts_(texts),
      openHelp_(std::move(openHelp)),
      list_(std::make_unique<CReportCtrl>(this)) {
  setModal(true);
  SetSwallowEnterAndEscape(true);
  ApplySkinStyle(*this);
  ApplySkinScreen();
  const SkinColours colours;
  list_->Header().SetColours(colours.header, colours.mutedText);
  std::vector<ReportColumn> columns;
  for (const ColumnText& column : kColumns) {
    columns.push_back({texts_.ComponentText(column.key, column.templateCaption), column.width});
  }
  list_->SetColumns(columns);
  list_->SetCheckboxes(true);
  PlaceControl(*list_, u"PROGRAM_LIST");
  list_->setObjectName(QStringLiteral("PROGRAM_LIST"));
  connect(list_.get(), &CReportCtrl::checkChanged, this, &CVantrel_DlgProfile::OnCheckChanged);

  const ButtonPictures faces = ProfileManagerFaces(Pictures());
  for (const ButtonText& button : kButtons) {
    AddButton(button.controlId, button.skinKey, faces, button.captionKey, button.templateCaption);
  }
}

void CVantrel_DlgProfile::ApplyLanguage(int languageIndex) {
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
    if (QTableWidgetItem* header = list_->horizontalHeaderItem(i)) {
      const ColumnText& column = kColumns[static_cast<std::size_t>(i)];
      header->setText(
          ToQString(texts_.ComponentText(column.key, column.templateCaption, languageIndex)));
    }
  }
  for (const ButtonText& text : kButtons) {
    if (CPngButton* button = Button(text.controlId)) {
      button->SetCaption(
          texts_.ComponentText(text.captionKey, text.templateCaption, languageIndex));
    }
  }
}

CVantrel_DlgProfile::~CVantrel_DlgProfile() = default;

CPngButton& CVantrel_DlgProfile::AddButton(int controlId, std::u16string_view key,
                                           const ButtonPictures& faces,
                                           std::u16string_view captionKey,
                                           std::u16string_view templateCaption) {
  auto button = std::make_unique<CPngButton>(controlId, this);
  PlaceImageButton(*button, key, faces);
  button->setObjectName(ToQString(key));
  button->SetCaption(texts_.ComponentText(captionKey, templateCaption));
  connect(button.get(), &QAbstractButton::clicked, this,
          [this, controlId] { OnClicked(controlId); });
  buttons_.push_back(std::move(button));
  return *buttons_.back();
}

CPngButton* CVantrel_DlgProfile::Button(int controlId) const {
  for (const auto& button : buttons_) {
    if (button->ControlId() == controlId) return button.get();
  }
  return nullptr;
}

void CVantrel_DlgProfile::OpenList() {
  manager_.Open();
  Refresh();
  list_->SelectItem(manager_.CheckedRow());
}

int CVantrel_DlgProfile::Run() {
  OpenList();
  const int result = exec();
  // However it ended (a close from outside included), the manager is closed.
  if (manager_.IsOpen()) manager_.Cancel();
  return result == QDialog::Accepted ? 1 : 0;
}

void CVantrel_DlgProfile::CloseWithoutApplying() {
  if (isVisible()) Finish(0);
}

void CVantrel_DlgProfile::Refresh() {
  refreshing_ = true;
  const int selected = list_->GetSelectedItem();
  list_->DeleteAllItems();
  for (const ProfileRow& row : manager_.Rows()) {
    list_->AppendItem({u"", row.name, row.folder});
  }
  list_->SetCheck(manager_.CheckedRow(), true);
  list_->SelectItem(std::min(selected, list_->ItemCount() - 1));
  if (CPngButton* apply = Button(control::kApply)) apply->setEnabled(manager_.ApplyEnabled());
  refreshing_ = false;
}

void CVantrel_DlgProfile::OnCheckChanged(int row, bool checked) {
  if (refreshing_) return;
  // Checking a row unchecks the one checked before, which is reported
  // first: only a row left without a check means none.
  if (checked) {
    manager_.Check(row);
  } else if (list_->GetCheckedItem() < 0) {
    manager_.Check(-1);
  }
  if (CPngButton* apply = Button(control::kApply)) apply->setEnabled(manager_.ApplyEnabled());
}

void CVantrel_DlgProfile::OnClicked(int controlId) {
  switch (controlId) {
    case control::kAdd:
      if (manager_.Add()) {
        Refresh();
        list_->SelectItem(list_->ItemCount() - 1);
      }
      return;
    case control::kLoad:
      if (manager_.Load()) {
        Refresh();
        list_->SelectItem(list_->ItemCount() - 1);
      }
      return;
    case control::kDelete: {
      const int selected = list_->GetSelectedItem();
      if (selected < 0) return;
      const int next = manager_.Remove(selected);
      Refresh();
      list_->SelectItem(next);
      return;
    }
    case control::kApply:
      manager_.Apply();
      Refresh();
      return;
    case control::kOk:
      manager_.Ok();
      Finish(1);
      return;
    case control::kCancel:
      Finish(0);
      return;
    default:
      return;
  }
}

void CVantrel_DlgProfile::Finish(int result) {
  if (manager_.IsOpen()) manager_.Cancel();
  done(result == 1 ? QDialog::Accepted : QDialog::Rejected);
}

void CVantrel_DlgProfile::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    if (openHelp_) openHelp_();
    event->accept();
    return;
  }
  CBaseDialog::keyPressEvent(event);
}

void CVantrel_DlgProfile::closeEvent(QCloseEvent* event) {
  // Closing the window from outside is Cancel.
  if (manager_.IsOpen()) manager_.Cancel();
  CBaseDialog::closeEvent(event);
}

}  // namespace ombrex

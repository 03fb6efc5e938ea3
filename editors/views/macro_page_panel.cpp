#include "editors/views/macro_page_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include "device/app_state.h"
#include "editors/macro_page.h"
#include "editors/macro_texts.h"
#include "editors/views/x11_auto_repeat.h"
#include "platform/text.h"
#include "resources/texts.h"
#include "widgets/base_dialog.h"
#include "widgets/key_message_filter.h"
#include "widgets/memory_gauge.h"
#include "widgets/png_button.h"
#include "widgets/qt_text.h"
#include "widgets/report_ctrl.h"
#include "widgets/skin_pictures.h"
#include "widgets/skin_placement.h"
#include "widgets/skin_style.h"

namespace ombrex {
namespace {

namespace id = macro_control;
namespace texts = macro_texts;

struct ButtonSpec {
  int id;
  std::u16string_view skinKey;
  std::u16string_view caption;  // empty: the picture says it
};

constexpr ButtonSpec kButtons[] = {
    {id::kAdd, u"FUNC_MACRO_ADD", {}},
    {id::kDelete, u"FUNC_MACRO_DELETE", {}},
    {id::kRecord, u"FUNC_MACRO_RECORD", {}},  // its caption follows the recording
    {id::kDeleteAction, u"FUNC_MACRO_DELETE2", texts::kDeleteAction},
    {id::kClearActions, u"FUNC_MACRO_CLEAR", texts::kClearActions},
    {id::kMoveTop, u"FUNC_MACRO_UP_TOP", texts::kMoveTop},
    {id::kMoveUp, u"FUNC_MACRO_UP", texts::kMoveUp},
    {id::kMoveDown, u"FUNC_MACRO_DOWN", texts::kMoveDown},
    {id::kMoveBottom, u"FUNC_MACRO_DOWN_BOTTOM", texts::kMoveBottom},
};

// Three columns in 300 pixels; the key column takes most, since key names
// ("截屏 (Print Screen)", "WWW Favorite") are far longer than an arrow.
constexpr int kKeyColumnWidth = 140;
constexpr int kActionColumnWidth = 60;
constexpr int kDelayColumnWidth = 100;
constexpr int kMaxCyclesChars = 12;

std::u16string DelayText(std::uint32_t delay) {
  return DecimalText(delay);
}

}  // namespace

MacroPagePanel::MacroPagePanel(CBaseDialog& dialog, MacroPage& page, const Texts& texts)
    : QObject(&dialog),
      dialog_(dialog),
      page_(page),
      texts_(texts),
      filter_(std::make_unique<KeyMessageFilter>()) {
  Build();
  Connect();
  page_.SetChangeListener([this] { Refresh(); });
  ApplyTexts();
  SetVisible(false);
}

MacroPagePanel::~MacroPagePanel() {
  page_.SetChangeListener({});
  filter_->Stop();
}

CReportCtrl& MacroPagePanel::ActionList() const {
  return *actions_;
}

CMemoryGauge& MacroPagePanel::Gauge() const {
  return *gauge_;
}

void MacroPagePanel::Build() {
  const ButtonPictures faces = EditorFaces(dialog_.Pictures(), EditorPictureSet::Macro);
  nameList_ = new QComboBox(&dialog_);
  nameList_->setObjectName(QStringLiteral("macroNames"));
  nameList_->setEditable(true);
  nameList_->setInsertPolicy(QComboBox::NoInsert);
  nameList_->lineEdit()->setMaxLength(static_cast<int>(kMaxMacroNameLength));
  dialog_.PlaceControl(*nameList_, u"FUNC_MACRO_LIST");

  for (const ButtonSpec& spec : kButtons) {
    auto* button = new CPngButton(spec.id, &dialog_);
    dialog_.PlaceImageButton(*button, spec.skinKey, faces);
    buttons_.emplace_back(button);
  }

  cyclesCaption_ = new QLabel(&dialog_);
  dialog_.PlaceControl(*cyclesCaption_, u"FUNC_MACRO_CYCLES_PROMPT");
  cycles_ = new QLineEdit(&dialog_);
  cycles_->setObjectName(QStringLiteral("macroCycles"));
  cycles_->setMaxLength(kMaxCyclesChars);
  dialog_.PlaceControl(*cycles_, u"FUNC_MACRO_CYCLES");

  actions_ = new CReportCtrl(&dialog_);
  actions_->setObjectName(QStringLiteral("macroActions"));
  actions_->SetColumns(
      {{u"", kKeyColumnWidth}, {u"", kActionColumnWidth}, {u"", kDelayColumnWidth}});
  actions_->Header().SetColours(SkinColours{}.header, SkinColours{}.text);
  actions_->viewport()->installEventFilter(this);
  dialog_.PlaceControl(*actions_, u"FUNC_MACRO_LIST2");

  recordDelay_ = new QCheckBox(&dialog_);
  dialog_.PlaceControl(*recordDelay_, u"FUNC_MACRO_RECORD_DELAY");
  recordDelayCaption_ = new QLabel(&dialog_);
  dialog_.PlaceControl(*recordDelayCaption_, u"FUNC_MACRO_RECORD_DELAY2");

  gauge_ = new CMemoryGauge(&dialog_);
  gauge_->setObjectName(QStringLiteral("macroMemory"));
  dialog_.PlaceControl(*gauge_, kMemoryGaugeSkinKey);
}

void MacroPagePanel::Connect() {
  connect(nameList_, &QComboBox::activated, this, [this](int index) {
    if (!refreshing_) page_.Select(index);
  });
  connect(nameList_->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
    if (!refreshing_) page_.TypeName(FromQString(text));
  });
  connect(cycles_, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (!refreshing_) page_.SetCyclesText(FromQString(text));
  });
  for (const QPointer<CPngButton>& button : buttons_) {
    const int control = button->ControlId();
    connect(button, &QAbstractButton::clicked, this, [this, control] { OnButton(control); });
  }
  connect(recordDelay_, &QCheckBox::clicked, this, [this] { page_.ToggleRecordDelay(); });
  connect(actions_, &QTableWidget::itemSelectionChanged, this, [this] {
    if (!refreshing_) page_.SelectRow(actions_->GetSelectedItem());
  });
  connect(actions_, &QTableWidget::cellClicked, this, &MacroPagePanel::OnCellClicked);
  actions_->SetEditVerifier([this](CellEdit& edit) {
    OnCellEdited(edit);
    // The page decides what the cell shows; the redraw writes it.
    return false;
  });
}

bool MacroPagePanel::eventFilter(QObject* watched, QEvent* event) {
  // A click edits a cell only when its row was selected before the click.
  if (watched == actions_->viewport() && event->type() == QEvent::MouseButtonPress) {
    rowBeforePress_ = actions_->GetSelectedItem();
  }
  return QObject::eventFilter(watched, event);
}

void MacroPagePanel::SetVisible(bool shown) {
  shown_ = shown;
  for (QWidget* control : Controls()) control->setVisible(shown);
  // A hidden skin button stays hidden: its skin has no place for it.
  for (const QPointer<CPngButton>& button : buttons_) {
    button->setVisible(shown &&
                       !dialog_.Skin().Place(kButtonSection, SkinKeyOf(*button)).IsHidden());
  }
  if (!shown) actions_->EndEdit(true);
  // The keyboard may have been read since the page was last drawn.
  if (shown) RefreshGauge();
  SyncRecording();
}

std::vector<QWidget*> MacroPagePanel::Controls() const {
  return {nameList_, cyclesCaption_, cycles_, actions_, recordDelay_, recordDelayCaption_, gauge_};
}

std::u16string_view MacroPagePanel::SkinKeyOf(const CPngButton& button) {
  for (const ButtonSpec& spec : kButtons) {
    if (spec.id == button.ControlId()) return spec.skinKey;
  }
  return {};
}

void MacroPagePanel::SetNameListFont(const QFont& font) {
  nameList_->setFont(font);
}

QWidget* MacroPagePanel::Control(int control) const {
  switch (control) {
    case id::kNames:
      return nameList_;
    case id::kCycles:
      return cycles_;
    case id::kCyclesCaption:
      return cyclesCaption_;
    case id::kActions:
      return actions_;
    case id::kRecordDelay:
      return recordDelay_;
    case id::kRecordDelayCaption:
      return recordDelayCaption_;
    case id::kMemoryGauge:
      return gauge_;
    default:
      break;
  }
  for (const QPointer<CPngButton>& button : buttons_) {
    if (button->ControlId() == control) return button;
  }
  return nullptr;
}

void MacroPagePanel::ApplyTexts() {
  names_.emplace(texts_);
  cyclesCaption_->setText(ToQString(texts_.Text(texts::kCyclesCaption)));
  recordDelayCaption_->setText(ToQString(texts_.Text(texts::kRecordDelayCaption)));
  actions_->SetColumnHeader(0, texts_.Text(texts::kKeyColumn));
  actions_->SetColumnHeader(1, texts_.Text(texts::kActionColumn));
  actions_->SetColumnHeader(2, texts_.Text(texts::kDelayColumn));
  for (const ButtonSpec& spec : kButtons) {
    if (!spec.caption.empty()) Button(spec.id).SetCaption(texts_.Text(spec.caption));
  }
  // Key names change with the language: every row is written again.
  const bool editing = actions_->IsEditing();
  for (int row = 0; row < actions_->ItemCount() && !editing; ++row) {
    actions_->SetItemText(row, 0, names_->Text(shownRows_[static_cast<std::size_t>(row)].key));
  }
  Refresh();
}

void MacroPagePanel::FinishCellEdit() {
  actions_->EndEdit(true);
}

CPngButton& MacroPagePanel::Button(int control) const {
  return *static_cast<CPngButton*>(Control(control));
}

// ---- Drawing what the page holds

void MacroPagePanel::Refresh() {
  if (refreshing_) return;
  refreshing_ = true;
  RefreshNames();
  RefreshRows();
  RefreshButtons();
  RefreshGauge();
  refreshing_ = false;
  SyncRecording();
}

void MacroPagePanel::RefreshNames() {
  const QSignalBlocker blockNames(nameList_);
  QLineEdit& edit = *nameList_->lineEdit();
  const QSignalBlocker blockEdit(&edit);
  const int cursor = edit.cursorPosition();
  const auto count = static_cast<int>(page_.ItemCount());
  while (nameList_->count() > count) nameList_->removeItem(nameList_->count() - 1);
  for (int i = 0; i < count; ++i) {
    const QString name = ToQString(page_.ItemName(static_cast<std::size_t>(i)));
    if (i >= nameList_->count()) {
      nameList_->addItem(name);
    } else if (nameList_->itemText(i) != name) {
      nameList_->setItemText(i, name);
    }
  }
  if (nameList_->currentIndex() != page_.CurrentIndex()) {
    nameList_->setCurrentIndex(page_.CurrentIndex());
  }
  const QString shown =
      page_.CurrentIndex() >= 0 ? nameList_->itemText(page_.CurrentIndex()) : QString();
  if (edit.text() != shown) {
    edit.setText(shown);
  } else {
    // A rename writes the item, which writes the edit: the cursor stays put.
    edit.setCursorPosition(cursor);
  }
  nameList_->setEnabled(page_.NameEditsEnabled());

  if (cycles_->text() != ToQString(page_.CyclesText())) {
    const QSignalBlocker blockCycles(cycles_);
    cycles_->setText(ToQString(page_.CyclesText()));
  }
}

void MacroPagePanel::RefreshRows() {
  const QSignalBlocker block(actions_);
  const std::span<const MacroAction> rows = page_.Rows();
  const QColor grey = SkinColours{}.mutedText;
  if (rows.size() != shownRows_.size() && actions_->IsEditing()) actions_->EndEdit(false);
  while (actions_->ItemCount() > static_cast<int>(rows.size())) {
    actions_->DeleteItem(actions_->ItemCount() - 1);
  }
  shownRows_.resize(std::min(shownRows_.size(), rows.size()));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const MacroAction& action = rows[i];
    const int row = static_cast<int>(i);
    if (i >= shownRows_.size()) {
      actions_->AppendItem({names_->Text(action.key), std::u16string(ActionStateText(action.state)),
                            DelayText(action.delay)});
      actions_->SetItemTextColour(row, 0, grey);
      actions_->SetItemTextColour(row, 1, grey);
      shownRows_.push_back(action);
      continue;
    }
    MacroAction& shown = shownRows_[i];
    if (shown.key != action.key) actions_->SetItemText(row, 0, names_->Text(action.key));
    if (shown.state != action.state) {
      actions_->SetItemText(row, 1, ActionStateText(action.state));
    }
    if (shown.delay != action.delay) actions_->SetItemText(row, 2, DelayText(action.delay));
    shown = action;
  }
  // Selecting scrolls the row into view: only when the page chose another.
  if (page_.SelectedRow() != shownSelection_ ||
      actions_->GetSelectedItem() != page_.SelectedRow()) {
    actions_->SelectItem(page_.SelectedRow());
    shownSelection_ = page_.SelectedRow();
  }
}

void MacroPagePanel::RefreshButtons() {
  const bool names = page_.NameEditsEnabled();
  const bool rows = page_.ActionButtonsEnabled();
  for (const QPointer<CPngButton>& button : buttons_) {
    const int control = button->ControlId();
    const bool hidden = dialog_.Skin().Place(kButtonSection, SkinKeyOf(*button)).IsHidden();
    const bool enabled = (control == id::kAdd || control == id::kDelete) ? names : rows;
    button->setEnabled(enabled && !hidden);
  }
  CPngButton& record = Button(id::kRecord);
  record.SetCaption(texts_.Text(page_.RecordButtonTextKey()));
  record.SetSelected(page_.IsRecording());
  const QSignalBlocker block(recordDelay_);
  recordDelay_->setChecked(page_.RecordsRealDelays());
}

void MacroPagePanel::RefreshGauge() {
  const MacroMemoryUse use = page_.MemoryUse();
  if (!use.Known()) {
    gauge_->SetShare(std::nullopt, CMemoryGauge::Level::Normal);
    gauge_->SetTexts(texts_.Text(texts::kMemoryUnknown), u"");
    return;
  }
  const std::u16string text =
      FormatWithInt(texts_.Text(texts::kMemoryShare), static_cast<long long>(use.Percent())) +
      u" " +
      FormatWithText(texts_.Text(texts::kMemoryBytes),
                     DecimalText(static_cast<long long>(use.Used())) + u" / " +
                         DecimalText(static_cast<long long>(use.capacity)));
  std::u16string note;
  CMemoryGauge::Level level = CMemoryGauge::Level::Normal;
  if (use.TooLarge()) {
    note = texts_.Text(texts::kMemoryTooLarge);
    level = CMemoryGauge::Level::Over;
  } else if (use.NamesLeftOut()) {
    note = texts_.Text(texts::kMemoryNamesLeftOut);
    level = CMemoryGauge::Level::Warning;
  } else if (use.NearlyFull()) {
    level = CMemoryGauge::Level::Warning;
  }
  gauge_->SetShare(static_cast<double>(use.Used()) / static_cast<double>(use.capacity), level);
  gauge_->SetTexts(text, note);
}

bool MacroPagePanel::DetectableAutoRepeatActive() const {
  return autoRepeat_ != nullptr && autoRepeat_->Active();
}

void MacroPagePanel::SyncRecording() {
  const bool wanted = shown_ && page_.IsRecording();
  if (wanted && !filter_->IsRunning()) {
    autoRepeat_ = std::make_unique<DetectableAutoRepeat>();
    filter_->Start(dialog_, [this](const TimedKeyMessage& key) { return page_.TakeKey(key); });
  } else if (!wanted && filter_->IsRunning()) {
    filter_->Stop();
    autoRepeat_.reset();
  }
}

// ---- The user's actions

void MacroPagePanel::OnButton(int control) {
  switch (control) {
    case id::kAdd:
      page_.Add();
      return;
    case id::kDelete:
      page_.Delete();
      return;
    case id::kRecord:
      page_.ToggleRecording();
      return;
    case id::kDeleteAction:
      page_.DeleteAction();
      return;
    case id::kClearActions:
      page_.DeleteAllActions();
      return;
    default:
      break;
  }
  const MacroRowMove move = control == id::kMoveTop    ? MacroRowMove::Top
                            : control == id::kMoveUp   ? MacroRowMove::Up
                            : control == id::kMoveDown ? MacroRowMove::Down
                                                       : MacroRowMove::Bottom;
  page_.MoveAction(move);
  actions_->setFocus(Qt::OtherFocusReason);
}

void MacroPagePanel::OnCellClicked(int row, int column) {
  if (row != rowBeforePress_) return;
  switch (page_.BeginCellEdit(row, column)) {
    case MacroCellEditor::Delay:
      actions_->EditCell(row, column);
      return;
    case MacroCellEditor::Key: {
      std::vector<std::u16string> keys;
      for (std::size_t p = 0; p < kKeyListSize; ++p) keys.emplace_back(names_->ListLabel(p));
      const unsigned position =
          ListPositionFromCode(page_.Rows()[static_cast<std::size_t>(row)].key);
      actions_->EditCellWithChoices(row, column, keys, kKeyChoiceHeight,
                                    position < kKeyListSize ? static_cast<int>(position) : -1);
      return;
    }
    case MacroCellEditor::State:
      actions_->EditCellWithChoices(
          row, column, {std::u16string(kPressText), std::u16string(kReleaseText)},
          kStateChoiceHeight, page_.Rows()[static_cast<std::size_t>(row)].state == 1 ? 1 : 0);
      return;
    case MacroCellEditor::None:
      return;
  }
}

void MacroPagePanel::OnCellEdited(const CellEdit& edit) {
  if (refreshing_) return;
  switch (edit.column) {
    case static_cast<int>(MacroColumn::Delay):
      page_.EditDelay(edit.row, edit.text);
      return;
    case static_cast<int>(MacroColumn::Key):
      if (edit.choice >= 0) page_.EditKey(edit.row, static_cast<std::size_t>(edit.choice));
      return;
    case static_cast<int>(MacroColumn::Action):
      if (edit.choice >= 0) page_.EditState(edit.row, static_cast<std::uint16_t>(edit.choice));
      return;
    default:
      return;
  }
}

}  // namespace ombrex

#include "widgets/text_menu.h"

#include "widgets/qt_text.h"

namespace ombrex {

BCMenu::BCMenu(TextSource texts, QWidget* parent) : QMenu(parent), texts_(std::move(texts)) {
  connect(this, &QMenu::aboutToShow, this, &BCMenu::RefreshTexts);
}

void BCMenu::AddItem(int commandId, std::u16string_view textKey) {
  QAction* action = addAction(QString());
  connect(action, &QAction::triggered, this, [this, commandId] { emit commandChosen(commandId); });
  items_.push_back({commandId, std::u16string(textKey), action, {}});
  RefreshTexts();
}

void BCMenu::AddChoice(int commandId, std::u16string_view text, std::function<bool()> checked) {
  QAction* action = addAction(ToQString(text));
  action->setCheckable(true);
  connect(action, &QAction::triggered, this, [this, commandId] { emit commandChosen(commandId); });
  items_.push_back({commandId, std::u16string(text), action, std::move(checked)});
  RefreshTexts();
}

BCMenu& BCMenu::AddSubmenu(std::u16string_view textKey) {
  auto* submenu = new BCMenu(texts_, this);
  connect(submenu, &BCMenu::commandChosen, this, &BCMenu::commandChosen);
  items_.push_back({0, std::u16string(textKey), addMenu(submenu), {}});
  RefreshTexts();
  return *submenu;
}

void BCMenu::SetDefaultCommand(int commandId) {
  defaultCommand_ = commandId;
  RefreshTexts();
}

int BCMenu::DefaultCommand() const {
  if (defaultCommand_ != 0 || items_.empty()) return defaultCommand_;
  return items_.front().commandId;
}

void BCMenu::RefreshTexts() {
  const int defaultCommand = DefaultCommand();
  for (const Item& item : items_) {
    if (item.checked) {
      item.action->setChecked(item.checked());
      continue;
    }
    item.action->setText(texts_ ? ToQString(texts_(item.textKey)) : ToQString(item.textKey));
    QFont font = item.action->font();
    font.setBold(item.commandId == defaultCommand);
    item.action->setFont(font);
  }
}

void BCMenu::Choose(int commandId) {
  if (QAction* action = ActionOf(commandId)) action->trigger();
}

QAction* BCMenu::ActionOf(int commandId) const {
  for (const Item& item : items_) {
    if (item.commandId == commandId) return item.action;
  }
  return nullptr;
}

}  // namespace ombrex

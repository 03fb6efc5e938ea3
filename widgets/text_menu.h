#pragma once

// A popup menu whose item texts are looked up each time it opens, so a
// language switch needs nothing else to reach it.

#include <QMenu>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ombrex {

class BCMenu : public QMenu {
  Q_OBJECT

 public:
  using TextSource = std::function<std::u16string(std::u16string_view textKey)>;

  explicit BCMenu(TextSource texts, QWidget* parent = nullptr);

  void AddItem(int commandId, std::u16string_view textKey);
  // An item whose text is shown as it stands (a language's own name), with a
  // check mark while `checked` holds, looked at on each showing.
  void AddChoice(int commandId, std::u16string_view text, std::function<bool()> checked);
  // A submenu titled by a text key; its commands come out of this menu's
  // commandChosen too.
  BCMenu& AddSubmenu(std::u16string_view textKey);
  // Drawn as the default item (bold); 0 means the first item.
  void SetDefaultCommand(int commandId);
  // The command a default action (a double-click on the tray icon) runs.
  int DefaultCommand() const;

  // Looks every item's text up again; runs on each showing.
  void RefreshTexts();
  // Runs a command as if its item had been chosen.
  void Choose(int commandId);
  QAction* ActionOf(int commandId) const;

 signals:
  void commandChosen(int commandId);

 private:
  struct Item {
    int commandId;
    std::u16string textKey;
    QAction* action;
    std::function<bool()> checked;  // set for the choices only
  };

  TextSource texts_;
  std::vector<Item> items_;
  int defaultCommand_ = 0;
};

}  // namespace ombrex

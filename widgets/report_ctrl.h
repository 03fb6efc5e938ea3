#pragma once

// The report list: columns under a header, one selected row drawn across its
// whole width, grid lines, optional check boxes of which at most one is
// checked, and in-place editing of one cell with an edit box or a drop-down.
//
// Editing starts only when the owner asks (it decides which cells may be
// edited and how); Enter or leaving the editor commits, Escape cancels. The
// owner's verifier then accepts the text, corrects it or refuses it.

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QTableWidget>
#include <QVariant>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ombrex {

class CHeaderCtrlCl : public QHeaderView {
  Q_OBJECT

 public:
  explicit CHeaderCtrlCl(QWidget* parent = nullptr);

  void SetColours(const QColor& background, const QColor& text);
  void SetHeight(int height);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
  QSize sizeHint() const override;

 private:
  QColor background_;
  QColor text_;
  int height_ = 0;
};

// An edit that takes decimal digits only (pasted text included).
class CEditBox : public QLineEdit {
  Q_OBJECT

 public:
  explicit CEditBox(QWidget* parent = nullptr);

 signals:
  // Enter or focus loss (commit = true), Escape (commit = false).
  void finished(bool commit);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

// A drop-down over a list cell, showing `visibleItems` entries when open.
class CComboBox4ListCtrl : public QComboBox {
  Q_OBJECT

 public:
  explicit CComboBox4ListCtrl(QWidget* parent = nullptr);

  void SetDropHeight(int visibleItems) { setMaxVisibleItems(visibleItems); }

 signals:
  // A choice made in the open list, Enter or focus loss (commit = true),
  // Escape on the closed drop-down (commit = false).
  void finished(bool commit);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  // Keys and the wheel change the closed drop-down's entry too; that is
  // browsing, not a choice.
  bool browsing_ = false;
};

struct ReportColumn {
  std::u16string header;
  int width = 100;
  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
};

// A finished edit: the typed text, or the chosen entry's text and index.
struct CellEdit {
  int row = -1;
  int column = -1;
  std::u16string text;
  int choice = -1;  // -1 for the edit box
};

class CReportCtrl : public QTableWidget {
  Q_OBJECT

 public:
  // Returns false to refuse the edit (the cell keeps its text); may change
  // `edit.text` to store a corrected text.
  using EditVerifier = std::function<bool(CellEdit& edit)>;

  explicit CReportCtrl(QWidget* parent = nullptr);

  CHeaderCtrlCl& Header() { return *header_; }
  void SetColumns(const std::vector<ReportColumn>& columns);
  void SetColumnHeader(int column, std::u16string_view text);

  // Check boxes in the first column; checking one unchecks the others.
  void SetCheckboxes(bool enabled);
  bool HasCheckboxes() const { return checkboxes_; }

  // Inserts a row at `row` (clamped to the list); returns its index.
  int InsertItem(int row, const std::vector<std::u16string>& texts);
  int AppendItem(const std::vector<std::u16string>& texts) { return InsertItem(rowCount(), texts); }
  bool DeleteItem(int row);
  void DeleteAllItems();
  int ItemCount() const { return rowCount(); }

  void SetItemText(int row, int column, std::u16string_view text);
  std::u16string GetItemText(int row, int column) const;
  void SetItemData(int row, const QVariant& data);
  QVariant GetItemData(int row) const;
  void SetItemTextColour(int row, int column, const QColor& colour);

  // -1 when no row is selected.
  int GetSelectedItem() const;
  // Selects a row (-1 clears) and scrolls it into view.
  void SelectItem(int row);

  bool GetCheck(int row) const;
  void SetCheck(int row, bool checked);
  // The checked row, -1 for none.
  int GetCheckedItem() const;

  // In-place editing of a cell; false when the cell does not exist.
  bool EditCell(int row, int column);
  bool EditCellWithChoices(int row, int column, const std::vector<std::u16string>& choices,
                           int visibleItems, int current);
  bool IsEditing() const { return !editor_.isNull(); }
  QWidget* Editor() const { return editor_; }
  // Ends an edit in progress (the owner finishes one before it saves).
  void EndEdit(bool commit);
  void SetEditVerifier(EditVerifier verifier) { verifier_ = std::move(verifier); }

 signals:
  // An edit that was committed and accepted, with the text stored.
  void cellEdited(int row, int column, QString text, int choice);
  void checkChanged(int row, bool checked);

 private:
  QTableWidgetItem& ItemAt(int row, int column);
  void OnItemChanged(QTableWidgetItem* item);
  void BeginEdit(QWidget* editor, int row, int column);
  void PlaceEditor();

  CHeaderCtrlCl* header_;
  bool checkboxes_ = false;
  bool updatingChecks_ = false;
  QPointer<QWidget> editor_;
  int editRow_ = -1;
  int editColumn_ = -1;
  EditVerifier verifier_;
};

}  // namespace ombrex

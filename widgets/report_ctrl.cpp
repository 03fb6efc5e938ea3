#include "widgets/report_ctrl.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "widgets/qt_text.h"

namespace ombrex {
namespace {

// The check state a row had before Qt tells us it changed.
constexpr int kLastCheckRole = Qt::UserRole + 1;
constexpr int kRowDataRole = Qt::UserRole;

bool IsEnter(int key) {
  return key == Qt::Key_Return || key == Qt::Key_Enter;
}

bool IsPartOf(const QWidget* widget, const QWidget* editor) {
  for (; widget != nullptr; widget = widget->parentWidget()) {
    if (widget == editor) return true;
  }
  return false;
}

// Focus that moves into the editor's own parts (a drop-down's open list, a
// context menu) does not end the edit; focus anywhere else does.
bool FocusLeft(const QWidget* editor, const QFocusEvent& event) {
  if (event.reason() == Qt::PopupFocusReason) return false;
  return !IsPartOf(QApplication::focusWidget(), editor) &&
         !IsPartOf(QApplication::activeWindow(), editor) &&
         !IsPartOf(QApplication::activePopupWidget(), editor);
}

}  // namespace

CHeaderCtrlCl::CHeaderCtrlCl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
  setSectionsClickable(false);
  setHighlightSections(false);
  setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void CHeaderCtrlCl::SetColours(const QColor& background, const QColor& text) {
  background_ = background;
  text_ = text;
  viewport()->update();
}

void CHeaderCtrlCl::SetHeight(int height) {
  height_ = height;
  updateGeometry();
}

QSize CHeaderCtrlCl::sizeHint() const {
  QSize size = QHeaderView::sizeHint();
  if (height_ > 0) size.setHeight(height_);
  return size;
}

void CHeaderCtrlCl::paintEvent(QPaintEvent* event) {
  QHeaderView::paintEvent(event);
  if (!background_.isValid() || count() == 0) return;
  // The strip right of the last column belongs to the header too.
  const int last = logicalIndex(count() - 1);
  const int end = sectionViewportPosition(last) + sectionSize(last);
  if (end < viewport()->width()) {
    QPainter(viewport()).fillRect(QRect(end, 0, viewport()->width() - end, height()), background_);
  }
}

void CHeaderCtrlCl::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
  if (!background_.isValid()) return QHeaderView::paintSection(painter, rect, logicalIndex);
  painter->save();
  painter->fillRect(rect, background_);
  const QString text = model()->headerData(logicalIndex, orientation()).toString();
  const QVariant alignment =
      model()->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole);
  const auto flags = alignment.isValid() ? Qt::Alignment(alignment.toInt()) : defaultAlignment();
  painter->setPen(text_.isValid() ? text_ : palette().buttonText().color());
  painter->drawText(rect.adjusted(4, 0, -4, 0), static_cast<int>(flags), text);
  painter->setPen(background_.lighter(160));
  painter->drawLine(rect.topRight(), rect.bottomRight());
  painter->drawLine(rect.bottomLeft(), rect.bottomRight());
  painter->restore();
}

CEditBox::CEditBox(QWidget* parent) : QLineEdit(parent) {
  setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
}

void CEditBox::keyPressEvent(QKeyEvent* event) {
  if (IsEnter(event->key()) || event->key() == Qt::Key_Escape) {
    event->accept();
    emit finished(event->key() != Qt::Key_Escape);
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void CEditBox::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (FocusLeft(this, *event)) emit finished(true);
}

CComboBox4ListCtrl::CComboBox4ListCtrl(QWidget* parent) : QComboBox(parent) {
  connect(this, &QComboBox::activated, this, [this] {
    if (!browsing_) emit finished(true);
  });
}

void CComboBox4ListCtrl::keyPressEvent(QKeyEvent* event) {
  if (IsEnter(event->key()) || event->key() == Qt::Key_Escape) {
    event->accept();
    emit finished(event->key() != Qt::Key_Escape);
    return;
  }
  browsing_ = true;
  QComboBox::keyPressEvent(event);
  browsing_ = false;
}

void CComboBox4ListCtrl::wheelEvent(QWheelEvent* event) {
  browsing_ = true;
  QComboBox::wheelEvent(event);
  browsing_ = false;
}

void CComboBox4ListCtrl::focusOutEvent(QFocusEvent* event) {
  QComboBox::focusOutEvent(event);
  if (FocusLeft(this, *event) && !view()->isVisible()) emit finished(true);
}

CReportCtrl::CReportCtrl(QWidget* parent) : QTableWidget(parent), header_(new CHeaderCtrlCl(this)) {
  setHorizontalHeader(header_);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setShowGrid(true);
  setWordWrap(false);
  header_->setStretchLastSection(false);
  connect(this, &QTableWidget::itemChanged, this, &CReportCtrl::OnItemChanged);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &CReportCtrl::PlaceEditor);
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &CReportCtrl::PlaceEditor);
  connect(header_, &QHeaderView::sectionResized, this, &CReportCtrl::PlaceEditor);
}

void CReportCtrl::SetColumns(const std::vector<ReportColumn>& columns) {
  setColumnCount(static_cast<int>(columns.size()));
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
    const ReportColumn& column = columns[static_cast<std::size_t>(i)];
    auto* item = new QTableWidgetItem(ToQString(column.header));
    item->setTextAlignment(column.alignment);
    setHorizontalHeaderItem(i, item);
    setColumnWidth(i, column.width);
  }
}

void CReportCtrl::SetColumnHeader(int column, std::u16string_view text) {
  if (QTableWidgetItem* item = horizontalHeaderItem(column)) item->setText(ToQString(text));
}

void CReportCtrl::SetCheckboxes(bool enabled) {
  checkboxes_ = enabled;
  updatingChecks_ = true;
  for (int row = 0; row < rowCount(); ++row) {
    QTableWidgetItem& item = ItemAt(row, 0);
    if (enabled) {
      item.setFlags(item.flags() | Qt::ItemIsUserCheckable);
      item.setCheckState(Qt::Unchecked);
      item.setData(kLastCheckRole, false);
    } else {
      item.setFlags(item.flags() & ~Qt::ItemIsUserCheckable);
      item.setData(Qt::CheckStateRole, QVariant());
    }
  }
  updatingChecks_ = false;
}

QTableWidgetItem& CReportCtrl::ItemAt(int row, int column) {
  QTableWidgetItem* existing = item(row, column);
  if (existing != nullptr) return *existing;
  auto* created = new QTableWidgetItem;
  created->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  setItem(row, column, created);
  return *created;
}

int CReportCtrl::InsertItem(int row, const std::vector<std::u16string>& texts) {
  EndEdit(true);
  row = std::clamp(row, 0, rowCount());
  updatingChecks_ = true;
  insertRow(row);
  for (int column = 0; column < columnCount(); ++column) {
    QTableWidgetItem& cell = ItemAt(row, column);
    if (column < static_cast<int>(texts.size())) {
      cell.setText(ToQString(texts[static_cast<std::size_t>(column)]));
    }
  }
  if (checkboxes_ && columnCount() > 0) {
    QTableWidgetItem& first = ItemAt(row, 0);
    first.setFlags(first.flags() | Qt::ItemIsUserCheckable);
    first.setCheckState(Qt::Unchecked);
    first.setData(kLastCheckRole, false);
  }
  updatingChecks_ = false;
  return row;
}

bool CReportCtrl::DeleteItem(int row) {
  if (row < 0 || row >= rowCount()) return false;
  EndEdit(true);
  removeRow(row);
  return true;
}

void CReportCtrl::DeleteAllItems() {
  EndEdit(true);
  setRowCount(0);
}

void CReportCtrl::SetItemText(int row, int column, std::u16string_view text) {
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return;
  ItemAt(row, column).setText(ToQString(text));
}

std::u16string CReportCtrl::GetItemText(int row, int column) const {
  const QTableWidgetItem* cell = item(row, column);
  return cell != nullptr ? FromQString(cell->text()) : std::u16string();
}

void CReportCtrl::SetItemData(int row, const QVariant& data) {
  if (row < 0 || row >= rowCount() || columnCount() == 0) return;
  ItemAt(row, 0).setData(kRowDataRole, data);
}

QVariant CReportCtrl::GetItemData(int row) const {
  const QTableWidgetItem* cell = item(row, 0);
  return cell != nullptr ? cell->data(kRowDataRole) : QVariant();
}

void CReportCtrl::SetItemTextColour(int row, int column, const QColor& colour) {
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return;
  ItemAt(row, column).setForeground(colour);
}

int CReportCtrl::GetSelectedItem() const {
  const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
  return ranges.isEmpty() ? -1 : ranges.front().topRow();
}

void CReportCtrl::SelectItem(int row) {
  if (row < 0 || row >= rowCount()) {
    clearSelection();
    return;
  }
  selectRow(row);
  setCurrentCell(row, currentColumn() < 0 ? 0 : currentColumn());
  scrollToItem(item(row, 0));
}

bool CReportCtrl::GetCheck(int row) const {
  const QTableWidgetItem* cell = item(row, 0);
  return checkboxes_ && cell != nullptr && cell->checkState() == Qt::Checked;
}

void CReportCtrl::SetCheck(int row, bool checked) {
  if (!checkboxes_ || row < 0 || row >= rowCount() || columnCount() == 0) return;
  ItemAt(row, 0).setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

int CReportCtrl::GetCheckedItem() const {
  for (int row = 0; row < rowCount(); ++row) {
    if (GetCheck(row)) return row;
  }
  return -1;
}

void CReportCtrl::OnItemChanged(QTableWidgetItem* changed) {
  if (!checkboxes_ || updatingChecks_ || changed->column() != 0) return;
  const bool checked = changed->checkState() == Qt::Checked;
  if (changed->data(kLastCheckRole).toBool() == checked) return;  // a text change
  updatingChecks_ = true;
  changed->setData(kLastCheckRole, checked);
  std::vector<int> unchecked;
  if (checked) {
    for (int row = 0; row < rowCount(); ++row) {
      QTableWidgetItem* other = item(row, 0);
      if (other == nullptr || other == changed || other->checkState() != Qt::Checked) continue;
      other->setCheckState(Qt::Unchecked);
      other->setData(kLastCheckRole, false);
      unchecked.push_back(row);
    }
  }
  updatingChecks_ = false;
  for (int row : unchecked) emit checkChanged(row, false);
  emit checkChanged(changed->row(), checked);
}

bool CReportCtrl::EditCell(int row, int column) {
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return false;
  EndEdit(true);
  auto* box = new CEditBox(viewport());
  box->setText(ToQString(GetItemText(row, column)));
  box->selectAll();
  connect(box, &CEditBox::finished, this, &CReportCtrl::EndEdit);
  BeginEdit(box, row, column);
  return true;
}

bool CReportCtrl::EditCellWithChoices(int row, int column,
                                      const std::vector<std::u16string>& choices, int visibleItems,
                                      int current) {
  if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return false;
  EndEdit(true);
  auto* combo = new CComboBox4ListCtrl(viewport());
  for (const auto& choice : choices) combo->addItem(ToQString(choice));
  combo->SetDropHeight(visibleItems);
  combo->setCurrentIndex(current >= 0 && current < combo->count() ? current : -1);
  connect(combo, &CComboBox4ListCtrl::finished, this, &CReportCtrl::EndEdit);
  BeginEdit(combo, row, column);
  combo->showPopup();
  return true;
}

void CReportCtrl::BeginEdit(QWidget* editor, int row, int column) {
  editor_ = editor;
  editRow_ = row;
  editColumn_ = column;
  PlaceEditor();
  editor->show();
  editor->setFocus(Qt::OtherFocusReason);
}

void CReportCtrl::PlaceEditor() {
  if (!editor_) return;
  QRect cell = visualRect(model()->index(editRow_, editColumn_));
  cell.setHeight(std::max(cell.height(), editor_->sizeHint().height()));
  editor_->setGeometry(cell);
}

void CReportCtrl::EndEdit(bool commit) {
  if (!editor_) return;
  QWidget* editor = editor_;
  // Cleared first: hiding the editor takes its focus, which reports again.
  editor_.clear();
  CellEdit edit{.row = editRow_, .column = editColumn_};
  if (auto* box = qobject_cast<CEditBox*>(editor)) {
    edit.text = FromQString(box->text());
  } else if (auto* combo = qobject_cast<CComboBox4ListCtrl*>(editor)) {
    edit.text = FromQString(combo->currentText());
    edit.choice = combo->currentIndex();
  }
  // The list takes the focus back from its own editor, never from a control
  // the user has just moved to.
  const bool hadFocus = IsPartOf(QApplication::focusWidget(), editor);
  editor->hide();
  editor->deleteLater();
  if (hadFocus) setFocus(Qt::OtherFocusReason);
  if (!commit || edit.row >= rowCount() || edit.column >= columnCount()) return;
  if (verifier_ && !verifier_(edit)) return;
  SetItemText(edit.row, edit.column, edit.text);
  emit cellEdited(edit.row, edit.column, ToQString(edit.text), edit.choice);
}

}  // namespace ombrex

#include "app/qt_prompter.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <algorithm>

#include "app/trace_log.h"
#include "platform/text.h"
#include "widgets/qt_text.h"

namespace ombrex {

QString QtFileFilter(std::u16string_view filter) {
  const QStringList parts = ToQString(filter).split(QLatin1Char('|'));
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts[i];
    if (description.isEmpty()) break;
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& pattern : patterns) {
      pattern = pattern.trimmed();
      if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
    }
    const QString list = QLatin1Char('(') + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    entries << (description.endsWith(list) ? description : description + QLatin1Char(' ') + list);
  }
  return entries.join(QStringLiteral(";;"));
}

std::filesystem::path WithDefaultExtension(const std::filesystem::path& file,
                                           std::u16string_view extension) {
  if (extension.empty() || file.has_extension()) return file;
  std::filesystem::path named = file;
  named += u".";
  named += std::u16string(extension);
  return named;
}

QtPrompter::QtPrompter(std::function<QString()> title, TraceLog& trace)
    : title_(std::move(title)), trace_(trace) {}

namespace {

// Marks a question taken back rather than answered.
constexpr char kWithdrawn[] = "ombrexWithdrawn";

}  // namespace

int QtPrompter::Run(QDialog& dialog) {
  open_.emplace_back(&dialog);
  if (whenShown_) {
    QTimer::singleShot(0, &dialog, [this, &dialog] {
      if (whenShown_) whenShown_(dialog);
    });
  }
  const int result = dialog.exec();
  std::erase_if(open_, [&dialog](const QPointer<QDialog>& open) {
    return open.isNull() || open.data() == &dialog;
  });
  return result;
}

bool QtPrompter::Showing() const {
  return std::any_of(open_.begin(), open_.end(),
                     [](const QPointer<QDialog>& open) { return !open.isNull(); });
}

void QtPrompter::CloseOpen() {
  // Each box's loop ends as soon as the loops above it have returned.
  const std::vector<QPointer<QDialog>> open = open_;
  for (auto at = open.rbegin(); at != open.rend(); ++at) {
    if (!at->isNull()) (*at)->reject();
  }
}

void QtPrompter::WithdrawQuestions() {
  const std::vector<QPointer<QDialog>> open = open_;
  for (auto at = open.rbegin(); at != open.rend(); ++at) {
    auto* box = qobject_cast<QMessageBox*>(at->data());
    if (box == nullptr || box->icon() != QMessageBox::Question) continue;
    trace_.Line("question withdrawn");
    box->setProperty(kWithdrawn, true);
    box->reject();
  }
}

void QtPrompter::ShowMessage(std::u16string_view text, bool topmost) {
  trace_.Line("message: " + Utf8FromUtf16(text));
  QMessageBox box(QMessageBox::Information, title_ ? title_() : QString(), ToQString(text),
                  QMessageBox::Ok);
  if (topmost) box.setWindowFlag(Qt::WindowStaysOnTopHint);
  Run(box);
}

Answer QtPrompter::AskQuestion(std::u16string_view text, bool threeWay) {
  trace_.Line("question: " + Utf8FromUtf16(text));
  const QMessageBox::StandardButton yes = threeWay ? QMessageBox::Apply : QMessageBox::Yes;
  const QMessageBox::StandardButton no = threeWay ? QMessageBox::Discard : QMessageBox::No;
  // The three-way question's safe answer changes nothing; the Yes/No one's is No.
  const QMessageBox::StandardButton safe = threeWay ? QMessageBox::Cancel : QMessageBox::No;
  QMessageBox box(QMessageBox::Question, title_ ? title_() : QString(), ToQString(text),
                  threeWay ? (yes | no | QMessageBox::Cancel) : (yes | no));
  box.setDefaultButton(safe);
  box.setEscapeButton(safe);
  Run(box);
  if (box.property(kWithdrawn).toBool()) return Answer::Cancel;
  QAbstractButton* clicked = box.clickedButton();
  if (clicked == box.button(yes)) return Answer::Yes;
  if (threeWay && clicked != box.button(no)) return Answer::Cancel;
  return Answer::No;
}

Answer QtPrompter::AskYesNo(std::u16string_view text) {
  return AskQuestion(text, false);
}

Answer QtPrompter::AskApplyOrDiscard(std::u16string_view text) {
  return AskQuestion(text, true);
}

std::optional<std::filesystem::path> QtPrompter::ChooseFile(const FileDialogOptions& options,
                                                            bool save) {
  // Initial names come as Windows paths ("folder\\*.fwc"); a name with a
  // wildcard only says what to list.
  QString initial = ToQString(options.initialName);
  initial.replace(QLatin1Char('\\'), QLatin1Char('/'));
  const QFileInfo info(initial);
  QFileDialog dialog(nullptr, title_ ? title_() : QString(),
                     info.path() == QLatin1String(".") ? QString() : info.path(),
                     QtFileFilter(options.filter));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(ToQString(options.defaultExtension));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.overwritePrompt);
  if (!info.fileName().contains(QLatin1Char('*'))) dialog.selectFile(info.fileName());
  trace_.Line(save ? "save file" : "open file");
  if (Run(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const std::filesystem::path chosen(dialog.selectedFiles().front().toStdU16String());
  return WithDefaultExtension(chosen, options.defaultExtension);
}

std::optional<std::filesystem::path> QtPrompter::ChooseOpenFile(const FileDialogOptions& options) {
  return ChooseFile(options, false);
}

std::optional<std::filesystem::path> QtPrompter::ChooseSaveFile(const FileDialogOptions& options) {
  return ChooseFile(options, true);
}

}  // namespace ombrex

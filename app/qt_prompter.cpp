#include "app/qt_prompter.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

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

int QtPrompter::Run(QDialog& dialog) {
  open_ = &dialog;
  if (whenShown_) {
    QTimer::singleShot(0, &dialog, [this, &dialog] {
      if (whenShown_) whenShown_(dialog);
    });
  }
  const int result = dialog.exec();
  open_ = nullptr;
  return result;
}

void QtPrompter::CloseOpen() {
  if (open_) open_->reject();
}

void QtPrompter::ShowMessage(std::u16string_view text, bool topmost) {
  trace_.Line("message: " + Utf8FromUtf16(text));
  QMessageBox box(QMessageBox::Information, title_ ? title_() : QString(), ToQString(text),
                  QMessageBox::Ok);
  if (topmost) box.setWindowFlag(Qt::WindowStaysOnTopHint);
  Run(box);
}

Answer QtPrompter::AskYesNo(std::u16string_view text) {
  trace_.Line("question: " + Utf8FromUtf16(text));
  QMessageBox box(QMessageBox::Question, title_ ? title_() : QString(), ToQString(text),
                  QMessageBox::Yes | QMessageBox::No);
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  Run(box);
  return box.clickedButton() == box.button(QMessageBox::Yes) ? Answer::Yes : Answer::No;
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

#include "fileutil/file_dialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QPointer>

namespace fileutil {
namespace {

// Shows the dialog modally and hands back the first chosen path. The dialog lives on the heap
// under its owner: should the owner go while the dialog is open, the dialog goes with it and
// the answer is empty text.
std::string run(QFileDialog* created) {
  QPointer<QFileDialog> dialog(created);
  const bool chosen = dialog->exec() == QDialog::Accepted;
  if (!dialog) return {};
  std::string path;
  if (chosen && !dialog->selectedFiles().isEmpty()) {
    path = QFile::encodeName(dialog->selectedFiles().first()).toStdString();
  }
  delete dialog;
  return path;
}

}  // namespace

std::optional<QWidget*> dialog_owner(WId id) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return std::nullopt;
  if (id == 0) return nullptr;
  QWidget* widget = QWidget::find(id);
  if (!widget) return std::nullopt;
  return widget->window();
}

std::string choose_file(QWidget* owner, const std::string& folder, const QStringList& filters,
                        const QString& default_suffix, const std::string& title) {
  auto* dialog = new QFileDialog(owner, QString::fromStdString(title), QFile::decodeName(QByteArray::fromStdString(folder)));
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  dialog->setFileMode(QFileDialog::ExistingFile);
  dialog->setOption(QFileDialog::HideNameFilterDetails);
  dialog->setNameFilters(filters);
  dialog->setDefaultSuffix(default_suffix);
  return run(dialog);
}

std::string choose_folder(QWidget* owner, const std::string& title) {
  auto* dialog = new QFileDialog(owner, QString::fromStdString(title));
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  dialog->setFileMode(QFileDialog::Directory);
  dialog->setOption(QFileDialog::ShowDirsOnly);
  return run(dialog);
}

}  // namespace fileutil

// The two modal dialogs of the file utilities, over Qt's file dialog. Texts come in and go out
// as UTF-8; the chosen path comes back as the bytes that name it.
#pragma once

#include <QStringList>
#include <QWidget>
#include <optional>
#include <string>

namespace fileutil {

// The window that a dialog may be shown over: nullptr for no owner (id 0), nothing when the id
// names no live window of this program or when there is no application to show windows.
std::optional<QWidget*> dialog_owner(WId id);

// The chosen existing file, or empty text when the user cancelled.
std::string choose_file(QWidget* owner, const std::string& folder, const QStringList& filters,
                        const QString& default_suffix, const std::string& title);

// The chosen folder, or empty text when the user cancelled.
std::string choose_folder(QWidget* owner, const std::string& title);

}  // namespace fileutil

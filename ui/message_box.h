// Every message of the tool goes through ShowMessage: a modal box with the application title,
// the given icon and one OK button. Tests put a recorder in its place.
#pragma once

#include <QString>
#include <functional>

inline constexpr const char* kApplicationTitle = "Vokarel";

enum class MessageIcon { None, Information, Warning };

using MessageHandler = std::function<void(MessageIcon, const QString&)>;

// Returns after the user has closed the box (or the handler has returned).
void ShowMessage(MessageIcon icon, const QString& text);

// Puts `handler` in place of the box and returns the one it replaces; an empty handler brings
// back the box.
MessageHandler SetMessageHandler(MessageHandler handler);

// Warning boxes for failed serial operations.
#pragma once

#include <QString>
#include <optional>

// The text for a negative result of a port operation; none for -8, whose text is the system's.
// Access denied names the group of the device that PortSettings.Port reaches.
std::optional<QString> SerialErrorText(int result);

// The platform's text for a system error number in the user's language, or the number itself
// when the platform has no text for it.
QString SystemErrorText(int error_number);

// Shows the text for `result`; for -8 shows the system's text for `error_number` instead.
void ShowSerialError(int result, int error_number);

void ShowSystemError(int error_number);

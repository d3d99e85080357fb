// The system's single-byte code page, Windows-1251. Received bytes stay bytes inside the program;
// they become Unicode only to be shown, and typed text becomes bytes only to be sent.
#pragma once

#include <QString>
#include <string>
#include <string_view>

// One character per byte. The one code the page leaves undefined (0x98) maps to U+0098, so
// every byte sequence survives a round trip through FromWindows1251 and ToWindows1251.
QString FromWindows1251(std::string_view bytes);

// One byte per character; a character the page cannot hold becomes '?'.
std::string ToWindows1251(const QString& text);

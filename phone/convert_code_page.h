// The phone spells Cyrillic letters in memo names as two-byte codes (UTF-8 of the Cyrillic
// block); the memo list shows them in Windows-1251.
#pragma once

#include <string>

// Converts a memo name as received into its Windows-1251 bytes. Bytes outside the two-byte
// pairs pass through. A lead byte with no usable second byte (0xD0 or 0xD1 at the end, or 0xD0
// before a byte of 0xD0 or more) also passes through, and the scan goes on after it, so every
// name has something to show.
std::string ConvertCodePage(const std::string& SourseString);

// What a memo download does with the file the phone sent: it keeps it only when it is the memo
// asked for, and then only under the memo's display name and ".amr" beside the program, never
// replacing a file there. Other transfers leave their files where the library stored them.
#pragma once

#include <QString>
#include <string>

#include "phone/safe_names.h"
#include "transfer/ft_proc.h"

// The program folder, "/", the memo's display name and ".amr"; empty for a name that could
// leave the folder.
std::string MemoFilePath(const MemoNames& memo);

// True when something (a file, a folder, a link even to nothing) has that name.
bool PathIsTaken(const std::string& path);

// "Файл уже существует: " and the path, with what the user can do about it.
QString MemoFileExistsText(const std::string& path);

// Reports the outcome of a memo download. A file whose announced name is not the memo's is
// deleted and said to be another file; the memo's file is moved to MemoFilePath, or, when that
// fails, kept where it is and named. Returns the memo's file when the memo was saved there, else
// empty.
std::string CompleteMemoDownload(const TransferOutcome& outcome, const MemoNames& memo);

// The program folder: where COMn links are looked up and received files are stored.
#pragma once

#include <string>

namespace sio {

// The folder of the running executable, unless a test pointed it elsewhere.
std::string program_folder();

// Points the program folder at `folder` for this process (tests use their own temporary folder);
// an empty string returns to the executable's folder.
void set_program_folder(const std::string& folder);

}  // namespace sio

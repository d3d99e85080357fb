// The program folder: where COMn links are looked up and received files are stored.
#pragma once

#include <string>

namespace sio {

// The folder of the running executable, unless a test pointed it elsewhere or the program is
// installed (see user_folder_for).
std::string program_folder();

// Where an executable in `exe_folder` keeps its COM links and received files: that folder itself
// in a build tree or an unpacked copy; for an installed program (a folder this user cannot write,
// or a system folder such as /usr/bin) the per-user folder "$XDG_DATA_HOME/vokarel"
// ("~/.local/share/vokarel" without it), created when missing.
std::string user_folder_for(const std::string& exe_folder);

// Points the program folder at `folder` for this process (tests use their own temporary folder);
// an empty string returns to the executable's folder.
void set_program_folder(const std::string& folder);

}  // namespace sio

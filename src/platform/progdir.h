// Where the program keeps its settings file and camera library.
#pragma once

#include <string>

namespace vt {

// The directory of the running executable, with its trailing separator.
std::string ExecutableDirectory();

// The program directory: the executable's directory when it is writable;
// otherwise (an installed program) the per-user data directory
// $XDG_DATA_HOME/Vorantel/ (~/.local/share/Vorantel/), created if needed.
std::string ProgramDirectory();

// The per-user data directory named above.
std::string UserDataDirectory();

} // namespace vt

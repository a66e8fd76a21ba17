// Where the program keeps its settings file and camera library, and where
// its installed files lie.
#pragma once

#include <string>

namespace vt {

// The running executable's full path; empty when the system does not tell.
std::string ExecutablePath();

// The directory of the running executable, with its trailing separator.
std::string ExecutableDirectory();

// The folder of the program's installed, read-only files (the help book)
// for an executable in exeDir: exeDir + "../share/vorantel/" in the layout
// the install rules make (with trailing separator).
std::string InstalledDataDirectory(const std::string& exeDir);

// An executable that `cmake --install` put in place: its installed data
// folder exists beside its own.
bool IsInstalledProgram(const std::string& exeDir);

// The program directory: the executable's directory when the program runs
// from where it was built (or unpacked) and that directory is writable;
// otherwise (an installed program, or a folder it may not write) the
// per-user data directory $XDG_DATA_HOME/Vorantel/
// (~/.local/share/Vorantel/), created if needed.
std::string ProgramDirectory();
std::string ProgramDirectoryFor(const std::string& exeDir);

// The per-user data directory named above.
std::string UserDataDirectory();

} // namespace vt

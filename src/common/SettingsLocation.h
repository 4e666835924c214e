#pragma once
// Where the settings file lives. A copy of the program in a folder of its own
// (a portable copy, or the build folder) keeps "Zel.ini" beside the
// executable. An installed program cannot write there, and settings written
// beside it would be lost without a word, so it keeps them in the user's
// configuration folder instead.
#include <string>

namespace zel {

// The file `fileName` (relative) of a program in `programFolder` (with its
// trailing '/'): beside the executable when the file exists there, or when
// the folder is writable and not one of the system's program folders
// (below /usr, /bin, /sbin); otherwise $XDG_CONFIG_HOME/zelmora/<fileName>,
// by default ~/.config/zelmora/<fileName>. Without a usable configuration
// folder the file beside the executable is the answer (and writes fail
// quietly, as they do for any unwritable settings file).
std::string SettingsFilePath(const std::string& programFolder, const std::string& fileName);

// The user's configuration folder of this program with its trailing '/',
// empty when neither XDG_CONFIG_HOME nor HOME names one.
std::string ConfigFolder();

// Makes the folder that holds `path` when it is missing (with its parents,
// readable by the user only). False when it cannot be made.
bool MakeParentFolder(const std::string& path);

}  // namespace zel

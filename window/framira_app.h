#pragma once
// The application object's work around the main window: the stored choices
// are read before the window opens and written after it closes.

#include <string>
#include <vector>

class CPlatformServices;

// Where the help's table of contents is: beside the program (build tree) or
// in the installed documentation folder.
std::string FindHelpFile(const std::string& programFolder);

// Runs the window until it closes; the process's exit code. Pictures and
// folders opened with the program (from a file manager) start in its list,
// as a drop of them would put them there.
int RunFramiraWindow(CPlatformServices& platform, const std::string& helpFile,
                     const std::vector<std::string>& openedPaths = {});

// Libraries of the system folder, and nowhere else.
//
// A library loaded by its bare name is searched for in the program's own
// folder first, so a copy planted beside the program would run inside it.
// Every library the program loads at run time is therefore loaded by its
// full path in the system folder, and the process's library search is
// restricted to that folder at start-up.
#pragma once

#include <windows.h>

namespace nc::win32 {

// Loads `fileName` ("pstorec.dll") from the system folder by its full
// path; the libraries it needs in turn are looked for in the system folder
// first. Null when it is not there (GetLastError says why).
HMODULE LoadSystemLibrary(const wchar_t* fileName);

// Restricts the library search of the whole process to the system folder
// (SetDefaultDllDirectories, where the system has it), or else takes the
// current folder out of it (SetDllDirectoryW with an empty folder). Called
// first thing in the program's entry. True when the search was restricted
// to the system folder.
bool RestrictLibrarySearchToSystemFolder();

}  // namespace nc::win32

// The program's own path, and the shell's services: opening files and web addresses in the
// user's programs, Properties sheets, item id lists and the shutdown privilege.
#pragma once

#include <windows.h>

#include <cstdint>

struct _ITEMIDLIST;

namespace s::file::win {
class PathWin;
}

namespace s::system::win {

/// A new path of the program's executable (the caller releases it); not valid when the system
/// does not say.
file::win::PathWin* getModulePath();
/// Opens a file, folder or web address with the user's program for it (verb "open", SW_SHOW);
/// false when nothing could be started.
bool shellOpen(const WCHAR* target);
/// Asks for the Properties sheet of `path`; false when the shell could not show it.
bool showProperties(const WCHAR* path);
/// The shell's item id list of `path` into `idList` (the caller frees it with ILFree); false for
/// an empty path, a null `idList` or a path the shell cannot name.
bool pathToIdList(const WCHAR* path, _ITEMIDLIST** idList);
/// One Properties sheet for `count` paths; false when no sheet could be shown.
bool showMultiFileProperties(uint32_t count, const WCHAR* const* paths);
/// Enables the right to shut the machine down, once per process (any thread); failures are not
/// reported.
void enableShutdownPrivilege();

}  // namespace s::system::win

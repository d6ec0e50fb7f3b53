// Where Windows paths meet POSIX paths: drive Z: is the POSIX root ("/home/ann/a.mp3" is
// "Z:\home\ann\a.mp3"), the "\\?\" prefix is accepted and stripped, and names are UTF-8 on
// disk, with each byte that is not UTF-8 carried inside as the lone surrogate U+DC00 + byte, and
// so is a "\" inside a POSIX name (U+DC5C), which a Windows path would read as a separator.
// Every area that hands a path to the system or takes one from it converts here.
#pragma once

#include <string>
#include <string_view>

namespace winapi::paths {

/// The full Windows form of a path, as GetFullPathNameW makes it: relative paths joined to the
/// current folder, "/" turned into "\", runs of separators merged, "." and ".." resolved by
/// text. A trailing separator is kept. "\\?\" paths come back unchanged.
std::u16string fullPath(std::u16string_view path);

/// The POSIX path a Windows path names. False with the last error set when it names nothing
/// here: ERROR_PATH_NOT_FOUND for an empty path or a drive other than Z:, ERROR_BAD_NETPATH
/// for a UNC path, ERROR_INVALID_NAME for a name that cannot be written in bytes.
bool toUnix(std::u16string_view path, std::string& out);
/// Null-terminated form; a null path fails with ERROR_INVALID_PARAMETER.
bool toUnix(const char16_t* path, std::string& out);

/// The Windows form of a POSIX path: absolute paths on drive Z:, relative ones kept relative.
/// A "\" of the POSIX path is part of a name there, never a separator: it becomes U+DC5C, which
/// toUnix turns back into it, so the path names the same file both ways.
std::u16string toWindows(std::string_view unixPath);

/// A path as the person at this system knows it: a path on drive Z: in its POSIX form
/// ("Z:\home\ann\Music" is "/home/ann/Music"), a relative one with "/" between its names, and
/// each byte of a name that is not UTF-8 as U+FFFD. Nothing is resolved against the current
/// folder except "Z:name"; paths on no drive of this system (another drive, a UNC path) are
/// shown as they are.
std::u16string displayForm(std::u16string_view path);

/// A text from the system (an argument, a program's name) as UTF-16, undecodable bytes escaped
/// and everything else as it stands; a path or a name inside a folder takes toWindows.
std::u16string nameToWindows(std::string_view name);

}  // namespace winapi::paths

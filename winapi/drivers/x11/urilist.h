// What an XDND drag delivers: the text/uri-list read into the dropped files' Windows paths, and
// the address of a dragged link (text/uri-list, text/x-moz-url, _NETSCAPE_URL). Kept apart from
// the driver so that it can be tested and fuzzed without an X server.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace winapi::x11 {

/// Decodes a file URI into the Windows form of its path (drive Z: is the POSIX root; bytes that
/// are not UTF-8, and a "\" inside a name, become the layer's escapes, see paths::toWindows).
/// Accepted: "file:///path", "file:/path" and "file://host/path", with %-escaped bytes. A file
/// of another machine than this one ("localhost" or its host name) becomes the UNC path of its
/// share, "\\host\share\path", and a byte no name here can hold (an escaped "/", a NUL) the
/// escape of that byte: paths that no file call opens, so the program names each such entry as
/// one it cannot find, and none turns into the path of another file. False for other addresses
/// and for URIs without an absolute path.
bool uriToWindowsPath(std::string_view uri, std::u16string* out);

/// The files of a text/uri-list: one URI per line, lines ended by CRLF or LF, lines starting
/// with "#" are comments. Lines that are no file URI are left out: a link is no file.
std::vector<std::u16string> parseUriList(std::string_view text);

/// The first URI of a text/uri-list (comments and empty lines skipped), or empty.
std::string firstUri(std::string_view text);
/// Whether a URI names a file (the "file:" scheme, any case).
bool isFileUri(std::string_view uri);

/// The address of a dragged link: the first line of "URL\nTitle". text/x-moz-url comes in
/// UTF-16, little-endian unless a byte-order mark says otherwise, _NETSCAPE_URL and
/// text/uri-list in UTF-8. Empty when there is none.
std::u16string linkFromUtf16(std::string_view bytes);
std::u16string linkFromUtf8(std::string_view bytes);

}  // namespace winapi::x11

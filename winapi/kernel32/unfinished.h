// Internal to the layer: the files a process must not leave behind when it ends (the hidden
// names of temporary files still unfinished, and files opened to be deleted on close), and the
// one call that removes them, safe in a signal handler.
#pragma once

namespace winapi::files {

/// One entry of the list. Opaque to callers; never freed, so the removal can walk the list
/// without a lock while other threads add and drop entries.
struct UnfinishedSlot;

/// Takes an entry for the POSIX path `path` (absolute, shorter than PATH_MAX), not yet armed:
/// the removal passes over it until `armUnfinished`. So the caller creates the file between the
/// two calls, and a signal in between can leave a stray file but never remove another one of
/// that name. Null when the path is too long or memory is out. The first call also arranges
/// the removal at the process's normal end and on SIGINT, SIGHUP and SIGTERM while those still
/// have their default action. Any thread.
UnfinishedSlot* reserveUnfinished(const char* path);

/// From now on the removal unlinks the entry's path.
void armUnfinished(UnfinishedSlot* slot);

/// Gives the entry back once its file has been removed or has taken its final name. Null does
/// nothing.
void dropUnfinished(UnfinishedSlot* slot);

/// Unlinks every armed entry's path. Async-signal-safe: no lock, no allocation, only unlink(2);
/// a last-resort exit path or a signal handler calls it before it ends the process. Entries
/// stay listed (a file already gone is passed over), so calling it twice does no harm.
void removeUnfinishedFiles() noexcept;

}  // namespace winapi::files

#pragma once
// Folders and files the program uses, in their Linux places.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tonvia::platform {

// Folder for the settings file: $XDG_CONFIG_HOME, else ~/.config; empty when neither can be
// determined or created.
std::string SettingsFolder();

// Per-user runtime or temporary folder: $XDG_RUNTIME_DIR, else $TMPDIR, else /tmp.
std::string RuntimeFolder();

// The process's current working directory ("." when it cannot be read).
std::string WorkingDirectory();

// Directory of the running executable, with a trailing '/'.
std::string ExecutableDirectory();

bool PathExists(const std::string& path);
// False when `path` exists but this process may not open it for reading and writing (a
// device node without permission for this user).
bool MayReadWrite(const std::string& path);

// Creates `path` (and missing parents) as folders; true when it exists afterwards.
bool MakeFolders(const std::string& path);

// A private working folder `name` inside the runtime folder: created with mode 0700 when
// missing; refused (nullopt) when it is a symbolic link, not a folder, or owned by another
// user.
std::optional<std::string> PrivateWorkFolder(const std::string& name);

// How WritePrivateFile ended.
enum class PrivateWrite { kWritten, kCannotCreate, kShortWrite };

// Creates or truncates the regular file `path` with mode 0600 and writes `bytes`. A
// symbolic link, anything but a regular file, or a file of another user at the path is
// refused (kCannotCreate), so a name planted in a shared temporary folder cannot redirect
// the write.
PrivateWrite WritePrivateFile(const std::string& path, std::span<const std::uint8_t> bytes);

// Removes everything inside `folder` (files, subfolders, links: a link is removed, never
// followed) and keeps the folder. False when `folder` is a symbolic link or not a folder,
// or something could not be removed.
bool EmptyFolder(const std::string& folder);

// EmptyFolder, then the folder itself. True also when nothing exists at the path.
bool RemoveFolderTree(const std::string& folder);

// Renames `from` to `to`, replacing a file of that name. False when `from` is missing.
bool RenameReplacing(const std::string& from, const std::string& to);

// Removes the file (or link) at `path`; true when nothing is there afterwards.
bool RemoveFile(const std::string& path);

// Writes the whole file or nothing: a temporary file beside it, flushed to disk, then
// renamed over the target. A symbolic link is followed, so the file it names is replaced
// and the link stays; an existing file keeps its mode, a new one gets 0644. Anything but a
// regular file at the path is refused. On failure `error` says why and the old file is
// untouched.
bool WriteFileAtomically(const std::string& path, std::span<const char> bytes,
                         std::string* error = nullptr);

// What a whole-file read found.
struct FileRead {
    std::optional<std::string> bytes;  // the whole file, when it could be read
    bool missing = false;              // nothing exists at the path
    bool tooLarge = false;             // a regular file over the limit
    std::string error;                 // otherwise, why it could not be read
};

// Reads a regular file of at most `maxBytes` whole. Folders, pipes, devices and larger
// files are refused without reading them, so a pipe never blocks the caller.
FileRead ReadRegularFile(const std::string& path, std::size_t maxBytes);

// ReadRegularFile with a limit far above any file the program writes; nullopt when the
// file is missing or cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path);

}  // namespace tonvia::platform

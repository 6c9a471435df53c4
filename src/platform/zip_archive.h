#pragma once
// An encrypted zip archive on disk and in memory: members protected with the traditional
// zip encryption (the skin package, the firmware packages). Plain C++ over libzip, so the
// build-time packer and the layers below the windows share it.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct zip;
struct zip_source;

namespace tonvia::platform {

// Largest member the reader accepts; the package holds layouts, texts and small images.
inline constexpr std::size_t kMaxArchiveMemberSize = 64u * 1024u * 1024u;

struct ArchiveEntry {
    std::string name;  // path inside the archive, '/' separated
    std::vector<std::uint8_t> data;
};

// Every regular file below `root`, named by its path relative to `root`, sorted by name.
// Returns nullopt (with `error`) when the folder cannot be read.
std::optional<std::vector<ArchiveEntry>> CollectFolder(const std::filesystem::path& root,
                                                       std::string* error);

// Packs `entries` (deflated, each encrypted with `password`) into an archive in memory.
std::optional<std::vector<std::uint8_t>> PackEncryptedZip(const std::vector<ArchiveEntry>& entries,
                                                          const std::string& password,
                                                          std::string* error);

// The build's packers: every file below `folder`, packed with `password` and written to
// `output` through a temporary file renamed over it. The number of files packed, or
// nullopt with `error` (an empty folder is an error too).
std::optional<std::size_t> PackFolderToFile(const std::filesystem::path& folder,
                                            const std::string& password, const std::string& output,
                                            std::string* error);

// Reads an encrypted archive held in memory. The archive keeps its own copy of the bytes.
// Not for concurrent use from several threads without the internal lock it takes per call.
class ZipArchive {
  public:
    // Opens `bytes` as a zip archive; malformed or truncated bytes give nullptr and `error`.
    static std::unique_ptr<ZipArchive> Open(std::span<const std::uint8_t> bytes,
                                            const std::string& password, std::string* error);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // The whole member `name`, or nullopt with `error` when it is missing, the password is
    // wrong, or its data are damaged (checksum mismatch).
    std::optional<std::vector<std::uint8_t>> Read(std::string_view name, std::string* error) const;
    bool Contains(std::string_view name) const;
    std::vector<std::string> Names() const;

  private:
    ZipArchive() = default;
    std::vector<std::uint8_t> mBytes;
    zip* mArchive = nullptr;
    mutable std::mutex mMutex;
};

}  // namespace tonvia::platform

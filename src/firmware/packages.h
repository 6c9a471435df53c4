#pragma once
// The firmware packages carried in the program and their preparation for the download
// tool: written out of the executable, unpacked flat into the private working folder,
// renamed into the names the tool expects, and checked. No Qt.

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/process.h"

namespace tonvia::firmware {

// The firmware package and the download tool package, as resources and as written files.
inline constexpr const char* kFirmwareResource = "IDR_MCU_BIN";
inline constexpr const char* kFirmwareFile = "MCU_UPG.bin";
inline constexpr const char* kToolResource = "ID_MCU_OTHER";
inline constexpr const char* kToolFile = "MCU_UPG_other.bin";
inline constexpr const char* kResourceType = "BIN";

// The working folder (inside the per-user runtime folder) and the script run in it.
inline constexpr const char* kWorkFolderName = "MCU_UPG";
inline constexpr const char* kScriptName = "download.bat";

// How long the download tool may run.
inline constexpr std::chrono::milliseconds kToolTimeLimit{300000};

// Largest package file read and largest total unpacked from one package.
inline constexpr std::size_t kMaxPackageBytes = 256u << 20;

// Results of ExtractResource. 2 and 4 name failures of the system's resource loader; the
// embedded registry never produces them.
enum ExtractResult : int {
    kExtracted = 0,
    kResourceNotFound = 1,
    kResourceNotLoaded = 2,
    kResourceEmpty = 3,
    kResourceNotLocked = 4,
    kFileNotCreated = 5,
    kFileShort = 6,
};

// Writes the resource `resourceName` to the file `fileName` in the per-user runtime
// folder; `writtenPath` receives that file's path. `fileName` must be a bare name.
int ExtractResource(const std::string& fileName, const std::string& resourceName,
                    const std::string& resourceType, std::string* writtenPath = nullptr);

// Which members of a package are unpacked, and into what.
struct UnzipRules {
    // Earlier contents never mix with a new package or pass the checks that follow.
    bool emptyFolderFirst = true;
    // Only the members a firmware package consists of (a user's package must not bring
    // its own download script or tool).
    bool firmwareMembersOnly = false;
};

// The six members of a firmware package.
bool IsFirmwareMember(std::string_view baseName);

// The name a member is written under: the part after the last '/', '\' or ':'; empty when
// that is empty, "." or "..", so the member is skipped.
std::string MemberFileName(std::string_view memberName);

// Unpacks the package at `zipPath` (opened with `password`) flat into the working folder,
// whose path goes to `outFolder`: each member under its MemberFileName, directory entries
// and nameless members skipped, files of the same name replaced. Every member is read
// whole and its size and checksum checked before it is written. False, with the folder
// emptied, on any failure: the folder cannot be used (a symbolic link, another user's),
// the package cannot be read, a member is damaged or two members name the same file.
bool UnzipPackage(const std::string& zipPath, std::string& outFolder, const std::string& password,
                  const UnzipRules& rules = {});

// UnzipPackage for package bytes already in memory, into `folder` as it is.
bool UnzipPackageBytes(std::span<const std::uint8_t> package, const std::string& folder,
                       const std::string& password, const UnzipRules& rules = {});

// Results of PrepareUpgradePackages.
enum PrepareResult : int {
    kPrepared = 0,
    kToolPackageMissing = 1,  // also: the working folder or the tool package is unusable
    kNoIsdBin = 2,            // also: the firmware package cannot be unpacked
    kNoIsdFw = 3,
    kNoAppBin = 4,
    kNoDspImage = 5,
    kNoDownloadScript = 6,
};

// Prepares the working folder for installing the firmware package at `packagePath`: the
// tool package is unpacked into the emptied folder, then the package's firmware members;
// "CS4953.bin" and "CS4953.fw" become "jl_isd.bin" and "jl_isd.fw". `outFolder` receives
// the working folder, `outScriptPath` the download script's path.
int PrepareUpgradePackages(const std::string& packagePath, std::string& outFolder,
                           std::string& outScriptPath);

// Whether a download tool run installed the firmware. The tool must have exited by itself
// with status 0, and the last line it printed that is not blank must end with "success"
// (letter case and a trailing carriage return ignored). The last line, not any line, so
// that a failure reported after an earlier step's success line still counts as failure.
bool ToolReportedSuccess(const platform::ToolRun& run);

// Removes the working folder with everything in it (links are removed, never followed).
bool DeleteWorkFolder(const std::string& folder);

}  // namespace tonvia::firmware

#include "firmware/packages.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <set>

#include "firmware/package_password.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/resources.h"
#include "platform/zip_archive.h"

namespace tonvia::firmware {
namespace {

constexpr std::array<std::string_view, 6> kFirmwareMembers = {
    "app.bin", "cfg_tool.bin", "CS4953.bin", "CS4953.fw", "dsp_image.bin", "isd_config.ini"};

bool Fail(const std::string& folder, const char* what, const std::string& detail) {
    LogPrintA("UnzipPackage: %s %s\n", what, detail.c_str());
    platform::EmptyFolder(folder);
    return false;
}

std::string InFolder(const std::string& folder, std::string_view name) {
    return folder + "/" + std::string(name);
}

}  // namespace

int ExtractResource(const std::string& fileName, const std::string& resourceName,
                    const std::string& resourceType, std::string* writtenPath) {
    const auto bytes = platform::FindResource(resourceName);
    if (!bytes) {
        LogPrintA("ExtractResource: no resource %s of type %s\n", resourceName.c_str(),
                  resourceType.c_str());
        return kResourceNotFound;
    }
    if (bytes->empty()) {
        return kResourceEmpty;
    }
    if (MemberFileName(fileName) != fileName) {
        return kFileNotCreated;
    }
    const std::string path = InFolder(platform::RuntimeFolder(), fileName);
    if (writtenPath != nullptr) {
        *writtenPath = path;
    }
    switch (platform::WritePrivateFile(path, *bytes)) {
        case platform::PrivateWrite::kWritten:
            return kExtracted;
        case platform::PrivateWrite::kCannotCreate:
            LogPrintA("ExtractResource: cannot create %s\n", path.c_str());
            return kFileNotCreated;
        case platform::PrivateWrite::kShortWrite:
            break;
    }
    LogPrintA("ExtractResource: %s written short\n", path.c_str());
    return kFileShort;
}

bool IsFirmwareMember(std::string_view baseName) {
    return std::find(kFirmwareMembers.begin(), kFirmwareMembers.end(), baseName) !=
           kFirmwareMembers.end();
}

std::string MemberFileName(std::string_view memberName) {
    // ':' counts as a separator too: a drive or stream prefix names no file of ours.
    const std::size_t cut = memberName.find_last_of("/\\:");
    const std::string_view base =
        cut == std::string_view::npos ? memberName : memberName.substr(cut + 1);
    if (base.empty() || base == "." || base == "..") {
        return {};
    }
    return std::string(base);
}

bool UnzipPackageBytes(std::span<const std::uint8_t> package, const std::string& folder,
                       const std::string& password, const UnzipRules& rules) {
    if (rules.emptyFolderFirst && !platform::EmptyFolder(folder)) {
        LogPrintA("UnzipPackage: cannot empty %s\n", folder.c_str());
        return false;
    }
    std::string error;
    const auto archive = platform::ZipArchive::Open(package, password, &error);
    if (!archive) {
        return Fail(folder, "cannot open the package:", error);
    }
    std::set<std::string> written;
    std::size_t total = 0;
    for (const std::string& name : archive->Names()) {
        if (!name.empty() && (name.back() == '/' || name.back() == '\\')) {
            continue;  // a directory entry
        }
        const std::string file = MemberFileName(name);
        if (file.empty() || (rules.firmwareMembersOnly && !IsFirmwareMember(file))) {
            LogPrintA("UnzipPackage: skipped member %s\n", name.c_str());
            continue;
        }
        // Which of two members would be installed would depend on their order.
        if (!written.insert(file).second) {
            return Fail(folder, "two members for", file);
        }
        const auto data = archive->Read(name, &error);
        if (!data) {
            return Fail(folder, "damaged member", name + ": " + error);
        }
        total += data->size();
        if (total > kMaxPackageBytes) {
            return Fail(folder, "package unpacks too large at", name);
        }
        if (platform::WritePrivateFile(InFolder(folder, file), *data) !=
            platform::PrivateWrite::kWritten) {
            return Fail(folder, "cannot write", InFolder(folder, file));
        }
    }
    return true;
}

bool UnzipPackage(const std::string& zipPath, std::string& outFolder, const std::string& password,
                  const UnzipRules& rules) {
    const auto folder = platform::PrivateWorkFolder(kWorkFolderName);
    if (!folder) {
        LogPrintA("UnzipPackage: the working folder %s cannot be used\n", kWorkFolderName);
        outFolder.clear();
        return false;
    }
    outFolder = *folder;
    const platform::FileRead read = platform::ReadRegularFile(zipPath, kMaxPackageBytes);
    if (!read.bytes) {
        return Fail(outFolder, "cannot read", zipPath + ": " + read.error);
    }
    const auto* begin = reinterpret_cast<const std::uint8_t*>(read.bytes->data());
    return UnzipPackageBytes(std::span(begin, read.bytes->size()), outFolder, password, rules);
}

int PrepareUpgradePackages(const std::string& packagePath, std::string& outFolder,
                           std::string& outScriptPath) {
    outScriptPath.clear();
    std::string toolPath;
    if (ExtractResource(kToolFile, kToolResource, kResourceType, &toolPath) != kExtracted) {
        return kToolPackageMissing;
    }
    const bool toolUnpacked =
        UnzipPackage(toolPath, outFolder, kPackagePassword,
                     {.emptyFolderFirst = true, .firmwareMembersOnly = false});
    platform::RemoveFile(toolPath);
    if (!toolUnpacked) {
        return kToolPackageMissing;
    }
    if (!UnzipPackage(packagePath, outFolder, kPackagePassword,
                      {.emptyFolderFirst = false, .firmwareMembersOnly = true})) {
        return kNoIsdBin;
    }
    const auto has = [&](std::string_view name) {
        return platform::PathExists(InFolder(outFolder, name));
    };
    platform::RenameReplacing(InFolder(outFolder, "CS4953.bin"), InFolder(outFolder, "jl_isd.bin"));
    if (!has("jl_isd.bin")) {
        return kNoIsdBin;
    }
    platform::RenameReplacing(InFolder(outFolder, "CS4953.fw"), InFolder(outFolder, "jl_isd.fw"));
    if (!has("jl_isd.fw")) {
        return kNoIsdFw;
    }
    if (!has("app.bin")) {
        return kNoAppBin;
    }
    if (!has("dsp_image.bin")) {
        return kNoDspImage;
    }
    outScriptPath = InFolder(outFolder, kScriptName);
    return has(kScriptName) ? kPrepared : kNoDownloadScript;
}

bool ToolReportedSuccess(const platform::ToolRun& run) {
    if (!run.started || run.timedOut || run.exitStatus != 0) {
        return false;
    }
    const std::string& text = run.output;
    std::size_t end = text.find_last_not_of(" \t\r\n");
    if (end == std::string::npos) {
        return false;
    }
    constexpr std::string_view kWord = "success";
    if (end + 1 < kWord.size()) {
        return false;
    }
    const std::string_view tail(text.data() + end + 1 - kWord.size(), kWord.size());
    return std::equal(tail.begin(), tail.end(), kWord.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

bool DeleteWorkFolder(const std::string& folder) {
    return platform::RemoveFolderTree(folder);
}

}  // namespace tonvia::firmware

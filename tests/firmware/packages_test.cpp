#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "firmware/package_password.h"
#include "firmware/packages.h"
#include "platform/line_socket.h"
#include "platform/paths.h"
#include "platform/resources.h"
#include "platform/zip_archive.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace tonvia::firmware;
using Members = std::map<std::string, std::string>;

std::vector<std::uint8_t> Pack(const Members& members) {
    std::vector<tonvia::platform::ArchiveEntry> entries;
    for (const auto& [name, text] : members) {
        entries.push_back({name, std::vector<std::uint8_t>(text.begin(), text.end())});
    }
    return *tonvia::platform::PackEncryptedZip(entries, kPackagePassword, nullptr);
}

std::string Read(const fs::path& path) {
    return tonvia::platform::ReadWholeFile(path.string()).value_or("<missing>");
}

std::set<std::string> FilesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

Members FirmwareMembers(const std::string& tag = "one") {
    Members members;
    for (const char* name : {"app.bin", "cfg_tool.bin", "CS4953.bin", "CS4953.fw", "dsp_image.bin",
                             "isd_config.ini"}) {
        members[name] = std::string(name) + " " + tag;
    }
    return members;
}

// A tool package of our own under ID_MCU_OTHER; the embedded resources come back after.
class Packages : public testing::Test {
  protected:
    void SetUp() override {
        mEmbeddedTool = tonvia::platform::FindResource(kToolResource);
        mTool = Pack({{"br23loader.bin", "loader"},
                      {"download.bat", "echo tool script"},
                      {"isd_config.ini", "tool config"},
                      {"isd_download.exe", "tool"},
                      {"uboot.boot", "boot"}});
        tonvia::platform::RegisterResource(kToolResource, mTool);
        mRuntime = tonvia::platform::RuntimeFolder();
        mWork = mRuntime / kWorkFolderName;
        fs::remove_all(mWork);
    }
    void TearDown() override {
        if (mEmbeddedTool) {
            tonvia::platform::RegisterResource(kToolResource, *mEmbeddedTool);
        }
    }

    std::string WritePackage(const Members& members, const std::string& name = "package.bin") {
        const auto bytes = Pack(members);
        std::ofstream(name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
        return fs::absolute(name).string();
    }

    int Prepare(const Members& members) {
        return PrepareUpgradePackages(WritePackage(members), mFolder, mScript);
    }

    std::optional<tonvia::platform::ResourceBytes> mEmbeddedTool;
    std::vector<std::uint8_t> mTool;
    fs::path mRuntime;
    fs::path mWork;
    std::string mFolder;
    std::string mScript;
};

TEST_F(Packages, PreparationResultFollowsTheFirstMissingFile) {
    struct Case {
        const char* what;
        std::function<void(Members&)> change;
        int expected;
    };
    const Case cases[] = {
        {"complete", [](Members&) {}, kPrepared},
        {"no CS4953.bin", [](Members& m) { m.erase("CS4953.bin"); }, kNoIsdBin},
        {"no CS4953.fw", [](Members& m) { m.erase("CS4953.fw"); }, kNoIsdFw},
        {"no app.bin", [](Members& m) { m.erase("app.bin"); }, kNoAppBin},
        {"no dsp_image.bin", [](Members& m) { m.erase("dsp_image.bin"); }, kNoDspImage},
        {"app.bin in a folder", [](Members& m) { m["fw/app.bin"] = m.extract("app.bin").mapped(); },
         kPrepared},
        // A user's package brings firmware only: the script and tool stay the carried ones.
        {"own script and tool",
         [](Members& m) { m["download.bat"] = m["isd_download.exe"] = "rm -rf /"; }, kPrepared},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Members members = FirmwareMembers();
        c.change(members);
        EXPECT_EQ(Prepare(members), c.expected);
        if (c.expected == kPrepared) {
            EXPECT_EQ(mFolder, mWork.string());
            EXPECT_EQ(mScript, (mWork / "download.bat").string());
            EXPECT_EQ(
                FilesIn(mWork),
                (std::set<std::string>{"app.bin", "br23loader.bin", "cfg_tool.bin", "download.bat",
                                       "dsp_image.bin", "isd_config.ini", "isd_download.exe",
                                       "jl_isd.bin", "jl_isd.fw", "uboot.boot"}));
            EXPECT_EQ(Read(mWork / "download.bat"), "echo tool script");
            EXPECT_EQ(Read(mWork / "app.bin"), "app.bin one");
            EXPECT_EQ(Read(mWork / "isd_config.ini"), "isd_config.ini one");
        }
        EXPECT_FALSE(fs::exists(mRuntime / kToolFile));
    }
}

TEST_F(Packages, PreparingAgainStartsFromAnEmptyFolder) {
    ASSERT_EQ(Prepare(FirmwareMembers("first")), kPrepared);
    ASSERT_EQ(Prepare(FirmwareMembers("second")), kPrepared);
    EXPECT_EQ(Read(mWork / "jl_isd.bin"), "CS4953.bin second");
    // The first run's jl_isd.fw must not stand in for a missing one.
    Members incomplete = FirmwareMembers("third");
    incomplete.erase("CS4953.fw");
    EXPECT_EQ(Prepare(incomplete), kNoIsdFw);
}

TEST_F(Packages, AMissingToolResourceStopsBeforeAnythingIsUnpacked) {
    tonvia::platform::UnregisterResource(kToolResource);
    EXPECT_EQ(Prepare(FirmwareMembers()), kToolPackageMissing);
    EXPECT_FALSE(fs::exists(mWork));
}

TEST_F(Packages, AWorkingFolderThatIsALinkIsRefused) {
    const fs::path elsewhere = mRuntime / "elsewhere";
    fs::create_directories(elsewhere);
    std::ofstream(elsewhere / "keep") << "mine";
    fs::create_directory_symlink(elsewhere, mWork);
    EXPECT_EQ(Prepare(FirmwareMembers()), kToolPackageMissing);
    EXPECT_EQ(FilesIn(elsewhere), std::set<std::string>{"keep"});
    fs::remove(mWork);
}

TEST_F(Packages, MembersLandUnderTheirBareNameInsideTheFolder) {
    const std::string package = WritePackage({{"fw/app.bin", "a"},
                                              {"../../x", "x"},
                                              {"win\\path\\c.bin", "c"},
                                              {"C:d.bin", "d"},
                                              {"dir/", ""},
                                              {"up/..", "dots"},
                                              {"/abs/e.bin", "e"}});
    std::ofstream(*tonvia::platform::PrivateWorkFolder(kWorkFolderName) + "/stale") << "old";
    std::string folder;
    ASSERT_TRUE(UnzipPackage(package, folder, kPackagePassword));
    EXPECT_EQ(FilesIn(folder), (std::set<std::string>{"app.bin", "x", "c.bin", "d.bin", "e.bin"}));
    EXPECT_EQ(Read(fs::path(folder) / "x"), "x");
    EXPECT_FALSE(fs::exists(mRuntime / "x"));
    EXPECT_FALSE(fs::exists(mRuntime.parent_path() / "x"));
}

TEST_F(Packages, ADamagedOrAmbiguousPackageFailsAndLeavesNothing) {
    std::string filler;
    for (int i = 0; i < 4000; ++i) {
        filler += std::to_string(i * 7919 % 1000);
    }
    const auto good = Pack({{"app.bin", filler}, {"dsp_image.bin", "dsp"}});
    // Data that no longer inflate: a byte inside the first member, past its local header
    // (30 bytes, the name and the extra field) and the 12-byte encryption header.
    auto undecodable = good;
    const std::size_t header = 30u + good[26] + 256u * good[27] + good[28] + 256u * good[29];
    undecodable[header + 12 + 200] ^= 0x01;
    // Data that inflate but do not match their checksum: the CRC's low byte changed in the
    // local header and in the central directory alike, so the archive stays consistent.
    auto badCrc = good;
    badCrc[14] ^= 0x01;
    const std::uint8_t central[] = {0x50, 0x4b, 0x01, 0x02};
    const auto at = std::search(badCrc.begin(), badCrc.end(), central, central + 4);
    ASSERT_NE(at, badCrc.end());
    at[16] ^= 0x01;
    std::string folder = *tonvia::platform::PrivateWorkFolder(kWorkFolderName);
    std::ofstream(fs::path(folder) / "stale") << "old";
    ASSERT_TRUE(UnzipPackageBytes(good, folder, kPackagePassword));
    for (const auto* bytes : {&undecodable, &badCrc}) {
        std::ofstream(fs::path(folder) / "stale") << "old";
        EXPECT_FALSE(UnzipPackageBytes(*bytes, folder, kPackagePassword));
        EXPECT_TRUE(FilesIn(folder).empty());
    }

    EXPECT_FALSE(UnzipPackageBytes(Pack({{"a/app.bin", "1"}, {"b/app.bin", "2"}}), folder,
                                   kPackagePassword));
    EXPECT_FALSE(UnzipPackageBytes(Pack(FirmwareMembers()), folder, "wrong-password!!"));
    EXPECT_TRUE(FilesIn(folder).empty());
}

TEST_F(Packages, ExtractedResourcesAreWrittenOnlyToOurOwnFiles) {
    std::string path;
    EXPECT_EQ(ExtractResource("tool.bin", kToolResource, kResourceType, &path), kExtracted);
    EXPECT_EQ(path, (mRuntime / "tool.bin").string());
    EXPECT_EQ(fs::file_size(path), mTool.size());

    static const std::uint8_t nothing[1] = {};
    tonvia::platform::RegisterResource("EMPTY", nothing, nothing);
    EXPECT_EQ(ExtractResource("empty.bin", "EMPTY", kResourceType), kResourceEmpty);
    EXPECT_EQ(ExtractResource("x.bin", "NO_SUCH", kResourceType), kResourceNotFound);
    EXPECT_EQ(ExtractResource("../x.bin", kToolResource, kResourceType), kFileNotCreated);

    // A link planted under the name must not redirect the write.
    std::ofstream("victim") << "untouched";
    fs::remove(mRuntime / "planted.bin");
    fs::create_symlink(fs::absolute("victim"), mRuntime / "planted.bin");
    EXPECT_EQ(ExtractResource("planted.bin", kToolResource, kResourceType), kFileNotCreated);
    EXPECT_EQ(Read("victim"), "untouched");
}

TEST(ToolVerdict, SuccessNeedsAZeroExitAndALastLineEndingInSuccess) {
    struct Case {
        const char* output;
        int exitStatus;
        bool timedOut;
        bool expected;
    };
    const Case cases[] = {
        {"checking\ndownload firmware 2.28 success\n", 0, false, true},
        {"Download SUCCESS\r\n\r\n  \n", 0, false, true},
        {"download firmware 2.28 success\n", 1, false, false},
        {"download firmware 2.28 success\n", 0, true, false},
        {"step 1 success\ndownload failed: no ack\n", 0, false, false},
        {"", 0, false, false},
        {"ccess", 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        tonvia::platform::ToolRun run{true, c.timedOut, c.exitStatus, c.output};
        EXPECT_EQ(ToolReportedSuccess(run), c.expected);
    }
}

// The carried placeholder packages, prepared and run as an installation would.
TEST(PlaceholderPackages, TheToolTellsTheVirtualAmplifierTheVersionAndSucceeds) {
    std::string package;
    ASSERT_EQ(ExtractResource(kFirmwareFile, kFirmwareResource, kResourceType, &package),
              kExtracted);
    std::string folder;
    std::string script;
    ASSERT_EQ(PrepareUpgradePackages(package, folder, script), kPrepared);

    std::mutex mutex;
    std::vector<std::string> received;
    tonvia::platform::LineSocketServer server;
    const std::string socket = tonvia::platform::RuntimeFolder() + "/control";
    ASSERT_TRUE(server.Start(socket, [&](std::string_view line) {
        std::lock_guard lock(mutex);
        received.emplace_back(line);
        return std::string("ok");
    }));

    unsetenv("TONVIA_SIM_CONTROL");
    const auto alone = tonvia::platform::RunToolCaptured(script, 20s);
    EXPECT_FALSE(ToolReportedSuccess(alone)) << alone.output;

    setenv("TONVIA_SIM_CONTROL", socket.c_str(), 1);
    const auto run = tonvia::platform::RunToolCaptured(script, 20s);
    unsetenv("TONVIA_SIM_CONTROL");
    EXPECT_TRUE(ToolReportedSuccess(run)) << run.output;
    server.Stop();
    std::lock_guard lock(mutex);
    EXPECT_EQ(received, std::vector<std::string>{"flash 2.28"});
    EXPECT_TRUE(DeleteWorkFolder(folder));
    EXPECT_FALSE(fs::exists(folder));
}

}  // namespace

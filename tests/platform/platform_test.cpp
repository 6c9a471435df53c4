#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/instance_lock.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/resources.h"
#include "platform/text.h"

namespace {

namespace fs = std::filesystem;
using tonvia::platform::FindResource;
using tonvia::platform::InstanceLock;

TEST(InstanceLockTest, SecondHolderOfTheNameIsRefusedUntilTheFirstEnds) {
    {
        InstanceLock first("TONVIA4TO8_PVQ-6");
        EXPECT_TRUE(first.Held());
        EXPECT_FALSE(first.AlreadyExisted());
        InstanceLock second("TONVIA4TO8_PVQ-6");
        EXPECT_FALSE(second.Held());
        EXPECT_TRUE(second.AlreadyExisted());
        InstanceLock other("TONVIA4TO8_OTHER");
        EXPECT_TRUE(other.Held());
    }
    InstanceLock again("TONVIA4TO8_PVQ-6");
    EXPECT_TRUE(again.Held());
}

TEST(Resources, EmbeddedBytesAreFoundByName) {
    const auto bytes = FindResource("TEST_RESOURCE");
    ASSERT_TRUE(bytes);
    const std::string text(bytes->begin(), bytes->end());
    EXPECT_EQ(text, "embedded test bytes\n");
    EXPECT_FALSE(FindResource("NO_SUCH_RESOURCE"));
}

TEST(Resources, RegistrationReplacesAnEarlierOne) {
    static const std::uint8_t a[] = {1, 2};
    static const std::uint8_t b[] = {3};
    tonvia::platform::RegisterResource("X", a, a + 2);
    tonvia::platform::RegisterResource("X", b, b + 1);
    EXPECT_EQ(FindResource("X")->size(), 1u);
}

TEST(AtomicWrite, ReplacesTheWholeFileOrNothing) {
    const std::string path = "profile.spf";
    const std::string first = "first version";
    ASSERT_TRUE(tonvia::platform::WriteFileAtomically(path, first));
    EXPECT_EQ(*tonvia::platform::ReadWholeFile(path), first);
    const std::string second = "second";
    ASSERT_TRUE(tonvia::platform::WriteFileAtomically(path, second));
    EXPECT_EQ(*tonvia::platform::ReadWholeFile(path), second);

    std::string error;
    EXPECT_FALSE(tonvia::platform::WriteFileAtomically("missing/dir/file", second, &error));
    EXPECT_NE(error.find("missing/dir/file"), std::string::npos);
    EXPECT_FALSE(tonvia::platform::ReadWholeFile("missing/dir/file"));
    fs::remove(path);
}

// The process still ends by the signal, but only after the log's buffer reached the file.
TEST(DebugLogDeathTest, EndSignalsFlushTheLogFirst) {
    const std::string path = fs::absolute("signal.log");
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        EXPECT_EXIT(
            {
                InitConsoleWindow(path, false, /*timestamps=*/false);
                FlushLogAtProcessEnd();
                LogPrintA("buffered\n");
                std::raise(signal);
                std::this_thread::sleep_for(std::chrono::seconds(30));
            },
            testing::KilledBySignal(signal), "");
        EXPECT_EQ(tonvia::platform::ReadWholeFile(path).value_or("unreadable"), "buffered\n");
    }
    fs::remove(path);
}

TEST(PrivateFolder, IsCreatedPrivateAndRefusesALink) {
    const auto folder = tonvia::platform::PrivateWorkFolder("MCU_UPG");
    ASSERT_TRUE(folder);
    struct stat st {};
    ASSERT_EQ(::stat(folder->c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(tonvia::platform::PrivateWorkFolder("MCU_UPG"), folder);

    const std::string runtime = tonvia::platform::RuntimeFolder();
    fs::create_directory("elsewhere");
    fs::create_directory_symlink(fs::absolute("elsewhere"), runtime + "/LINKED");
    EXPECT_FALSE(tonvia::platform::PrivateWorkFolder("LINKED"));
    std::ofstream(runtime + "/PLAIN_FILE").close();
    EXPECT_FALSE(tonvia::platform::PrivateWorkFolder("PLAIN_FILE"));
}

TEST(Text, WideToUtf8) {
    using tonvia::platform::WideToUtf8;
    EXPECT_EQ(WideToUtf8(L"abc"), "abc");
    EXPECT_EQ(WideToUtf8(L"\u00e9\u4e2d\U0001F600"), "\xc3\xa9\xe4\xb8\xad\xf0\x9f\x98\x80");
    EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "?");
}

// Scene names go to the device in the language's code page and come back from it.
TEST(Text, AnsiCodePagesBothWays) {
    using tonvia::platform::AnsiCodePageForLanguage;
    using tonvia::platform::AnsiToWide;
    using tonvia::platform::WideToAnsi;
    struct Case {
        int language;
        std::wstring text;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {0, L"Caf\u00E9", {'C', 'a', 'f', 0xE9}},
        {1, L"\u4E2D\u6587", {0xD6, 0xD0, 0xCE, 0xC4}},
        {2, L"\u0414\u043E\u043C", {0xC4, 0xEE, 0xEC}},
    };
    for (const Case& c : cases) {
        const std::string page = AnsiCodePageForLanguage(c.language);
        EXPECT_EQ(WideToAnsi(c.text, page), c.bytes) << page;
        EXPECT_EQ(AnsiToWide(c.bytes, page), c.text) << page;
    }
    // What a code page cannot hold becomes '?', each character once.
    EXPECT_EQ(WideToAnsi(L"A\u4E2DB", "WINDOWS-1252"), (std::vector<std::uint8_t>{'A', '?', 'B'}));
    EXPECT_EQ(WideToAnsi(L"\u00E9x", "NO-SUCH-PAGE"), (std::vector<std::uint8_t>{'?', 'x'}));
}

}  // namespace

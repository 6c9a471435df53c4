#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "platform/log.h"
#include "support/log_capture.h"
#include "ui/message_box.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class DebugLog : public ::testing::Test {
  protected:
    void TearDown() override { CloseLog(); }
};

TEST_F(DebugLog, ClosedLogWritesNothingAndReturnsZero) {
    CloseLog();
    EXPECT_FALSE(IsLogOpen());
    EXPECT_EQ(LogPrintA("hello %d\n", 1), 0);
    EXPECT_EQ(LogPrint(L"hello %d\n", 1), 0);
}

TEST_F(DebugLog, LinesStartWithTheLocalTimeUnlessThePrefixIsOff) {
    testing_support::LogCapture log(/*withPrefix=*/true);
    EXPECT_EQ(LogPrintA("begain to write data to devices:\n"), 33);
    LogFragmentA("%02x ", 0xaa);
    LogFragmentA("%02x ", 0x55);
    LogFragmentA("\n");
    LogPrintA("next\n");
    const std::string text = log.Text();
    const std::regex expected(
        R"(\[\d\d:\d\d:\d\d\.\d\d\d\] begain to write data to devices:\naa 55 \n)"
        R"(\[\d\d:\d\d:\d\d\.\d\d\d\] next\n)");
    EXPECT_TRUE(std::regex_match(text, expected)) << text;
}

TEST_F(DebugLog, FragmentsFromOneThreadLeaveTheLinesOfAnotherPrefixed) {
    testing_support::LogCapture log(/*withPrefix=*/true);
    std::thread dumper([] {
        for (int i = 0; i < 200; ++i) {
            LogFragmentA("%02x ", i & 0xff);
        }
    });
    for (int i = 0; i < 200; ++i) {
        LogPrintA("line\n");
    }
    dumper.join();
    LogFragmentA("\n");
    LogPrintA("last\n");
    const std::string text = log.Text();
    EXPECT_TRUE(std::regex_search(text, std::regex(R"(\[\d\d:\d\d:\d\d\.\d\d\d\] last\n$)")))
        << text;
    std::size_t prefixed = 0;
    for (std::size_t at = text.find("] line"); at != std::string::npos;
         at = text.find("] line", at + 1)) {
        ++prefixed;
    }
    EXPECT_EQ(prefixed, 200u);
}

TEST_F(DebugLog, WideAndNarrowFormatsGiveTheSameText) {
    testing_support::LogCapture log;
    EXPECT_EQ(LogPrint(L"MODEL_NAME: %s\n", "PVQ-6"), 18);
    LogPrint(L"INNER_FW: %d, %d\n", 2, 28);
    LogPrint(L"%ls\n", L"Gr\u00fc\u00dfe \u4e2d");
    LogPrintA("VERSION: %s\n", "v6.8.7");
    EXPECT_EQ(log.Text(),
              "MODEL_NAME: PVQ-6\nINNER_FW: 2, 28\nGr\xc3\xbc\xc3\x9f"
              "e \xe4\xb8\xad\n"
              "VERSION: v6.8.7\n");
}

TEST_F(DebugLog, LongMessagesAreCutTo1023Characters) {
    testing_support::LogCapture log;
    const std::string longText(5000, 'x');
    EXPECT_EQ(LogPrintA("%s", longText.c_str()), 1023);
    const std::wstring longWide(3000, L'y');
    EXPECT_EQ(LogPrint(L"%ls", longWide.c_str()), 1023);
    EXPECT_EQ(log.Text(), std::string(1023, 'x') + std::string(1023, 'y'));
}

TEST_F(DebugLog, FileIsFlushedAfterMoreThanTenMessages) {
    const std::string path = "flush.log";
    InitConsoleWindow(path, false, /*timestamps=*/false);
    for (int i = 0; i < 11; ++i) {
        LogPrintA("%d\n", i);
    }
    EXPECT_EQ(ReadFile(path), "");  // still in the stream's buffer
    LogPrintA("11\n");
    EXPECT_EQ(ReadFile(path), "0\n1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n");
}

TEST_F(DebugLog, FlushLogAndAnErrorBoxWriteOutWhatIsBuffered) {
    const std::string path = "flushed.log";
    InitConsoleWindow(path, false, /*timestamps=*/false);
    LogPrintA("one\n");
    FlushLog();
    EXPECT_EQ(ReadFile(path), "one\n");
    LogPrintA("two\n");
    std::string seenByTheBox;
    tonvia::ui::SetErrorBoxHook([&](const QString&) { seenByTheBox = ReadFile(path); });
    tonvia::ui::ShowErrorBox(QStringLiteral("failed"));
    tonvia::ui::SetErrorBoxHook({});
    EXPECT_EQ(seenByTheBox, "one\ntwo\n");
}

TEST_F(DebugLog, UncreatableFileLeavesLoggingOff) {
    EXPECT_EQ(InitConsoleWindow("no-such-folder/save.log", false), 0);
    EXPECT_FALSE(IsLogOpen());
    EXPECT_EQ(LogPrintA("x\n"), 0);
}

}  // namespace

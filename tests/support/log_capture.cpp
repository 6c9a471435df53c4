#include "support/log_capture.h"

#include <atomic>
#include <fstream>
#include <iterator>

#include "platform/log.h"

namespace testing_support {
namespace {
std::atomic<int> gCaptureCount{0};
}

LogCapture::LogCapture(bool withPrefix)
    : mPath("capture-" + std::to_string(gCaptureCount.fetch_add(1)) + ".log") {
    InitConsoleWindow(mPath, /*toConsole=*/false, withPrefix);
}

LogCapture::~LogCapture() {
    if (!mClosed) {
        CloseLog();
    }
}

std::string LogCapture::Text() {
    if (!mClosed) {
        CloseLog();
        mClosed = true;
    }
    std::ifstream in(mPath, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace testing_support

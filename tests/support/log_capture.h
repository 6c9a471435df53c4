#pragma once
// Captures the debug log of one test into a file and returns its text, without the time
// prefix.

#include <string>

namespace testing_support {

class LogCapture {
  public:
    explicit LogCapture(bool withPrefix = false);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Closes the log and returns everything written since construction.
    std::string Text();

  private:
    std::string mPath;
    bool mClosed = false;
};

}  // namespace testing_support

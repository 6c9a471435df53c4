// One QApplication for the whole test program, on the offscreen platform unless the
// environment chose another. Every GUI test program links this file.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <memory>

namespace {

class QtEnvironment final : public ::testing::Environment {
  public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        mApp = std::make_unique<QApplication>(mArgc, mArgv);
    }
    void TearDown() override { mApp.reset(); }

  private:
    int mArgc = 1;
    char mName[13] = "tonvia_tests";
    char* mArgv[2] = {mName, nullptr};
    std::unique_ptr<QApplication> mApp;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

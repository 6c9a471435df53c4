#include "ui_fixture.h"

#include <QApplication>
#include <QCoreApplication>

#include "platform/zip_archive.h"
#include "ui/display_scale.h"
#include "ui/language.h"
#include "ui/menu.h"
#include "ui/message_box.h"
#include "ui/skin_password.h"
#include "ui/skin_resources.h"

namespace ui_testing {

const std::vector<std::uint8_t>& TestSkinPackage() {
    static const std::vector<std::uint8_t> package = [] {
        std::string error;
        auto entries = tonvia::platform::CollectFolder(TONVIA_TEST_SKIN_DIR, &error);
        EXPECT_TRUE(entries) << error;
        auto bytes = tonvia::platform::PackEncryptedZip(
            entries ? *entries : std::vector<tonvia::platform::ArchiveEntry>{},
            tonvia::ui::kSkinPassword, &error);
        EXPECT_TRUE(bytes) << error;
        return bytes ? *bytes : std::vector<std::uint8_t>{};
    }();
    return package;
}

void SkinTest::SetUp() {
    auto& skin = tonvia::ui::SkinResources::Instance();
    skin.Clear();
    QString error;
    ASSERT_TRUE(skin.LoadPackage(TestSkinPackage(), tonvia::ui::kSkinPassword, &error))
        << error.toStdString();
    for (const LanguageEntry& language : kLanguages) {
        skin.AddLanguage(QString::fromLatin1(language.name), QString::fromLatin1(language.file));
    }
    ASSERT_TRUE(skin.SelectLanguage(QStringLiteral("en"), &error)) << error.toStdString();
    tonvia::ui::SetInterfaceDpi(96);
    tonvia::ui::SetErrorBoxHook([this](const QString& text) { errorBoxes.push_back(text); });
    tonvia::ui::SetExitHook([this](int code) { exitCodes.push_back(code); });
    tonvia::ui::SetQuitHook([this] { ++quits; });
}

void SkinTest::TearDown() {
    if (CMenuWnd* menu = CMenuWnd::Current()) {
        menu->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    tonvia::ui::SetErrorBoxHook({});
    tonvia::ui::SetExitHook({});
    tonvia::ui::SetQuitHook({});
    tonvia::ui::SetInterfaceDpi(0);
}

std::unique_ptr<TestDialog> SkinTest::MakeDialog(const QString& className) {
    auto dialog = std::make_unique<TestDialog>(className);
    dialog->SetAutoDelete(false);
    EXPECT_TRUE(dialog->Create(nullptr, QStringLiteral("testwnd")));
    return dialog;
}

}  // namespace ui_testing

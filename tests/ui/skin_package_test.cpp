// The skin package: packed and encrypted, read back in memory, and refused whole when its
// bytes are damaged or the password is wrong.
#include <gtest/gtest.h>

#include <QString>
#include <string>
#include <vector>

#include "platform/resources.h"
#include "platform/zip_archive.h"
#include "ui/language_texts.h"
#include "ui/skin_password.h"
#include "ui/skin_resources.h"
#include "ui_fixture.h"

namespace {

using tonvia::platform::ArchiveEntry;
using tonvia::platform::PackEncryptedZip;
using tonvia::platform::ZipArchive;

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

class ZipArchiveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Enough repetition for deflate to matter, plus an empty member and a binary one.
        std::string layout;
        for (int i = 0; i < 200; ++i) {
            layout += "<widget name=\"ch_" + std::to_string(i) + "\"/>\n";
        }
        std::vector<std::uint8_t> binary(3000);
        for (std::size_t i = 0; i < binary.size(); ++i) {
            binary[i] = static_cast<std::uint8_t>((i * 7919u) >> 3);
        }
        entries = {{"xml/res.xml", Bytes("<resources/>")},
                   {"xml/layout.ui", Bytes(layout)},
                   {"lan/empty.xml", {}},
                   {"common/bin.png", binary}};
        std::string error;
        auto packed = PackEncryptedZip(entries, tonvia::ui::kSkinPassword, &error);
        ASSERT_TRUE(packed) << error;
        package = *packed;
    }

    std::vector<ArchiveEntry> entries;
    std::vector<std::uint8_t> package;
};

TEST_F(ZipArchiveTest, RoundTripGivesEveryMemberBack) {
    std::string error;
    auto archive = ZipArchive::Open(package, tonvia::ui::kSkinPassword, &error);
    ASSERT_TRUE(archive) << error;
    EXPECT_EQ(archive->Names().size(), entries.size());
    for (const ArchiveEntry& entry : entries) {
        auto data = archive->Read(entry.name, &error);
        ASSERT_TRUE(data) << entry.name << ": " << error;
        EXPECT_EQ(*data, entry.data) << entry.name;
    }
    EXPECT_FALSE(archive->Read("xml/none.ui", &error));
    EXPECT_NE(error.find("xml/none.ui"), std::string::npos);
}

TEST_F(ZipArchiveTest, MembersAreEncrypted) {
    // The plain layout text must not appear in the package bytes, and no password reads
    // nothing.
    const std::string bytes(package.begin(), package.end());
    EXPECT_EQ(bytes.find("<widget name"), std::string::npos);
    std::string error;
    auto archive = ZipArchive::Open(package, "", &error);
    ASSERT_TRUE(archive) << error;
    EXPECT_FALSE(archive->Read("xml/layout.ui", &error));
}

TEST_F(ZipArchiveTest, WrongPasswordIsRejected) {
    for (const char* password : {"amber-river-stone", "wrong-password-now", "x"}) {
        std::string error;
        auto archive = ZipArchive::Open(package, password, &error);
        ASSERT_TRUE(archive) << error;
        EXPECT_FALSE(archive->Read("xml/layout.ui", &error)) << password;
        EXPECT_FALSE(archive->Read("common/bin.png", &error)) << password;
        EXPECT_FALSE(error.empty());
    }
}

TEST_F(ZipArchiveTest, EveryTruncationIsRejected) {
    // Each prefix either fails to open or fails to read some member; none reads past the
    // end (AddressSanitizer watches) and none gives wrong data.
    for (std::size_t length = 0; length < package.size(); ++length) {
        const std::vector<std::uint8_t> cut(package.begin(),
                                            package.begin() + static_cast<std::ptrdiff_t>(length));
        std::string error;
        auto archive = ZipArchive::Open(cut, tonvia::ui::kSkinPassword, &error);
        if (!archive) {
            EXPECT_FALSE(error.empty()) << length;
            continue;
        }
        bool allRead = true;
        for (const ArchiveEntry& entry : entries) {
            auto data = archive->Read(entry.name, &error);
            allRead = allRead && data && *data == entry.data;
        }
        EXPECT_FALSE(allRead) << "a package cut to " << length << " bytes read back whole";
    }
}

TEST_F(ZipArchiveTest, DamagedDataIsRejected) {
    // Flip a byte of the layout's compressed data, just past its encryption header.
    const std::string bytes(package.begin(), package.end());
    const std::size_t name = bytes.find("xml/layout.ui");
    ASSERT_NE(name, std::string::npos);
    std::vector<std::uint8_t> damaged = package;
    damaged[name + 13 + 30] ^= 0x5A;
    std::string error;
    auto archive = ZipArchive::Open(damaged, tonvia::ui::kSkinPassword, &error);
    if (!archive) {
        SUCCEED() << error;
        return;
    }
    bool allRead = true;
    for (const ArchiveEntry& entry : entries) {
        auto data = archive->Read(entry.name, &error);
        allRead = allRead && data && *data == entry.data;
    }
    EXPECT_FALSE(allRead);
}

TEST_F(ZipArchiveTest, GarbageAndEmptyBytesAreNotAPackage) {
    std::string error;
    EXPECT_FALSE(ZipArchive::Open({}, tonvia::ui::kSkinPassword, &error));
    EXPECT_FALSE(error.empty());
    const std::vector<std::uint8_t> garbage(512, 0x50);
    EXPECT_FALSE(ZipArchive::Open(garbage, tonvia::ui::kSkinPassword, &error));
}

TEST(SkinResourcesLoad, BadPackageKeepsTheLoadedSkin) {
    auto& skin = tonvia::ui::SkinResources::Instance();
    skin.Clear();
    QString error;
    ASSERT_TRUE(skin.LoadPackage(ui_testing::TestSkinPackage(), tonvia::ui::kSkinPassword, &error));
    const std::vector<std::uint8_t> half(
        ui_testing::TestSkinPackage().begin(),
        ui_testing::TestSkinPackage().begin() +
            static_cast<std::ptrdiff_t>(ui_testing::TestSkinPackage().size() / 2));
    EXPECT_FALSE(skin.LoadPackage(half, tonvia::ui::kSkinPassword, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(skin.LoadPackage(ui_testing::TestSkinPackage(), "wrong", &error));
    EXPECT_EQ(skin.LayoutForSkin(QStringLiteral("XML_TEST_DIALOG")),
              QStringLiteral("xml/test_dialog.ui"));
    skin.Clear();
}

// The package the build embeds into the program.
TEST(EmbeddedSkinPackage, OpensWithTheProgramsPasswordAndMapsEverySkinName) {
    ASSERT_TRUE(tonvia::platform::FindResource("IDR_ZIPRES"));
    auto& skin = tonvia::ui::SkinResources::Instance();
    skin.Clear();
    QString error;
    ASSERT_TRUE(skin.LoadEmbeddedPackage(&error)) << error.toStdString();
    const char* names[] = {"XML_MAIN",          "XML_ABOUT",           "XML_AUTO_CAL",
                           "XML_CHECKBOX_MSG",  "XML_COMPRESSOR",      "XML_COMPRESSORS_ON",
                           "XML_CS_AUTO",       "XML_CUSTOM_EQ",       "XML_FORCE_UPDATE",
                           "XML_KTV",           "XML_LINK_SEL",        "XML_LOADING",
                           "XML_MEM_WR",        "XML_MIXER",           "XML_MSG",
                           "XML_MSG_NAME",      "XML_NOISE_THRESHOLD", "XML_POWEROFF_DELAY",
                           "XML_SENCE_PROFILE", "XML_UPDATE_FW",       "XML_DISTANCES",
                           "XML_EQ_FIT"};
    for (const char* name : names) {
        EXPECT_FALSE(skin.LayoutForSkin(QString::fromLatin1(name)).isEmpty()) << name;
    }
    for (const char* file : {"lan/lan_en.xml", "lan/lan_cn.xml", "lan/lan_ru.xml"}) {
        auto xml = skin.ReadFile(QString::fromLatin1(file), &error);
        ASSERT_TRUE(xml) << file << ": " << error.toStdString();
        tonvia::ui::LanguageTexts texts;
        EXPECT_TRUE(texts.Parse(*xml, &error)) << file << ": " << error.toStdString();
        EXPECT_TRUE(texts.Find(QStringLiteral("${tips}"))) << file;
    }
    skin.Clear();
}

}  // namespace

#pragma once
// The loaded skin: the package, its resource table (skin names to layouts, fonts), the
// registered languages with the current one, and decoded images. UI thread only.

#include <QByteArray>
#include <QFont>
#include <QHash>
#include <QMap>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "platform/zip_archive.h"
#include "ui/language_texts.h"

namespace tonvia::ui {

// The name of the embedded skin package.
inline constexpr char kSkinResourceName[] = "IDR_ZIPRES";
// The resource table inside the package.
inline constexpr char kResourceTablePath[] = "xml/res.xml";

// A font of the resource table; size in layout units (pixels at 100 %).
struct SkinFont {
    QString family;
    int size = 12;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    QFont ToFont(int scalePercent) const;
};

class SkinResources {
  public:
    static SkinResources& Instance();

    // Opens the package and reads its resource table. On failure nothing changes and
    // `error` says why.
    bool LoadPackage(std::span<const std::uint8_t> bytes, const std::string& password,
                     QString* error);
    // The package embedded in the program ("IDR_ZIPRES", the program's password).
    bool LoadEmbeddedPackage(QString* error);
    // Forgets the package, the languages and the image cache.
    void Clear();
    bool IsLoaded() const { return mArchive != nullptr; }

    std::optional<QByteArray> ReadFile(const QString& path, QString* error = nullptr) const;

    // The layout file a skin name maps to, or an empty string.
    QString LayoutForSkin(const QString& skinName) const;
    QStringList SkinNames() const;
    std::optional<SkinFont> Font(int index) const;

    // Languages: registered by name with their file in the package.
    void AddLanguage(const QString& name, const QString& file);
    // Selects a registered language (name compared without regard to case) and re-applies
    // every control text. An unknown name or an unreadable file gives false and keeps the
    // current language.
    bool SelectLanguage(const QString& name, QString* error = nullptr);
    QString CurrentLanguage() const { return mCurrentLanguage; }
    QString Translate(const QString& text) const;

    // Called after every language change; returns an id for RemoveLanguageListener.
    int AddLanguageListener(std::function<void()> listener);
    void RemoveLanguageListener(int id);

    // A PNG of the package, decoded once; a null pixmap when missing.
    QPixmap Image(const QString& path) const;

  private:
    SkinResources() = default;
    bool ParseResourceTable(const QByteArray& xml, QString* error);

    std::unique_ptr<tonvia::platform::ZipArchive> mArchive;
    QHash<QString, QString> mSkins;
    QMap<int, SkinFont> mFonts;
    QMap<QString, QString> mLanguageFiles;  // lower-case name -> file
    QString mCurrentLanguage;
    std::unique_ptr<LanguageTexts> mTexts;
    std::map<int, std::function<void()>> mListeners;
    int mNextListener = 1;
    mutable QHash<QString, QPixmap> mImages;
};

// Shorthand for SkinResources::Instance().Translate(text).
QString Translate(const QString& text);

}  // namespace tonvia::ui

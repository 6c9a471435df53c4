#include "ui/skin_resources.h"

#include <QXmlStreamReader>
#include <vector>

#include "platform/log.h"
#include "platform/resources.h"
#include "ui/display_scale.h"
#include "ui/skin_password.h"

namespace tonvia::ui {

QFont SkinFont::ToFont(int scalePercent) const {
    QFont font;
    if (!family.isEmpty()) {
        font.setFamily(family);
    }
    font.setPixelSize(std::max(1, ScaleUnits(size, scalePercent)));
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    return font;
}

SkinResources& SkinResources::Instance() {
    static SkinResources instance;
    return instance;
}

bool SkinResources::LoadPackage(std::span<const std::uint8_t> bytes, const std::string& password,
                                QString* error) {
    std::string text;
    auto archive = tonvia::platform::ZipArchive::Open(bytes, password, &text);
    if (!archive) {
        if (error != nullptr) {
            *error = QString::fromStdString(text);
        }
        return false;
    }
    auto table = archive->Read(kResourceTablePath, &text);
    if (!table) {
        if (error != nullptr) {
            *error = QString::fromStdString(text);
        }
        return false;
    }
    std::swap(mArchive, archive);
    const QHash<QString, QString> oldSkins = mSkins;
    const QMap<int, SkinFont> oldFonts = mFonts;
    if (!ParseResourceTable(QByteArray(reinterpret_cast<const char*>(table->data()),
                                       static_cast<qsizetype>(table->size())),
                            error)) {
        std::swap(mArchive, archive);
        mSkins = oldSkins;
        mFonts = oldFonts;
        return false;
    }
    mImages.clear();
    LogPrintA("skin package loaded, %d skins\n", static_cast<int>(mSkins.size()));
    return true;
}

bool SkinResources::LoadEmbeddedPackage(QString* error) {
    const auto bytes = tonvia::platform::FindResource(kSkinResourceName);
    if (!bytes || bytes->empty()) {
        if (error != nullptr) {
            *error = QStringLiteral("the program holds no skin package");
        }
        return false;
    }
    return LoadPackage(*bytes, kSkinPassword, error);
}

void SkinResources::Clear() {
    mArchive.reset();
    mSkins.clear();
    mFonts.clear();
    mLanguageFiles.clear();
    mCurrentLanguage.clear();
    mTexts.reset();
    mImages.clear();
}

bool SkinResources::ParseResourceTable(const QByteArray& xml, QString* error) {
    QHash<QString, QString> skins;
    QMap<int, SkinFont> fonts;
    QXmlStreamReader reader(xml);
    if (!reader.readNextStartElement() || reader.name() != u"resources") {
        if (error != nullptr) {
            *error = QStringLiteral("%1: the root element is not <resources>")
                         .arg(QLatin1String(kResourceTablePath));
        }
        return false;
    }
    while (reader.readNextStartElement()) {
        const auto attrs = reader.attributes();
        if (reader.name() == u"skin") {
            const QString name = attrs.value(QLatin1String("name")).toString();
            const QString file = attrs.value(QLatin1String("file")).toString();
            if (!name.isEmpty() && !file.isEmpty()) {
                skins.insert(name, file);
            }
        } else if (reader.name() == u"font") {
            bool ok = false;
            const int id = attrs.value(QLatin1String("id")).toInt(&ok);
            if (ok) {
                SkinFont font;
                font.family = attrs.value(QLatin1String("name")).toString();
                const int size = attrs.value(QLatin1String("size")).toInt();
                font.size = size > 0 ? size : 12;
                font.bold = attrs.value(QLatin1String("bold")) == u"true";
                font.italic = attrs.value(QLatin1String("italic")) == u"true";
                font.underline = attrs.value(QLatin1String("underline")) == u"true";
                fonts.insert(id, font);
            }
        }
        reader.skipCurrentElement();
    }
    if (reader.hasError()) {
        if (error != nullptr) {
            *error = QStringLiteral("%1 line %2: %3")
                         .arg(QLatin1String(kResourceTablePath))
                         .arg(reader.lineNumber())
                         .arg(reader.errorString());
        }
        return false;
    }
    mSkins = std::move(skins);
    mFonts = std::move(fonts);
    return true;
}

std::optional<QByteArray> SkinResources::ReadFile(const QString& path, QString* error) const {
    if (!mArchive) {
        if (error != nullptr) {
            *error = QStringLiteral("no skin package is loaded");
        }
        return std::nullopt;
    }
    std::string text;
    auto data = mArchive->Read(path.toStdString(), &text);
    if (!data) {
        if (error != nullptr) {
            *error = QString::fromStdString(text);
        }
        return std::nullopt;
    }
    return QByteArray(reinterpret_cast<const char*>(data->data()),
                      static_cast<qsizetype>(data->size()));
}

QString SkinResources::LayoutForSkin(const QString& skinName) const {
    return mSkins.value(skinName);
}

QStringList SkinResources::SkinNames() const {
    QStringList names = mSkins.keys();
    names.sort();
    return names;
}

std::optional<SkinFont> SkinResources::Font(int index) const {
    const auto it = mFonts.constFind(index);
    if (it == mFonts.constEnd()) {
        return std::nullopt;
    }
    return *it;
}

void SkinResources::AddLanguage(const QString& name, const QString& file) {
    mLanguageFiles.insert(name.toLower(), file);
}

bool SkinResources::SelectLanguage(const QString& name, QString* error) {
    const auto it = mLanguageFiles.constFind(name.toLower());
    if (it == mLanguageFiles.constEnd()) {
        if (error != nullptr) {
            *error = QStringLiteral("unknown language %1").arg(name);
        }
        return false;
    }
    const auto xml = ReadFile(*it, error);
    if (!xml) {
        return false;
    }
    auto texts = std::make_unique<LanguageTexts>();
    QString parseError;
    if (!texts->Parse(*xml, &parseError)) {
        if (error != nullptr) {
            *error = QStringLiteral("%1: %2").arg(*it, parseError);
        }
        LogPrintA("language file %s: %s\n", it->toUtf8().constData(),
                  parseError.toUtf8().constData());
        return false;
    }
    mTexts = std::move(texts);
    mCurrentLanguage = it.key();
    // Listeners may remove themselves while being told; walk a copy of the ids.
    std::vector<int> ids;
    for (const auto& [id, listener] : mListeners) {
        ids.push_back(id);
    }
    for (int id : ids) {
        const auto found = mListeners.find(id);
        if (found != mListeners.end()) {
            auto listener = found->second;
            listener();
        }
    }
    return true;
}

QString SkinResources::Translate(const QString& text) const {
    return LookupText(mTexts.get(), text);
}

int SkinResources::AddLanguageListener(std::function<void()> listener) {
    const int id = mNextListener++;
    mListeners.emplace(id, std::move(listener));
    return id;
}

void SkinResources::RemoveLanguageListener(int id) {
    mListeners.erase(id);
}

QPixmap SkinResources::Image(const QString& path) const {
    if (path.isEmpty()) {
        return {};
    }
    const auto it = mImages.constFind(path);
    if (it != mImages.constEnd()) {
        return *it;
    }
    QPixmap pixmap;
    if (const auto data = ReadFile(path)) {
        pixmap.loadFromData(*data);
    }
    mImages.insert(path, pixmap);
    return pixmap;
}

QString Translate(const QString& text) {
    return SkinResources::Instance().Translate(text);
}

}  // namespace tonvia::ui

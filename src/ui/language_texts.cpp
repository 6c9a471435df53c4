#include "ui/language_texts.h"

#include <QXmlStreamReader>

namespace tonvia::ui {

bool LanguageTexts::Parse(const QByteArray& xml, QString* error) {
    mTexts.clear();
    QHash<QString, QString> texts;
    QXmlStreamReader reader(xml);
    bool sawRoot = false;
    while (reader.readNextStartElement()) {
        if (!sawRoot) {
            if (reader.name() != u"language") {
                reader.raiseError(QStringLiteral("the root element is not <language>"));
                break;
            }
            sawRoot = true;
            continue;
        }
        if (reader.name() == u"text") {
            const QString key = reader.attributes().value(QLatin1String("key")).toString();
            const QString value = reader.readElementText(QXmlStreamReader::IncludeChildElements);
            if (!key.isEmpty()) {
                texts.insert(key, value);
            }
        } else {
            reader.skipCurrentElement();
        }
    }
    if (!sawRoot && !reader.hasError()) {
        reader.raiseError(QStringLiteral("no <language> element"));
    }
    if (reader.hasError()) {
        if (error != nullptr) {
            *error =
                QStringLiteral("line %1: %2").arg(reader.lineNumber()).arg(reader.errorString());
        }
        return false;
    }
    mTexts = std::move(texts);
    return true;
}

std::optional<QString> LanguageTexts::Find(const QString& key) const {
    const auto it = mTexts.constFind(key);
    if (it == mTexts.constEnd()) {
        return std::nullopt;
    }
    return *it;
}

QString LookupText(const LanguageTexts* texts, const QString& text) {
    if (text.isEmpty() || !text.startsWith(QLatin1String("${"))) {
        return text;
    }
    QString result = text;
    if (texts != nullptr) {
        if (auto found = texts->Find(text)) {
            result = *found;
        }
    }
    result.replace(QLatin1String("{\\n}"), QLatin1String("\n"));
    return result;
}

}  // namespace tonvia::ui

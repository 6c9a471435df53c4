#pragma once
// The texts of one interface language and the key lookup rules.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>

namespace tonvia::ui {

// One language file:
//   <language name="en"><text key="${tips}">Tips</text>...</language>
class LanguageTexts {
  public:
    // Parses `xml`; malformed XML gives false and `error`, leaving the texts empty.
    bool Parse(const QByteArray& xml, QString* error);
    std::optional<QString> Find(const QString& key) const;
    int Size() const { return static_cast<int>(mTexts.size()); }

  private:
    QHash<QString, QString> mTexts;
};

// The text to show for `text`: an empty text or one not beginning with "${" unchanged;
// otherwise the language's entry for the whole text (or the text itself when `texts` is
// null or has no such entry) with every "{\n}" replaced by a line break.
QString LookupText(const LanguageTexts* texts, const QString& text);

}  // namespace tonvia::ui

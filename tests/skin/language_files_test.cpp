// The language files of the skin: every key the program uses is translated in every
// language, format strings keep their conversions, and message texts fit a message box.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ui/language.h"

namespace {

// Texts are broken into lines with this marker; a message box holds about 50 columns.
constexpr std::string_view kLineBreak = "{\\n}";
constexpr int kMaxLineColumns = 50;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Decodes the five predefined entities and numeric references; false on anything else.
bool DecodeEntities(std::string_view raw, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '<') {
            return false;  // nested markup is not a text
        }
        if (raw[i] != '&') {
            out += raw[i];
            continue;
        }
        std::size_t end = raw.find(';', i);
        if (end == std::string_view::npos) {
            return false;
        }
        std::string_view name = raw.substr(i + 1, end - i - 1);
        static const std::map<std::string_view, char> kNamed = {
            {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
        if (auto it = kNamed.find(name); it != kNamed.end()) {
            out += it->second;
        } else {
            return false;  // numeric references are not needed by our files
        }
        i = end;
    }
    return true;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        std::size_t extra = c < 0x80             ? 0
                            : (c & 0xE0) == 0xC0 ? 1
                            : (c & 0xF0) == 0xE0 ? 2
                            : (c & 0xF8) == 0xF0 ? 3
                                                 : 4;
        if (extra == 4 || i + extra >= text.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        i += extra + 1;
    }
    return true;
}

// Display columns of one line: CJK ideographs and full-width punctuation take two.
int Columns(std::string_view line) {
    int columns = 0;
    for (std::size_t i = 0; i < line.size();) {
        unsigned char c = static_cast<unsigned char>(line[i]);
        std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : 4;
        unsigned code = length == 1 ? c : c & (0x7F >> length);
        for (std::size_t k = 1; k < length && i + k < line.size(); ++k) {
            code = (code << 6) | (static_cast<unsigned char>(line[i + k]) & 0x3F);
        }
        bool wide = (code >= 0x2E80 && code <= 0x9FFF) || (code >= 0xFF00 && code <= 0xFF60) ||
                    (code >= 0x3000 && code <= 0x303F);
        columns += wide ? 2 : 1;
        i += length;
    }
    return columns;
}

// The printf conversions of a text, in order ("%d", "%s", "%%", ...).
std::vector<std::string> Conversions(std::string_view text) {
    std::vector<std::string> found;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            continue;
        }
        std::size_t j = i + 1;
        while (j < text.size() &&
               std::string_view("-+ #0123456789.hlLzjt").find(text[j]) != std::string_view::npos) {
            ++j;
        }
        if (j < text.size()) {
            found.emplace_back(text.substr(i, j - i + 1));
        } else {
            found.emplace_back(text.substr(i));  // a dangling '%' is itself a fault
        }
        i = j;
    }
    return found;
}

struct LanguageFile {
    std::string declaredName;
    std::map<std::string, std::string> texts;
    std::vector<std::string> problems;  // duplicate keys, bad markup
};

LanguageFile ParseLanguageFile(const std::string& content) {
    LanguageFile file;
    const std::string root = "<language name=\"";
    std::size_t at = content.find(root);
    if (content.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0) != 0) {
        file.problems.push_back("missing UTF-8 XML declaration");
    }
    if (at == std::string::npos) {
        file.problems.push_back("no <language name=...> element");
        return file;
    }
    std::size_t nameEnd = content.find('"', at + root.size());
    file.declaredName = content.substr(at + root.size(), nameEnd - at - root.size());
    if (content.find("</language>", nameEnd) == std::string::npos) {
        file.problems.push_back("</language> missing");
    }
    const std::string open = "<text key=\"";
    for (std::size_t pos = content.find(open, nameEnd); pos != std::string::npos;
         pos = content.find(open, pos + 1)) {
        std::size_t keyEnd = content.find("\">", pos + open.size());
        std::size_t close = content.find("</text>", keyEnd);
        if (keyEnd == std::string::npos || close == std::string::npos) {
            file.problems.push_back("unterminated <text> at offset " + std::to_string(pos));
            break;
        }
        std::string key;
        std::string text;
        if (!DecodeEntities(
                std::string_view(content).substr(pos + open.size(), keyEnd - pos - open.size()),
                key) ||
            !DecodeEntities(std::string_view(content).substr(keyEnd + 2, close - keyEnd - 2),
                            text)) {
            file.problems.push_back("bad markup near offset " + std::to_string(pos));
            continue;
        }
        if (!file.texts.emplace(key, text).second) {
            file.problems.push_back("duplicate key " + key);
        }
    }
    return file;
}

std::set<std::string> UsedKeys() {
    std::set<std::string> keys;
    std::istringstream lines(ReadFile(TONVIA_LANGUAGE_KEYS));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty()) {
            keys.insert(line);
        }
    }
    return keys;
}

class LanguageFiles : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        keys_ = new std::set<std::string>(UsedKeys());
        files_ = new std::map<std::string, LanguageFile>();
        for (const LanguageEntry& entry : kLanguages) {
            std::string content = ReadFile(std::string(TONVIA_SKIN_DIR) + "/" + entry.file);
            raw_[entry.name] = content;
            (*files_)[entry.name] = ParseLanguageFile(content);
        }
    }
    static void TearDownTestSuite() {
        delete keys_;
        delete files_;
        keys_ = nullptr;
        files_ = nullptr;
    }

    static inline std::set<std::string>* keys_ = nullptr;
    static inline std::map<std::string, LanguageFile>* files_ = nullptr;
    static inline std::map<std::string, std::string> raw_;
};

TEST_F(LanguageFiles, KeyListIsPresent) {
    ASSERT_GT(keys_->size(), 100u) << "key list " << TONVIA_LANGUAGE_KEYS;
    EXPECT_TRUE(keys_->count("${tips}"));
    EXPECT_TRUE(keys_->count("${off}"));
}

TEST_F(LanguageFiles, EachFileIsWellFormedUtf8AndNamesItsLanguage) {
    for (const LanguageEntry& entry : kLanguages) {
        const LanguageFile& file = files_->at(entry.name);
        EXPECT_TRUE(IsValidUtf8(raw_.at(entry.name))) << entry.file;
        EXPECT_EQ(file.declaredName, entry.name) << entry.file;
        for (const std::string& problem : file.problems) {
            ADD_FAILURE() << entry.file << ": " << problem;
        }
    }
}

TEST_F(LanguageFiles, EveryUsedKeyIsTranslatedAndNoOtherKeyIsPresent) {
    for (const LanguageEntry& entry : kLanguages) {
        const LanguageFile& file = files_->at(entry.name);
        for (const std::string& key : *keys_) {
            auto it = file.texts.find(key);
            if (it == file.texts.end()) {
                ADD_FAILURE() << entry.file << " lacks " << key;
            } else {
                EXPECT_FALSE(it->second.empty()) << entry.file << " has an empty " << key;
            }
        }
        for (const auto& [key, text] : file.texts) {
            EXPECT_TRUE(keys_->count(key)) << entry.file << " holds unused key " << key;
        }
    }
}

// Every key that a layout, the page generator or the code names is in the key list (and so,
// by the test above, in every language file). Build-system variables are upper case.
TEST_F(LanguageFiles, KeysUsedInLayoutsAndCodeAreListed) {
    namespace fs = std::filesystem;
    const std::regex keyPattern(R"(\$\{[a-z][A-Za-z0-9_ ]*\})");
    const std::set<std::string> extensions = {".ui", ".xml", ".py", ".cpp", ".h"};
    int filesScanned = 0;
    for (const char* folder : {"skin", "skin_src", "src"}) {
        const fs::path root = fs::path(TONVIA_SOURCE_ROOT) / folder;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            if (!entry.is_regular_file() || !extensions.count(entry.path().extension().string()) ||
                entry.path().parent_path().filename() == "lan") {
                continue;
            }
            ++filesScanned;
            const std::string text = ReadFile(entry.path().string());
            for (std::sregex_iterator it(text.begin(), text.end(), keyPattern), end; it != end;
                 ++it) {
                EXPECT_TRUE(keys_->count(it->str()))
                    << entry.path().string() << " uses " << it->str() << ", which no language has";
            }
        }
    }
    EXPECT_GT(filesScanned, 50);
}

TEST_F(LanguageFiles, FormatStringsKeepTheEnglishConversions) {
    const LanguageFile& english = files_->at("en");
    for (const auto& [key, text] : english.texts) {
        std::vector<std::string> expected = Conversions(text);
        for (const std::string& conversion : expected) {
            EXPECT_TRUE(conversion == "%d" || conversion == "%s" || conversion == "%%")
                << key << " uses " << conversion;
        }
        for (const LanguageEntry& entry : kLanguages) {
            auto it = files_->at(entry.name).texts.find(key);
            if (it != files_->at(entry.name).texts.end()) {
                EXPECT_EQ(Conversions(it->second), expected) << entry.file << " " << key;
            }
        }
    }
}

TEST_F(LanguageFiles, LinesFitAMessageBox) {
    for (const LanguageEntry& entry : kLanguages) {
        for (const auto& [key, text] : files_->at(entry.name).texts) {
            EXPECT_EQ(text.find('\n'), std::string::npos)
                << entry.file << " " << key << ": use {\\n} for line breaks";
            std::string_view rest = text;
            while (true) {
                std::size_t cut = rest.find(kLineBreak);
                std::string_view line = rest.substr(0, cut);
                EXPECT_LE(Columns(line), kMaxLineColumns)
                    << entry.file << " " << key << ": " << line;
                if (cut == std::string_view::npos) {
                    break;
                }
                rest.remove_prefix(cut + kLineBreak.size());
            }
        }
    }
}

// The checker itself: a dropped or swapped conversion must be noticed.
TEST(LanguageFileChecks, ConversionsAreListedInOrder) {
    EXPECT_EQ(Conversions("scene %d \"%s\""), (std::vector<std::string>{"%d", "%s"}));
    EXPECT_NE(Conversions("%s %d"), Conversions("%d %s"));
    EXPECT_EQ(Conversions("%d%%"), (std::vector<std::string>{"%d", "%%"}));
    EXPECT_EQ(Conversions("v%d.%d"), (std::vector<std::string>{"%d", "%d"}));
    EXPECT_EQ(Conversions("100%"), (std::vector<std::string>{"%"}));
    EXPECT_EQ(Columns("加载场景"), 8);
    EXPECT_EQ(Columns("Сцена"), 5);
}

TEST(LanguageFileChecks, ParserReportsDuplicatesAndBadMarkup) {
    LanguageFile file = ParseLanguageFile(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<language name=\"en\">\n"
        "  <text key=\"${a}\">A &amp; B</text>\n  <text key=\"${a}\">again</text>\n"
        "  <text key=\"${b}\">x &nbsp; y</text>\n</language>\n");
    EXPECT_EQ(file.declaredName, "en");
    EXPECT_EQ(file.texts.at("${a}"), "A & B");
    EXPECT_EQ(file.problems.size(), 2u);
    EXPECT_FALSE(IsValidUtf8("\xC3"));
    EXPECT_FALSE(IsValidUtf8("\xFF"));
    EXPECT_TRUE(IsValidUtf8("Выкл. 关"));
}

}  // namespace

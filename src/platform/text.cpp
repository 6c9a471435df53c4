#include "platform/text.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace tonvia::platform {

namespace {

// iconv descriptor owned for one conversion.
class Converter {
  public:
    Converter(const char* to, const std::string& from) : mHandle(iconv_open(to, from.c_str())) {}
    ~Converter() {
        if (Valid()) {
            iconv_close(mHandle);
        }
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Valid() const { return mHandle != reinterpret_cast<iconv_t>(-1); }

    // Converts all of `in`, replacing each input unit that cannot be converted (a byte, or
    // one wide character of `unit` bytes) by `replacement`.
    template <class Out>
    void Run(char* in, std::size_t inLeft, std::size_t unit, Out& text,
             typename Out::value_type replacement) {
        using Char = typename Out::value_type;
        // Each input unit gives at most four output bytes in the code pages used here.
        std::vector<Char> out(inLeft * 4 / sizeof(Char) + 4);
        while (inLeft > 0) {
            char* outPtr = reinterpret_cast<char*>(out.data());
            std::size_t outLeft = out.size() * sizeof(Char);
            const std::size_t result = iconv(mHandle, &in, &inLeft, &outPtr, &outLeft);
            const std::size_t produced = (out.size() * sizeof(Char) - outLeft) / sizeof(Char);
            text.insert(text.end(), out.data(), out.data() + produced);
            if (result != static_cast<std::size_t>(-1)) {
                break;
            }
            if (errno == E2BIG) {
                continue;  // the buffer is reused for the rest
            }
            if (errno != EILSEQ && errno != EINVAL) {
                break;
            }
            text.push_back(replacement);
            const std::size_t skip = std::min(unit, inLeft);
            in += skip;
            inLeft -= skip;
        }
    }

  private:
    iconv_t mHandle;
};

}  // namespace

const char* AnsiCodePageForLanguage(int languageIndex) {
    switch (languageIndex) {
        case 1:
            return "GBK";
        case 2:
            return "WINDOWS-1251";
        default:
            return "WINDOWS-1252";
    }
}

std::wstring AnsiToWide(std::span<const std::uint8_t> bytes, const std::string& codePage) {
    std::wstring text;
    Converter converter("WCHAR_T", codePage);
    if (!converter.Valid()) {
        for (const std::uint8_t byte : bytes) {
            text.push_back(byte < 0x80 ? static_cast<wchar_t>(byte) : L'?');
        }
        return text;
    }
    std::vector<char> in(bytes.begin(), bytes.end());
    converter.Run(in.data(), in.size(), 1, text, L'?');
    return text;
}

std::vector<std::uint8_t> WideToAnsi(std::wstring_view text, const std::string& codePage) {
    std::vector<std::uint8_t> bytes;
    Converter converter(codePage.c_str(), "WCHAR_T");
    if (!converter.Valid()) {
        for (const wchar_t c : text) {
            bytes.push_back(c >= 0 && c < 0x80 ? static_cast<std::uint8_t>(c) : '?');
        }
        return bytes;
    }
    std::wstring copy(text);
    converter.Run(reinterpret_cast<char*>(copy.data()), copy.size() * sizeof(wchar_t),
                  sizeof(wchar_t), bytes, static_cast<std::uint8_t>('?'));
    return bytes;
}

std::string WideToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (const wchar_t wc : text) {
        const auto c = static_cast<std::uint32_t>(wc);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000 && (c < 0xD800 || c > 0xDFFF)) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c >= 0x10000 && c < 0x110000) {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back('?');
        }
    }
    return out;
}

}  // namespace tonvia::platform

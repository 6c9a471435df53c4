// The JSON text of both profile kinds. Readers work on a scratch copy of the model, so a
// file that fails half-way changes nothing.
#include <cjson/cJSON.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "profiles/profile_files.h"

namespace tonvia::profiles {

namespace {

struct JsonDeleter {
    void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

constexpr const char* kModelName = "PVQ-6";
constexpr int kCsmRows = 9;  // the cross-source tables go as 9 rows of 8 numbers
constexpr int kCsmColumns = 8;
constexpr int kCsmValues = kCsmRows * kCsmColumns;
constexpr int kCsmTableValues = kInputSourceCount * kMixInputCount;
constexpr int kNameUnits = kSceneNameChars + 1;  // UTF-16 units of a name entry
constexpr int kNameBytes = kNameUnits * 2;

// --- Writing -----------------------------------------------------------------------------

void AddNumber(cJSON* object, const char* key, double value) {
    cJSON_AddItemToObjectCS(object, key, cJSON_CreateNumber(value));
}

template <class T, std::size_t N>
cJSON* NumberArray(const std::array<T, N>& values, std::size_t count = N) {
    cJSON* array = cJSON_CreateArray();
    for (std::size_t i = 0; i < count && i < N; ++i) {
        cJSON_AddItemToArray(array, cJSON_CreateNumber(static_cast<double>(values[i])));
    }
    return array;
}

cJSON* FilterObject(const FilterSetting& f) {
    cJSON* object = cJSON_CreateObject();
    AddNumber(object, "fs", f.fs);
    AddNumber(object, "type", f.type);
    AddNumber(object, "slope", f.slope);
    AddNumber(object, "bypass", f.bypass);
    return object;
}

cJSON* ChannelsArray(const SceneConfig& s) {
    cJSON* channels = cJSON_CreateArray();
    for (const OutChannel& ch : s.channels) {
        cJSON* object = cJSON_CreateObject();
        AddNumber(object, "eqSize", ch.eqSize);
        AddNumber(object, "gain", ch.gain);
        AddNumber(object, "mute", ch.mute);
        AddNumber(object, "delay", ch.delay);
        AddNumber(object, "solo", ch.solo);
        AddNumber(object, "phase", ch.phase);
        AddNumber(object, "bypass", ch.bypass);
        cJSON* crossover = cJSON_CreateObject();
        AddNumber(crossover, "bpType", ch.crossover.bpType);
        cJSON_AddItemToObjectCS(crossover, "hp", FilterObject(ch.crossover.hp));
        cJSON_AddItemToObjectCS(crossover, "lp", FilterObject(ch.crossover.lp));
        cJSON_AddItemToObjectCS(object, "crossover", crossover);
        cJSON* bands = cJSON_CreateArray();
        const int count = std::clamp(ch.eqSize, 0, kEqBandCount);
        for (int b = 0; b < count; ++b) {
            const EqBand& band = ch.eqArray[static_cast<std::size_t>(b)];
            cJSON* item = cJSON_CreateObject();
            AddNumber(item, "freq", band.freq);
            AddNumber(item, "eqFactor", band.q);
            AddNumber(item, "eqGain", band.gain);
            AddNumber(item, "enable", band.enable);
            cJSON_AddItemToArray(bands, item);
        }
        cJSON_AddItemToObjectCS(object, "eqArray", bands);
        cJSON_AddItemToArray(channels, object);
    }
    return channels;
}

cJSON* InputsArray(const SceneConfig& s) {
    cJSON* array = cJSON_CreateArray();
    for (const auto& row : s.inputs) {
        cJSON_AddItemToArray(array, NumberArray(row));
    }
    return array;
}

cJSON* MixVolumeArray(const SceneConfig& s) {
    cJSON* array = cJSON_CreateArray();
    for (const auto& source : s.inputMixVolume) {
        cJSON* rows = cJSON_CreateArray();
        for (int in = 0; in < kDspInputCount; ++in) {
            cJSON_AddItemToArray(rows, NumberArray(source[static_cast<std::size_t>(in)]));
        }
        cJSON_AddItemToArray(array, rows);
    }
    return array;
}

cJSON* InMixPhaseArray(const SceneConfig& s) {
    cJSON* array = cJSON_CreateArray();
    for (const auto& row : s.inMixPhase) {
        cJSON_AddItemToArray(array, NumberArray(row, kDspInputCount));
    }
    return array;
}

// A cross-source table as the device record lays it out: its 54 values, then the first 18
// values of the record that follow it.
cJSON* CsmArray(const SourceTable& table, const std::array<std::int32_t, 18>& after) {
    std::vector<std::int32_t> flat;
    flat.reserve(kCsmValues);
    for (const auto& row : table) {
        flat.insert(flat.end(), row.begin(), row.end());
    }
    flat.insert(flat.end(), after.begin(), after.end());
    cJSON* array = cJSON_CreateArray();
    for (int r = 0; r < kCsmRows; ++r) {
        cJSON* row = cJSON_CreateArray();
        for (int c = 0; c < kCsmColumns; ++c) {
            const auto value = flat[static_cast<std::size_t>(r * kCsmColumns + c)];
            cJSON_AddItemToArray(row, cJSON_CreateNumber(value));
        }
        cJSON_AddItemToArray(array, row);
    }
    return array;
}

std::array<std::int32_t, 18> TableStart(const SourceTable& table) {
    std::array<std::int32_t, 18> out{};
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = table[i / kMixInputCount][i % kMixInputCount];
    }
    return out;
}

void AddCsmAndLinks(cJSON* root, const SceneConfig& s) {
    std::array<std::int32_t, 18> afterGain{};
    for (std::size_t i = 0; i < kOutChannelCount; ++i) {
        afterGain[i] = s.outputs[i];
        afterGain[i + 6] = s.outputs_bk[i];
        afterGain[i + 12] = s.linkOutputs[i];
    }
    cJSON_AddItemToObjectCS(root, "csmViceSource",
                            CsmArray(s.csmViceSource, TableStart(s.csmViceCh)));
    cJSON_AddItemToObjectCS(root, "csmViceCh", CsmArray(s.csmViceCh, TableStart(s.csmViceGain)));
    cJSON_AddItemToObjectCS(root, "csmViceGain", CsmArray(s.csmViceGain, afterGain));
}

void AddHeader(cJSON* root, const SceneConfig& s) {
    AddNumber(root, "model", kProfileModel);
    cJSON_AddItemToObjectCS(root, "model_name", cJSON_CreateString(kModelName));
    AddNumber(root, "mainVolume", s.mainVolume);
    AddNumber(root, "acc", s.acc);
    AddNumber(root, "subVolume", s.subVolume);
    AddNumber(root, "mainVolumeMute", s.mainVolumeMute);
}

// The members of the routing and output part shared by every configuration object.
void AddOutputs(cJSON* object, const SceneConfig& s) {
    cJSON_AddItemToObjectCS(object, "outputs", NumberArray(s.outputs));
    cJSON_AddItemToObjectCS(object, "outputs_bk", NumberArray(s.outputs_bk));
    cJSON_AddItemToObjectCS(object, "linkOutputs", NumberArray(s.linkOutputs));
    cJSON_AddItemToObjectCS(object, "bridgeOutputs", NumberArray(s.bridgeOutputs));
}

// The text cJSON_PrintUnformatted gives, written straight into one string: cJSON's printer
// formats every number with printf and reads it back with scanf, which made a whole
// profile take over 10 ms. Numbers: 15 significant digits, or 17 when 15 do not read back
// equal within an epsilon of the larger, as cJSON decides.
void AppendNumber(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    std::array<char, 40> text{};
    char* const last = text.data() + text.size();
    char* end = std::to_chars(text.data(), last, value, std::chars_format::general, 15).ptr;
    double back = 0.0;
    std::from_chars(text.data(), end, back);
    if (std::fabs(back - value) >
        std::max(std::fabs(back), std::fabs(value)) * std::numeric_limits<double>::epsilon()) {
        end = std::to_chars(text.data(), last, value, std::chars_format::general, 17).ptr;
    }
    out.append(text.data(), end);
}

void AppendString(std::string& out, const char* text) {
    out += '"';
    for (const char* c = text; c != nullptr && *c != '\0'; ++c) {
        const auto byte = static_cast<unsigned char>(*c);
        switch (byte) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20) {
                    std::array<char, 8> escape{};
                    std::snprintf(escape.data(), escape.size(), "\\u%04x", byte);
                    out += escape.data();
                } else {
                    out += *c;
                }
        }
    }
    out += '"';
}

void AppendValue(std::string& out, const cJSON* item) {
    switch (item->type & 0xFF) {
        case cJSON_NULL:
            out += "null";
            return;
        case cJSON_False:
            out += "false";
            return;
        case cJSON_True:
            out += "true";
            return;
        case cJSON_Number:
            AppendNumber(out, item->valuedouble);
            return;
        case cJSON_String:
            AppendString(out, item->valuestring != nullptr ? item->valuestring : "");
            return;
        case cJSON_Raw:
            out += item->valuestring != nullptr ? item->valuestring : "";
            return;
        case cJSON_Array:
        case cJSON_Object: {
            const bool object = (item->type & 0xFF) == cJSON_Object;
            out += object ? '{' : '[';
            for (const cJSON* child = item->child; child != nullptr; child = child->next) {
                if (child != item->child) {
                    out += ',';
                }
                if (object) {
                    AppendString(out, child->string);
                    out += ':';
                }
                AppendValue(out, child);
            }
            out += object ? '}' : ']';
            return;
        }
        default:
            return;
    }
}

std::string Print(const JsonPtr& root) {
    std::string out;
    out.reserve(1 << 18);  // a whole profile is about 170 KB
    AppendValue(out, root.get());
    return out;
}

// --- Scene names -------------------------------------------------------------------------

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Base64Encode(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t v = static_cast<std::uint32_t>(bytes[i]) << 16;
        if (n > 1) {
            v |= static_cast<std::uint32_t>(bytes[i + 1]) << 8;
        }
        if (n > 2) {
            v |= bytes[i + 2];
        }
        out += kBase64[(v >> 18) & 63];
        out += kBase64[(v >> 12) & 63];
        out += n > 1 ? kBase64[(v >> 6) & 63] : '=';
        out += n > 2 ? kBase64[v & 63] : '=';
    }
    return out;
}

int Base64Value(char c) {
    for (int i = 0; i < 64; ++i) {
        if (kBase64[i] == c) {
            return i;
        }
    }
    return -1;
}

// Strict standard Base64 with padding; nullopt for anything else.
std::optional<std::vector<std::uint8_t>> Base64Decode(std::string_view text) {
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        int pad = 0;
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const char c = text[i + k];
            if (c == '=' && last && k >= 2) {
                ++pad;
                v <<= 6;
                continue;
            }
            const int d = Base64Value(c);
            if (d < 0 || pad > 0) {
                return std::nullopt;
            }
            v = (v << 6) | static_cast<std::uint32_t>(d);
        }
        out.push_back(static_cast<std::uint8_t>(v >> 16));
        if (pad < 2) {
            out.push_back(static_cast<std::uint8_t>(v >> 8));
        }
        if (pad < 1) {
            out.push_back(static_cast<std::uint8_t>(v));
        }
    }
    return out;
}

// A name as its 16-byte entry: at most kSceneNameChars UTF-16LE units (a pair is never
// split), then zero units.
std::vector<std::uint8_t> NameEntry(const std::wstring& name) {
    std::vector<std::uint16_t> units;
    for (const wchar_t wc : name) {
        auto c = static_cast<std::uint32_t>(wc);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            c = '?';
        }
        const std::size_t need = c > 0xFFFF ? 2 : 1;
        if (c == 0 || units.size() + need > kSceneNameChars) {
            break;
        }
        if (c > 0xFFFF) {
            c -= 0x10000;
            units.push_back(static_cast<std::uint16_t>(0xD800 + (c >> 10)));
            units.push_back(static_cast<std::uint16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            units.push_back(static_cast<std::uint16_t>(c));
        }
    }
    std::vector<std::uint8_t> bytes(kNameBytes, 0);
    for (std::size_t i = 0; i < units.size(); ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(units[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
    }
    return bytes;
}

// The name of an entry, ending at the first zero unit; the last unit always ends it, so an
// entry filled to the brim still yields a terminated name. Lone surrogates become '?'.
std::wstring NameFromEntry(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint16_t> units;
    for (std::size_t i = 0; i + 1 < bytes.size() && units.size() < kSceneNameChars; i += 2) {
        const auto u = static_cast<std::uint16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (u == 0) {
            break;
        }
        units.push_back(u);
    }
    std::wstring name;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const std::uint16_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            const std::uint32_t c = 0x10000 + ((u - 0xD800u) << 10) + (units[i + 1] - 0xDC00u);
            name += static_cast<wchar_t>(c);
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            name += L'?';
        } else {
            name += static_cast<wchar_t>(u);
        }
    }
    return name;
}

// --- Reading -----------------------------------------------------------------------------

// Carries the first failure; every read after it does nothing.
class Reader {
  public:
    bool Ok() const { return error_.empty(); }
    const std::string& Error() const { return error_; }

    bool Fail(const std::string& what) {
        if (error_.empty()) {
            error_ = what;
        }
        return false;
    }

    const cJSON* Member(const cJSON* object, const char* key) {
        const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, key);
        if (item == nullptr) {
            Fail(std::string("missing \"") + key + "\"");
        }
        return item;
    }

    // An integer within lo..hi, taken as the number's integer part.
    template <class T>
    bool Int(const cJSON* item, const char* what, T& out, double lo, double hi) {
        if (!Ok()) {
            return false;
        }
        if (!cJSON_IsNumber(item)) {
            return Fail(std::string("\"") + what + "\" is not a number");
        }
        const double v = std::trunc(item->valuedouble);
        if (!(v >= lo && v <= hi)) {
            return Fail(std::string("\"") + what + "\" is out of range");
        }
        out = static_cast<T>(v);
        return true;
    }
    template <class T>
    bool Int(const cJSON* item, const char* what, T& out) {
        return Int(item, what, out, static_cast<double>(std::numeric_limits<T>::min()),
                   static_cast<double>(std::numeric_limits<T>::max()));
    }

    bool Float(const cJSON* item, const char* what, float& out) {
        if (!Ok()) {
            return false;
        }
        const double limit = std::numeric_limits<float>::max();
        if (!cJSON_IsNumber(item) || !(std::fabs(item->valuedouble) <= limit)) {
            return Fail(std::string("\"") + what + "\" is not a float");
        }
        out = static_cast<float>(item->valuedouble);
        return true;
    }

    // An array of exactly `count` items.
    bool Array(const cJSON* item, const char* what, int count) {
        if (!Ok()) {
            return false;
        }
        if (!cJSON_IsArray(item) || cJSON_GetArraySize(item) != count) {
            return Fail(std::string("\"") + what + "\" is not an array of " +
                        std::to_string(count));
        }
        return true;
    }

    bool Object(const cJSON* item, const char* what) {
        if (Ok() && !cJSON_IsObject(item)) {
            return Fail(std::string("\"") + what + "\" is not an object");
        }
        return Ok();
    }

    template <class T, std::size_t N>
    bool Ints(const cJSON* item, const char* what, std::array<T, N>& out, double lo, double hi,
              std::size_t count = N) {
        if (!Array(item, what, static_cast<int>(count))) {
            return false;
        }
        std::size_t i = 0;
        for (const cJSON* e = item->child; e != nullptr && i < count; e = e->next, ++i) {
            if (!Int(e, what, out[i], lo, hi)) {
                return false;
            }
        }
        return true;
    }
    template <class T, std::size_t N>
    bool Ints(const cJSON* item, const char* what, std::array<T, N>& out) {
        return Ints(item, what, out, std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
    }

    template <class T, std::size_t N>
    bool MemberInts(const cJSON* object, const char* key, std::array<T, N>& out, double lo,
                    double hi) {
        return Ok() && Ints(Member(object, key), key, out, lo, hi);
    }
    template <class T>
    bool MemberInt(const cJSON* object, const char* key, T& out, double lo, double hi) {
        return Ok() && Int(Member(object, key), key, out, lo, hi);
    }
    template <class T>
    bool MemberInt(const cJSON* object, const char* key, T& out) {
        return Ok() && Int(Member(object, key), key, out);
    }
    bool MemberFloat(const cJSON* object, const char* key, float& out) {
        return Ok() && Float(Member(object, key), key, out);
    }

  private:
    std::string error_;
};

constexpr double kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr double kIntMax = std::numeric_limits<std::int32_t>::max();

// Rows of a [source][...] table: `rows` arrays of `columns` numbers.
template <class Rows>
bool ReadRows(Reader& r, const cJSON* item, const char* what, Rows rows, std::size_t columns) {
    if (!r.Array(item, what, static_cast<int>(rows.size()))) {
        return false;
    }
    std::size_t i = 0;
    for (const cJSON* e = item->child; e != nullptr && i < rows.size(); e = e->next, ++i) {
        if (!r.Ints(e, what, rows[i], kIntMin, kIntMax, columns)) {
            return false;
        }
    }
    return true;
}

bool ReadInputs(Reader& r, const cJSON* object, SceneConfig& s) {
    return r.Ok() &&
           ReadRows(r, r.Member(object, "inputs"), "inputs", std::span(s.inputs), kOutChannelCount);
}

bool ReadInMixPhase(Reader& r, const cJSON* object, SceneConfig& s) {
    return r.Ok() && ReadRows(r, r.Member(object, "inMixPhase"), "inMixPhase",
                              std::span(s.inMixPhase), kDspInputCount);
}

bool ReadMixVolume(Reader& r, const cJSON* object, SceneConfig& s) {
    const char* key = "inputMixVolume";
    const cJSON* item = r.Ok() ? r.Member(object, key) : nullptr;
    if (!r.Array(item, key, kInputSourceCount)) {
        return false;
    }
    std::size_t i = 0;
    for (const cJSON* e = item->child; e != nullptr && i < s.inputMixVolume.size();
         e = e->next, ++i) {
        if (!ReadRows(r, e, key, std::span(s.inputMixVolume[i]).first(kDspInputCount),
                      kOutChannelCount)) {
            return false;
        }
    }
    return true;
}

// The n-th (0-based) top-level member named `key`; a whole profile repeats the
// cross-source and link keys, once for the working configuration and once per scene.
const cJSON* Occurrence(const cJSON* object, const char* key, int n) {
    for (const cJSON* e = object->child; e != nullptr; e = e->next) {
        if (e->string != nullptr && std::string_view(e->string) == key && n-- == 0) {
            return e;
        }
    }
    return nullptr;
}

// An optional cross-source table: a missing or misshapen key leaves the table as it was.
void ReadCsm(const cJSON* item, SourceTable& table) {
    Reader r;
    std::array<std::array<std::int32_t, kCsmColumns>, kCsmRows> rows{};
    if (item == nullptr || !ReadRows(r, item, "csm", std::span(rows), kCsmColumns)) {
        return;
    }
    for (int i = 0; i < kCsmTableValues; ++i) {
        table[static_cast<std::size_t>(i / kMixInputCount)]
             [static_cast<std::size_t>(i % kMixInputCount)] =
                 rows[static_cast<std::size_t>(i / kCsmColumns)]
                     [static_cast<std::size_t>(i % kCsmColumns)];
    }
}

void ReadCsmTables(const cJSON* root, int occurrence, SceneConfig& s) {
    ReadCsm(Occurrence(root, "csmViceSource", occurrence), s.csmViceSource);
    ReadCsm(Occurrence(root, "csmViceCh", occurrence), s.csmViceCh);
    ReadCsm(Occurrence(root, "csmViceGain", occurrence), s.csmViceGain);
}

bool ReadFilter(Reader& r, const cJSON* object, const char* key, FilterSetting& f) {
    const cJSON* item = r.Ok() ? r.Member(object, key) : nullptr;
    return r.Object(item, key) && r.MemberInt(item, "fs", f.fs) &&
           r.MemberInt(item, "type", f.type) && r.MemberInt(item, "slope", f.slope) &&
           r.MemberInt(item, "bypass", f.bypass);
}

bool ReadChannel(Reader& r, const cJSON* item, OutChannel& ch) {
    if (!r.Object(item, "channels") || !r.MemberInt(item, "eqSize", ch.eqSize, 0, kEqBandCount) ||
        !r.MemberFloat(item, "gain", ch.gain) || !r.MemberInt(item, "mute", ch.mute) ||
        !r.MemberFloat(item, "delay", ch.delay) || !r.MemberInt(item, "solo", ch.solo) ||
        !r.MemberInt(item, "phase", ch.phase) || !r.MemberInt(item, "bypass", ch.bypass)) {
        return false;
    }
    const cJSON* crossover = r.Member(item, "crossover");
    if (!r.Object(crossover, "crossover") ||
        !r.MemberInt(crossover, "bpType", ch.crossover.bpType) ||
        !ReadFilter(r, crossover, "hp", ch.crossover.hp) ||
        !ReadFilter(r, crossover, "lp", ch.crossover.lp)) {
        return false;
    }
    const cJSON* bands = r.Member(item, "eqArray");
    if (!r.Array(bands, "eqArray", ch.eqSize)) {
        return false;
    }
    std::size_t b = 0;
    for (const cJSON* e = bands->child; e != nullptr && b < ch.eqArray.size(); e = e->next, ++b) {
        EqBand& band = ch.eqArray[b];
        double enable = 0;
        if (!r.Object(e, "eqArray") || !r.MemberInt(e, "freq", band.freq) ||
            !r.MemberFloat(e, "eqFactor", band.q) || !r.MemberFloat(e, "eqGain", band.gain) ||
            !r.Int(r.Member(e, "enable"), "enable", enable, -HUGE_VAL, HUGE_VAL)) {
            return false;
        }
        band.enable = enable != 0 ? 1 : 0;
    }
    return true;
}

bool ReadChannels(Reader& r, const cJSON* object, SceneConfig& s) {
    const cJSON* item = r.Ok() ? r.Member(object, "channels") : nullptr;
    if (!r.Array(item, "channels", kOutChannelCount)) {
        return false;
    }
    std::size_t i = 0;
    for (const cJSON* e = item->child; e != nullptr && i < s.channels.size(); e = e->next, ++i) {
        if (!ReadChannel(r, e, s.channels[i])) {
            return false;
        }
    }
    return true;
}

constexpr double kLastChannel = kOutChannelCount - 1;
constexpr double kLastLinkGroup = kOutChannelCount;
constexpr double kLastPosition = kPositionCodeCount - 1;

bool ReadOutputs(Reader& r, const cJSON* object, SceneConfig& s) {
    return r.MemberInts(object, "outputs", s.outputs, 0, kLastPosition) &&
           r.MemberInts(object, "outputs_bk", s.outputs_bk, 0, kLastPosition) &&
           r.MemberInts(object, "linkOutputs", s.linkOutputs, -1, kLastChannel);
}

bool ReadLinkSel(Reader& r, const cJSON* object, SceneConfig& s) {
    return r.MemberInts(object, "linkSel", s.linkSel, 0, kLastLinkGroup) &&
           r.MemberInts(object, "delayLinkSel", s.delayLinkSel, 0, kLastLinkGroup);
}

bool ReadShown(Reader& r, const cJSON* object, SceneConfig& s) {
    return r.MemberInts(object, "showOutChEqualizer", s.showOutChEqualizer, kIntMin, kIntMax) &&
           r.MemberInt(object, "currOutChannel", s.currOutChannel, 0, kLastChannel) &&
           r.MemberInt(object, "linkMode", s.linkMode) &&
           r.MemberInt(object, "lockMode", s.lockMode);
}

bool ReadHeader(Reader& r, const cJSON* root, SceneConfig& s) {
    return r.MemberInt(root, "mainVolume", s.mainVolume) && r.MemberInt(root, "acc", s.acc) &&
           r.MemberInt(root, "subVolume", s.subVolume) &&
           r.MemberInt(root, "mainVolumeMute", s.mainVolumeMute);
}

// An optional whole-profile key: absent keeps the value, present it must be right.
template <std::size_t N>
bool ReadOptionalInts(Reader& r, const cJSON* item, const char* key, std::array<int32_t, N>& out,
                      double lo, double hi) {
    return item == nullptr || r.Ints(item, key, out, lo, hi);
}

bool ReadOptionalLinks(Reader& r, const cJSON* root, const cJSON* object, int occurrence,
                       SceneConfig& s) {
    return ReadOptionalInts(r, cJSON_GetObjectItemCaseSensitive(object, "bridgeOutputs"),
                            "bridgeOutputs", s.bridgeOutputs, kIntMin, kIntMax) &&
           ReadOptionalInts(r, Occurrence(root, "linkSel", occurrence), "linkSel", s.linkSel, 0,
                            kLastLinkGroup) &&
           ReadOptionalInts(r, Occurrence(root, "delayLinkSel", occurrence), "delayLinkSel",
                            s.delayLinkSel, 0, kLastLinkGroup);
}

// Parses the text and checks the model number; on failure `result` says why.
JsonPtr ParseRoot(std::string_view text, ProfileResult& result) {
    JsonPtr root(cJSON_ParseWithLength(text.data(), text.size()));
    if (root == nullptr) {
        result = {false, kProfileOpenError, "not JSON"};
        return nullptr;
    }
    const cJSON* model = cJSON_GetObjectItemCaseSensitive(root.get(), "model");
    if (!cJSON_IsObject(root.get()) || !cJSON_IsNumber(model)) {
        result = {false, kProfileLoadError, "\"model\" is not a number"};
        return nullptr;
    }
    if (model->valuedouble != kProfileModel) {
        result = {false, kSoftwareNotMatch, "the profile is for another model"};
        return nullptr;
    }
    return root;
}

ProfileResult Finish(const Reader& r, const ModelSet& scratch, ModelSet& model) {
    if (!r.Ok()) {
        return {false, kProfileLoadError, r.Error()};
    }
    model = scratch;
    return {true, {}, {}};
}

}  // namespace

std::string SceneProfileText(const ModelSet& model) {
    const SceneConfig& s = model.live;
    JsonPtr root(cJSON_CreateObject());
    AddHeader(root.get(), s);
    cJSON_AddItemToObjectCS(root.get(), "channels", ChannelsArray(s));
    cJSON_AddItemToObjectCS(root.get(), "inputs", InputsArray(s));
    cJSON_AddItemToObjectCS(root.get(), "inputMixVolume", MixVolumeArray(s));
    AddCsmAndLinks(root.get(), s);
    AddOutputs(root.get(), s);
    cJSON_AddItemToObjectCS(root.get(), "linkSel", NumberArray(s.linkSel));
    cJSON_AddItemToObjectCS(root.get(), "delayLinkSel", NumberArray(s.delayLinkSel));
    cJSON_AddItemToObjectCS(root.get(), "showOutChEqualizer", NumberArray(s.showOutChEqualizer));
    AddNumber(root.get(), "currOutChannel", s.currOutChannel);
    AddNumber(root.get(), "linkMode", s.linkMode);
    AddNumber(root.get(), "lockMode", s.lockMode);
    AddNumber(root.get(), "inputThreshold", s.inputThreshold);
    cJSON_AddItemToObjectCS(root.get(), "inMixPhase", InMixPhaseArray(s));
    return Print(root);
}

std::string WholeProfileText(const ModelSet& model) {
    const SceneConfig& live = model.live;
    JsonPtr root(cJSON_CreateObject());
    AddHeader(root.get(), live);
    cJSON* names = cJSON_CreateArray();
    for (const std::wstring& name : model.sceneNames) {
        cJSON_AddItemToArray(names, cJSON_CreateString(Base64Encode(NameEntry(name)).c_str()));
    }
    cJSON_AddItemToObjectCS(root.get(), "sceneName", names);
    auto addRepeated = [&](const SceneConfig& s) {
        AddCsmAndLinks(root.get(), s);
        cJSON_AddItemToObjectCS(root.get(), "linkSel", NumberArray(s.linkSel));
        cJSON_AddItemToObjectCS(root.get(), "delayLinkSel", NumberArray(s.delayLinkSel));
    };
    addRepeated(live);
    cJSON* current = cJSON_CreateObject();
    cJSON_AddItemToObjectCS(current, "channels", ChannelsArray(live));
    cJSON_AddItemToObjectCS(current, "inputs", InputsArray(live));
    cJSON_AddItemToObjectCS(current, "inputMixVolume", MixVolumeArray(live));
    cJSON_AddItemToObjectCS(current, "inMixPhase", InMixPhaseArray(live));
    AddOutputs(current, live);
    cJSON_AddItemToObjectCS(current, "showOutChEqualizer", NumberArray(live.showOutChEqualizer));
    AddNumber(current, "currOutChannel", live.currOutChannel);
    AddNumber(current, "linkMode", live.linkMode);
    AddNumber(current, "lockMode", live.lockMode);
    AddNumber(current, "inputThreshold", live.inputThreshold);
    cJSON_AddItemToObjectCS(root.get(), "currentProfile", current);
    for (const SceneConfig& s : model.stored) {
        addRepeated(s);
    }
    cJSON* scenes = cJSON_CreateArray();
    for (const SceneConfig& s : model.stored) {
        cJSON* object = cJSON_CreateObject();
        cJSON_AddItemToObjectCS(object, "channels", ChannelsArray(s));
        cJSON_AddItemToObjectCS(object, "inputs", InputsArray(s));
        cJSON_AddItemToObjectCS(object, "inputMixVolume", MixVolumeArray(s));
        AddOutputs(object, s);
        cJSON_AddItemToObjectCS(object, "showOutChEqualizer", NumberArray(s.showOutChEqualizer));
        AddNumber(object, "currOutChannel", s.currOutChannel);
        AddNumber(object, "linkMode", s.linkMode);
        AddNumber(object, "lockMode", s.lockMode);
        cJSON_AddItemToArray(scenes, object);
    }
    cJSON_AddItemToObjectCS(root.get(), "sceneArray", scenes);
    return Print(root);
}

ProfileResult ParseSceneProfile(std::string_view text, ModelSet& model) {
    ProfileResult result;
    const JsonPtr root = ParseRoot(text, result);
    if (root == nullptr) {
        return result;
    }
    ModelSet scratch = model;
    SceneConfig& s = scratch.live;
    const cJSON* json = root.get();
    Reader r;
    if (ReadHeader(r, json, s) && ReadInputs(r, json, s) && ReadMixVolume(r, json, s)) {
        ReadCsmTables(json, 0, s);
    }
    if (ReadOutputs(r, json, s) && ReadLinkSel(r, json, s) &&
        r.MemberInts(json, "bridgeOutputs", s.bridgeOutputs, kIntMin, kIntMax) &&
        ReadShown(r, json, s) && r.MemberInt(json, "inputThreshold", s.inputThreshold) &&
        ReadInMixPhase(r, json, s)) {
        ReadChannels(r, json, s);
    }
    return Finish(r, scratch, model);
}

ProfileResult ParseWholeProfile(std::string_view text, ModelSet& model) {
    ProfileResult result;
    const JsonPtr root = ParseRoot(text, result);
    if (root == nullptr) {
        return result;
    }
    ModelSet scratch = model;
    SceneConfig& live = scratch.live;
    const cJSON* json = root.get();
    Reader r;
    ReadHeader(r, json, live);
    const cJSON* names = r.Ok() ? r.Member(json, "sceneName") : nullptr;
    if (r.Array(names, "sceneName", kStoredSceneCount)) {
        std::size_t k = 0;
        for (const cJSON* e = names->child; e != nullptr && k < scratch.sceneNames.size();
             e = e->next, ++k) {
            const auto bytes = cJSON_IsString(e) ? Base64Decode(e->valuestring) : std::nullopt;
            if (!bytes || bytes->size() > kNameBytes) {
                r.Fail("\"sceneName\" holds an entry that is not a 16-byte Base64 name");
                break;
            }
            scratch.sceneNames[k] = NameFromEntry(*bytes);
        }
    }
    const cJSON* current = r.Ok() ? r.Member(json, "currentProfile") : nullptr;
    if (r.Object(current, "currentProfile") && ReadInputs(r, current, live)) {
        ReadCsmTables(json, 0, live);
    }
    if (ReadOutputs(r, current, live) && ReadShown(r, current, live) &&
        r.MemberInt(current, "inputThreshold", live.inputThreshold) &&
        ReadMixVolume(r, current, live) && ReadInMixPhase(r, current, live) &&
        ReadChannels(r, current, live)) {
        ReadOptionalLinks(r, json, current, 0, live);
    }
    const cJSON* scenes = r.Ok() ? r.Member(json, "sceneArray") : nullptr;
    if (r.Array(scenes, "sceneArray", kStoredSceneCount)) {
        int k = 1;
        for (const cJSON* e = scenes->child; e != nullptr && k <= kStoredSceneCount;
             e = e->next, ++k) {
            SceneConfig& s = scratch.stored[static_cast<std::size_t>(k - 1)];
            if (!r.Object(e, "sceneArray") || !ReadInputs(r, e, s) || !ReadMixVolume(r, e, s)) {
                break;
            }
            ReadCsmTables(json, k, s);
            if (!ReadOutputs(r, e, s) || !ReadShown(r, e, s) || !ReadChannels(r, e, s) ||
                !ReadOptionalLinks(r, json, e, k, s)) {
                break;
            }
        }
    }
    return Finish(r, scratch, model);
}

}  // namespace tonvia::profiles

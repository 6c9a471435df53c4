#include "sim/state_json.h"

#include <cjson/cJSON.h>

#include <cmath>
#include <concepts>
#include <limits>
#include <memory>
#include <type_traits>

namespace tonvia::sim {

namespace {

struct JsonDeleter {
    void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDeleter>;

template <class T>
struct IsStdArray : std::false_type {};
template <class T, std::size_t N>
struct IsStdArray<std::array<T, N>> : std::true_type {};

using ByteBlock = std::vector<std::uint8_t>;
using Memory = std::map<std::uint32_t, std::uint32_t>;

template <class S, class T>
concept Is = std::same_as<std::remove_const_t<S>, T>;

// --- The small records as ordered fields (one list for writing and reading) -------------

template <class V, Is<EqBand> B>
void Fields(V& v, B& b) {
    v(b.freq);
    v(b.qHundredths);
    v(b.gainTenths);
}
template <class V, Is<Filter> F>
void Fields(V& v, F& f) {
    v(f.type);
    v(f.freq);
    v(f.slope);
}
template <class V, Is<Compressor> C>
void Fields(V& v, C& c) {
    v(c.bypass);
    v(c.thresholdTenths);
    v(c.ratioTenths);
    v(c.kneeTenths);
    v(c.attackMs);
    v(c.releaseMs);
}
template <class V, Is<Compressor2> C>
void Fields(V& v, C& c) {
    v(c.thresholdInt);
    v(c.thresholdTenths);
    v(c.attackMs);
    v(c.releaseSeconds);
    v(c.releaseTenths);
}
template <class V, Is<CrossMix> M>
void Fields(V& v, M& m) {
    v(m.viceSource);
    v(m.viceChannel);
    v(m.viceGain);
}
template <class V, Is<Link> L>
void Fields(V& v, L& l) {
    v(l.on);
    v(l.pairFlags);
}

// --- The named values --------------------------------------------------------------------

template <class V, Is<SceneParams> S>
void Named(V& v, S& p) {
    v("highPass", p.highPass);
    v("lowPass", p.lowPass);
    v("eq", p.eq);
    v("delayThousandths", p.delayThousandths);
    v("trimHundredths", p.trimHundredths);
    v("mute", p.mute);
    v("phase", p.phase);
    v("solo", p.solo);
    v("channelType", p.channelType);
    v("peqBypass", p.peqBypass);
    v("hpQMode", p.hpQMode);
    v("lpQMode", p.lpQMode);
    v("compressorOn", p.compressorOn);
    v("speakerDistance", p.speakerDistance);
    v("compressor", p.compressor);
    v("compressor2", p.compressor2);
    v("link", p.link);
    v("trimLink", p.trimLink);
    v("delayLink", p.delayLink);
    v("lock", p.lock);
    v("dspBypass", p.dspBypass);
    v("autoEffect", p.autoEffect);
    v("ircActiveBypass", p.ircActiveBypass);
    v("bridgeCount", p.bridgeCount);
    v("bridge", p.bridge);
    v("mix", p.mix);
    v("mixType", p.mixType);
    v("mixType2", p.mixType2);
    v("inputTrim", p.inputTrim);
    v("inputMute", p.inputMute);
    v("inputPhase", p.inputPhase);
    v("inputEq", p.inputEq);
    v("inputMixTrim", p.inputMixTrim);
    v("crossMix", p.crossMix);
    v("crossMixCs", p.crossMixCs);
    v("remap", p.remap);
}

template <class V, Is<DeviceState> D>
void Named(V& v, D& s) {
    v("model", s.model);
    v("mainVersion", s.mainVersion);
    v("slaveVersion", s.slaveVersion);
    v("bootLoaderMode", s.bootLoaderMode);
    v("bootLoaderVersion", s.bootLoaderVersion);
    v("flashVersion", s.flashVersion);
    v("powerOffDelayMs", s.powerOffDelayMs);
    v("acc", s.acc);
    v("password", s.password);
    v("remark", s.remark);
    v("dataBlock", s.dataBlock);
    v("source", s.source);
    v("mainVolume", s.mainVolume);
    v("subVolume", s.subVolume);
    v("mute", s.mute);
    v("ampMute", s.ampMute);
    v("remOut1", s.remOut1);
    v("remOut2", s.remOut2);
    v("speakerOhm", s.speakerOhm);
    v("noiseGate", s.noiseGate);
    v("speakerConfig", s.speakerConfig);
    v("factoryPreset", s.factoryPreset);
    v("setupMode", s.setupMode);
    v("autoOn", s.autoOn);
    v("mixSource", s.mixSource);
    v("dspStatus", s.dspStatus);
    v("remoteChannel", s.remoteChannel);
    v("remoteVolume", s.remoteVolume);
    v("inputThreshold", s.inputThreshold);
    v("surroundBlock", s.surroundBlock);
    v("memory", s.memory);
    v("inputNoiseTenths", s.inputNoiseTenths);
    v("inputDistortion", s.inputDistortion);
    v("outputDistortion", s.outputDistortion);
    v("karaoke", s.karaoke);
    v("scenes", s.scenes);
    v("sceneNames", s.sceneNames);
    v("validMask", s.validMask);
    v("currentScene", s.currentScene);
    v("sceneProfiles", s.sceneProfiles);
}

// Longest byte blocks the device keeps (the password and remark as the device takes them;
// the data block must fit one reply frame with its length byte).
constexpr std::size_t kMaxPassword = 12;
constexpr std::size_t kMaxRemark = 20;
constexpr std::size_t kMaxDataBlock = 57;
constexpr std::size_t kMaxSurroundBlock = 255;

// --- Writing -------------------------------------------------------------------------------

std::string Hex(const ByteBlock& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t b : bytes) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 15]);
    }
    return text;
}

template <class T>
cJSON* ToJson(const T& value);

struct ArrayWriter {
    cJSON* array;
    template <class T>
    void operator()(const T& value) {
        cJSON_AddItemToArray(array, ToJson(value));
    }
};

struct ObjectWriter {
    cJSON* object;
    template <class T>
    void operator()(const char* key, const T& value) {
        cJSON_AddItemToObject(object, key, ToJson(value));
    }
};

template <class T>
cJSON* ToJson(const T& value) {
    if constexpr (std::is_same_v<T, bool>) {
        return cJSON_CreateBool(value);
    } else if constexpr (std::is_integral_v<T>) {
        return cJSON_CreateNumber(static_cast<double>(value));
    } else if constexpr (IsStdArray<T>::value) {
        cJSON* array = cJSON_CreateArray();
        ArrayWriter writer{array};
        for (const auto& element : value) {
            writer(element);
        }
        return array;
    } else if constexpr (std::is_same_v<T, ByteBlock>) {
        return cJSON_CreateString(Hex(value).c_str());
    } else if constexpr (std::is_same_v<T, Memory>) {
        cJSON* array = cJSON_CreateArray();
        for (const auto& [address, word] : value) {
            cJSON* pair = cJSON_CreateArray();
            cJSON_AddItemToArray(pair, ToJson(address));
            cJSON_AddItemToArray(pair, ToJson(word));
            cJSON_AddItemToArray(array, pair);
        }
        return array;
    } else if constexpr (std::is_same_v<T, SceneParams>) {
        cJSON* object = cJSON_CreateObject();
        ObjectWriter writer{object};
        Named(writer, value);
        return object;
    } else {
        cJSON* array = cJSON_CreateArray();
        ArrayWriter writer{array};
        Fields(writer, value);
        return array;
    }
}

// --- Reading -------------------------------------------------------------------------------

// Where reading stopped, and why.
struct ReadError {
    std::string text;
    bool Fail(const std::string& path, const std::string& what) {
        if (text.empty()) {
            text = path + ": " + what;
        }
        return false;
    }
};

template <class T>
bool FromJson(const cJSON* item, T& value, const std::string& path, ReadError& error);

int ArraySize(const cJSON* item) {
    return cJSON_IsArray(item) ? cJSON_GetArraySize(item) : -1;
}

struct FieldCounter {
    int count = 0;
    template <class T>
    void operator()(const T&) {
        ++count;
    }
};

struct ArrayReader {
    const cJSON* next;  // the element the next field reads
    const std::string& path;
    ReadError& error;
    int index = 0;
    bool ok = true;
    template <class T>
    void operator()(T& value) {
        if (ok) {
            ok = FromJson(next, value, path + "[" + std::to_string(index) + "]", error);
        }
        next = next != nullptr ? next->next : nullptr;
        ++index;
    }
};

struct ObjectReader {
    const cJSON* object;
    const std::string& path;  // "" at the top level
    ReadError& error;
    bool ok = true;
    template <class T>
    void operator()(const char* key, T& value) {
        if (!ok) {
            return;
        }
        const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, key);
        if (item == nullptr) {
            return;  // not written: the factory value stays
        }
        ok = FromJson(item, value, path.empty() ? std::string(key) : path + "." + key, error);
    }
};

bool FromHex(const cJSON* item, ByteBlock& bytes, std::size_t maxSize, const std::string& path,
             ReadError& error) {
    if (!cJSON_IsString(item) || item->valuestring == nullptr) {
        return error.Fail(path, "expected a string of hex digits");
    }
    const std::string_view text = item->valuestring;
    if (text.size() % 2 != 0) {
        return error.Fail(path, "expected an even number of hex digits");
    }
    if (text.size() / 2 > maxSize) {
        return error.Fail(path, "longer than " + std::to_string(maxSize) + " bytes");
    }
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if (c >= 'a' && c <= 'f') {
            return c - 'a' + 10;
        }
        if (c >= 'A' && c <= 'F') {
            return c - 'A' + 10;
        }
        return -1;
    };
    ByteBlock result;
    result.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = digit(text[i]);
        const int low = digit(text[i + 1]);
        if (high < 0 || low < 0) {
            return error.Fail(path, "expected a string of hex digits");
        }
        result.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    bytes = std::move(result);
    return true;
}

std::size_t ByteBlockLimit(const std::string& path) {
    if (path == "password") {
        return kMaxPassword;
    }
    if (path == "remark") {
        return kMaxRemark;
    }
    if (path == "dataBlock") {
        return kMaxDataBlock;
    }
    if (path.starts_with("sceneProfiles")) {
        return kSceneProfileSize;
    }
    return kMaxSurroundBlock;
}

template <class T>
bool FromJson(const cJSON* item, T& value, const std::string& path, ReadError& error) {
    if (item == nullptr) {
        return error.Fail(path, "missing");
    }
    if constexpr (std::is_same_v<T, bool>) {
        if (!cJSON_IsBool(item)) {
            return error.Fail(path, "expected true or false");
        }
        value = cJSON_IsTrue(item);
        return true;
    } else if constexpr (std::is_integral_v<T>) {
        constexpr auto lo = static_cast<double>(std::numeric_limits<T>::min());
        constexpr auto hi = static_cast<double>(std::numeric_limits<T>::max());
        const double number = cJSON_IsNumber(item) ? item->valuedouble : std::nan("");
        if (!(number >= lo && number <= hi) || std::floor(number) != number) {
            return error.Fail(path, "expected an integer from " +
                                        std::to_string(std::numeric_limits<T>::min()) + " to " +
                                        std::to_string(std::numeric_limits<T>::max()));
        }
        value = static_cast<T>(number);
        return true;
    } else if constexpr (IsStdArray<T>::value) {
        const int size = static_cast<int>(std::tuple_size_v<T>);
        if (ArraySize(item) != size) {
            return error.Fail(path, "expected an array of " + std::to_string(size) + " entries");
        }
        ArrayReader reader{item->child, path, error};
        for (auto& element : value) {
            reader(element);
        }
        return reader.ok;
    } else if constexpr (std::is_same_v<T, ByteBlock>) {
        return FromHex(item, value, ByteBlockLimit(path), path, error);
    } else if constexpr (std::is_same_v<T, Memory>) {
        if (!cJSON_IsArray(item)) {
            return error.Fail(path, "expected an array of [address, word] pairs");
        }
        Memory memory;
        int index = 0;
        for (const cJSON* pair = item->child; pair != nullptr; pair = pair->next, ++index) {
            std::array<std::uint32_t, 2> entry{};
            if (!FromJson(pair, entry, path + "[" + std::to_string(index) + "]", error)) {
                return false;
            }
            memory[entry[0]] = entry[1];
        }
        value = std::move(memory);
        return true;
    } else if constexpr (std::is_same_v<T, SceneParams>) {
        if (!cJSON_IsObject(item)) {
            return error.Fail(path, "expected an object");
        }
        ObjectReader reader{item, path, error};
        Named(reader, value);
        return reader.ok;
    } else {
        FieldCounter counter;
        Fields(counter, value);
        if (ArraySize(item) != counter.count) {
            return error.Fail(path,
                              "expected an array of " + std::to_string(counter.count) + " entries");
        }
        ArrayReader reader{item->child, path, error};
        Fields(reader, value);
        return reader.ok;
    }
}

// Values that are well-formed one by one but that the device could never hold together.
bool CheckConsistency(const DeviceState& s, ReadError& error) {
    for (std::size_t slot = 0; slot < s.sceneProfiles.size(); ++slot) {
        const std::size_t size = s.sceneProfiles[slot].size();
        if (size != 0 && size != static_cast<std::size_t>(kSceneProfileSize)) {
            return error.Fail("sceneProfiles[" + std::to_string(slot) + "]",
                              "expected no bytes or " + std::to_string(kSceneProfileSize));
        }
    }
    for (std::size_t slot = 0; slot < s.scenes.size(); ++slot) {
        if (s.scenes[slot].bridgeCount > kBridgeBytes) {
            return error.Fail("scenes[" + std::to_string(slot) + "].bridgeCount",
                              "more than " + std::to_string(kBridgeBytes));
        }
    }
    if (s.currentScene >= kSceneSlots) {
        return error.Fail("currentScene",
                          "expected a scene from 0 to " + std::to_string(kSceneSlots - 1));
    }
    if (s.validMask >> kStoredScenes != 0) {
        return error.Fail("validMask", "marks scenes beyond " + std::to_string(kStoredScenes));
    }
    return true;
}

}  // namespace

std::string DeviceStateToJson(const DeviceState& state) {
    JsonPtr root(cJSON_CreateObject());
    cJSON_AddStringToObject(root.get(), "format", kStateFormat);
    cJSON_AddNumberToObject(root.get(), "version", kStateVersion);
    ObjectWriter writer{root.get()};
    Named(writer, state);
    std::unique_ptr<char, decltype(&cJSON_free)> text(cJSON_Print(root.get()), &cJSON_free);
    if (!text) {
        return {};
    }
    return std::string(text.get()) + "\n";
}

std::optional<DeviceState> DeviceStateFromJson(std::string_view text, std::string* error) {
    auto fail = [&](const std::string& why) -> std::optional<DeviceState> {
        if (error != nullptr) {
            *error = why;
        }
        return std::nullopt;
    };
    const char* end = nullptr;
    JsonPtr root(cJSON_ParseWithLengthOpts(text.data(), text.size(), &end, false));
    if (!root) {
        const std::size_t offset =
            end != nullptr && end >= text.data() ? static_cast<std::size_t>(end - text.data()) : 0;
        return fail("not valid JSON (near byte " + std::to_string(offset) + ")");
    }
    for (const char* rest = end; rest != nullptr && rest < text.data() + text.size(); ++rest) {
        if (*rest != ' ' && *rest != '\n' && *rest != '\r' && *rest != '\t') {
            return fail("text after the JSON object (byte " + std::to_string(rest - text.data()) +
                        ")");
        }
    }
    if (!cJSON_IsObject(root.get())) {
        return fail("expected a JSON object");
    }
    const cJSON* format = cJSON_GetObjectItemCaseSensitive(root.get(), "format");
    if (!cJSON_IsString(format) || std::string_view(format->valuestring) != kStateFormat) {
        return fail(std::string("format: expected \"") + kStateFormat + "\"");
    }
    const cJSON* version = cJSON_GetObjectItemCaseSensitive(root.get(), "version");
    if (!cJSON_IsNumber(version) || version->valuedouble != kStateVersion) {
        return fail("version: expected " + std::to_string(kStateVersion));
    }

    DeviceState state = FactoryState();
    ReadError readError;
    const std::string topLevel;
    ObjectReader reader{root.get(), topLevel, readError};
    Named(reader, state);
    if (!reader.ok || !CheckConsistency(state, readError)) {
        return fail(readError.text);
    }
    return state;
}

}  // namespace tonvia::sim

#pragma once
// Everything the virtual amplifier remembers, kept in the units and codes of the wire so
// that a value read back is exactly the value written.

#include <array>
#include <cstdint>
#include <map>
#include <vector>

namespace tonvia::sim {

inline constexpr int kOutputs = 6;
inline constexpr int kInputs = 4;      // inputs of the DSP input stage
inline constexpr int kInputSlots = 6;  // input indices a request may carry
inline constexpr int kSources = 9;
inline constexpr int kBands = 31;
inline constexpr int kStoredScenes = 10;
inline constexpr int kSceneSlots = kStoredScenes + 1;  // 0 is the working set
inline constexpr int kBridgeBytes = 20;
inline constexpr int kCalibrationEqBands = 11;
inline constexpr int kSpectrumPoints = 121;
inline constexpr int kSceneNameSize = 16;
inline constexpr int kSceneProfileSize = 4096;
inline constexpr int kKaraokeCodes = 10;

// Input count of each source (0 = not offered by this model).
inline constexpr std::array<int, kSources> kSourceInputs{2, 0, 2, 2, 0, 4, 0, 2, 2};
inline constexpr std::uint8_t kFirstSourceCode = 0x51;

struct EqBand {
    std::uint16_t freq = 1000;        // Hz
    std::uint16_t qHundredths = 580;  // Q × 100
    std::uint16_t gainTenths = 180;   // (gain + 18 dB) × 10
};

struct Filter {
    std::uint8_t type = 3;
    std::uint16_t freq = 20;
    std::uint8_t slope = 0;
};

// Compressor of code 0x3E, in wire units.
struct Compressor {
    std::uint8_t bypass = 1;
    std::uint16_t thresholdTenths = 1640;  // (threshold + 100 dB) × 10
    std::uint16_t ratioTenths = 1000;
    std::uint16_t kneeTenths = 240;
    std::uint16_t attackMs = 1000;
    std::uint16_t releaseMs = 30000;
};

// Compressor of code 0x4A, as its six wire bytes.
struct Compressor2 {
    std::int8_t thresholdInt = 0;
    std::int8_t thresholdTenths = 0;
    std::uint16_t attackMs = 1000;
    std::uint8_t releaseSeconds = 30;
    std::uint8_t releaseTenths = 0;
};

struct CrossMix {
    std::uint8_t viceSource = 0;
    std::uint8_t viceChannel = 0;
    std::uint8_t viceGain = 32;  // the model shows gain − 32
};

struct Link {
    std::uint8_t on = 0;
    std::array<std::uint8_t, 8> pairFlags{};  // per output pair: 1 while a linked pair uses it
};

template <typename T>
using PerOutput = std::array<T, kOutputs>;
template <typename T>
using PerInput = std::array<T, kInputSlots>;
template <typename T>
using PerSource = std::array<T, kSources>;

// One complete parameter set: the working set or a stored scene.
struct SceneParams {
    PerOutput<Filter> highPass{};
    PerOutput<Filter> lowPass{};
    PerOutput<std::array<EqBand, kBands>> eq{};
    PerOutput<std::uint32_t> delayThousandths{};  // ms × 1000
    PerOutput<std::uint16_t> trimHundredths{};    // attenuation in dB × 100
    PerOutput<std::uint8_t> mute{};
    PerOutput<std::uint8_t> phase{};
    PerOutput<std::uint8_t> solo{};
    PerOutput<std::uint8_t> channelType{};  // speaker position code
    PerOutput<std::uint8_t> peqBypass{};
    PerOutput<std::uint8_t> hpQMode{};
    PerOutput<std::uint8_t> lpQMode{};
    PerOutput<std::uint8_t> compressorOn{};
    PerOutput<std::uint16_t> speakerDistance{};  // hundredths
    PerOutput<Compressor> compressor{};
    PerOutput<Compressor2> compressor2{};
    Link link;
    Link trimLink;
    Link delayLink;
    std::uint8_t lock = 0;
    std::uint8_t dspBypass = 0;
    std::uint8_t autoEffect = 0;
    std::uint8_t ircActiveBypass = 0;
    std::uint8_t bridgeCount = 3;
    std::array<std::uint8_t, kBridgeBytes> bridge{};
    PerSource<PerOutput<std::uint8_t>> mix{};  // input mask per output
    PerSource<std::uint8_t> mixType{};
    PerSource<std::uint8_t> mixType2{};
    PerSource<PerInput<std::int8_t>> inputTrim{};
    PerSource<PerInput<std::int8_t>> inputMute{};
    PerSource<PerInput<std::int8_t>> inputPhase{};
    PerSource<PerInput<std::array<EqBand, kBands>>> inputEq{};
    PerSource<PerInput<PerOutput<std::uint8_t>>> inputMixTrim{};  // 0 … 100
    PerSource<PerInput<CrossMix>> crossMix{};
    PerSource<PerInput<CrossMix>> crossMixCs{};  // code 0x4D (no gain)
    PerSource<PerOutput<std::uint8_t>> remap{};
};

struct CalibrationState {
    bool running = false;
    std::uint16_t channelMask = 0;
    std::uint8_t module = 7;
    std::uint8_t eqMode = 0;
    std::uint8_t testMic = 0;
    std::uint8_t status = 0;
    std::uint8_t dataChannel = 0;
    std::uint8_t progress = 0;
    std::uint8_t failReason = 0;
    int step = 0;         // position in the status sequence
    int failAtStep = -1;  // fault: report status 11 with `failWith` at this step
    std::uint8_t failWith = 1;
    std::uint8_t lastDecision = 0;  // 2 kept, 3 discarded, 0 none yet
};

enum class FirmwareTarget { Mcu, BootLoader, DspFlash };

// One firmware image as the device received it.
struct FirmwareImage {
    FirmwareTarget target = FirmwareTarget::Mcu;
    std::array<std::uint8_t, 4> head{};
    std::vector<std::uint8_t> bytes;  // placed at the offsets the blocks carried
    int blocks = 0;
    bool erased = false;  // DSP flash: an erase came before
    bool finished = false;
};

struct DeviceState {
    // Identity and system values of the control microcontroller.
    std::uint8_t model = 77;
    std::uint8_t mainVersion = 2;
    std::uint8_t slaveVersion = 28;
    bool bootLoaderMode = false;
    std::uint8_t bootLoaderVersion = 3;
    std::array<std::uint8_t, 4> flashVersion{1, 0, 2, 8};
    std::uint16_t powerOffDelayMs = 0;
    std::int8_t acc = 0;
    bool pcConnected = false;
    std::vector<std::uint8_t> password;
    std::vector<std::uint8_t> remark;
    std::vector<std::uint8_t> dataBlock;

    // DSP values outside the scenes.
    std::uint8_t source = kFirstSourceCode;
    std::int8_t mainVolume = -5;
    std::int8_t subVolume = 0;
    std::uint8_t mute = 0;
    std::uint8_t ampMute = 0;
    std::uint8_t remOut1 = 1;
    std::uint8_t remOut2 = 1;
    std::uint8_t speakerOhm = 1;
    std::uint8_t noiseGate = 0;
    std::uint8_t speakerConfig = 0;
    std::uint8_t factoryPreset = 0;
    std::uint8_t setupMode = 0;
    std::uint8_t autoOn = 0;
    std::uint8_t mixSource = kFirstSourceCode;
    std::uint8_t dspStatus = 1;
    std::uint16_t remoteChannel = 0;
    std::uint8_t remoteVolume = 0;
    std::int8_t inputThreshold = -60;
    std::vector<std::uint8_t> surroundBlock;                   // 52 bytes once set
    std::map<std::uint32_t, std::uint32_t> memory;             // DSP memory words
    std::array<std::int16_t, kInputSlots> inputNoiseTenths{};  // dB × 10
    PerSource<PerInput<std::int8_t>> inputDistortion{};
    PerSource<PerOutput<std::int8_t>> outputDistortion{};
    std::array<std::int16_t, kKaraokeCodes> karaoke{};  // by karaoke code − 1

    // The working set (0) and the stored scenes (1 … 10).
    std::array<SceneParams, kSceneSlots> scenes{};
    std::array<std::array<std::uint8_t, kSceneNameSize>, kSceneSlots> sceneNames{};
    std::uint16_t validMask = 0;  // bit k − 1: scene k holds data
    std::uint8_t currentScene = 0;
    std::array<std::vector<std::uint8_t>, kSceneSlots> sceneProfiles{};

    CalibrationState calibration;
    std::vector<FirmwareImage> images;  // every transfer begun, the newest last
};

// The default 31-band frequency of band `band`.
std::uint16_t DefaultBandFrequency(int band);
// A parameter set with every default of the device.
SceneParams DefaultScene();
// Factory state: defaults, empty (erased) stored scenes, model 77 firmware 2.28.
DeviceState FactoryState();

}  // namespace tonvia::sim

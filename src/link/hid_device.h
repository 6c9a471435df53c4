#pragma once
// CHidDevice: the program's one link to the amplifier. It opens the HID device, frames and
// writes commands, reads and parses the replies, dispatches frames to the decoders of their
// family, and runs the command queue whose thread sends interactive edits one at a time.
// The command encoders of every family are members; the system (MCU) family lives here,
// the DSP, karaoke and flash families in the commands library.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <latch>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include <readerwriterqueue/readerwriterqueue.h>

#include "link/frame.h"
#include "link/mcu_records.h"
#include "link/receive_parser.h"
#include "link/window_messages.h"
#include "platform/hid_backend.h"

// One queued command. The data block belongs to the entry.
struct CtrlCmd {
    std::uint8_t cmd = 0;
    std::uint8_t subcmd = 0;
    std::uint8_t optype = 0;
    std::vector<std::uint8_t> cmd_data;
    std::uint8_t len = 0;
};

// Firmware transfer states shared by the MCU and flash acknowledgements.
inline constexpr std::uint32_t UPG_IDLE = 0;
inline constexpr std::uint32_t UPG_ENTER = 16;
inline constexpr std::uint32_t UPG_START = 32;
inline constexpr std::uint32_t UPG_SEND_DATA = 48;
inline constexpr std::uint32_t UPG_WAITING_BIN_DATA_ACK = 49;
inline constexpr std::uint32_t UPG_FINISH = 64;
inline constexpr std::uint32_t UPG_FAIL = 80;
inline constexpr std::uint32_t UPG_ERASED = 96;

// The amplifier's USB identity: enumeration, the device watch and the udev rule use these.
inline constexpr std::uint16_t DEVICE_VENDOR_ID = 0x0483;
inline constexpr std::uint16_t DEVICE_PRODUCT_ID = 0x5750;

// Reply waits of the commands, in ms.
inline constexpr int REPLY_WAIT_MS = 10000;

// What became of one command handed to SendOrQueue.
enum class SendStatus {
    Answered,     // written at once, and a reply arrived within the wait
    NoReply,      // written at once, but nothing came back within the wait
    Queued,       // taken by the command queue; McuCmdThread writes it
    QueueOff,     // dropped: the queue takes no commands now (not connected, or busy)
    QueueFull,    // dropped: the queue could not take the entry
    TooLong,      // refused: more data bytes than a report carries
    WriteFailed,  // not written: no device, the write lock timed out, or the write failed
};

struct SendResult {
    SendStatus status = SendStatus::WriteFailed;

    // The encoders' yes/no: queued, or written and answered.
    bool Ok() const { return status == SendStatus::Answered || status == SendStatus::Queued; }
    // Encoders return bool; they hand the result on as its Ok().
    operator bool() const { return Ok(); }  // NOLINT(google-explicit-constructor)
    bool operator==(const SendResult&) const = default;
};

const char* SendStatusName(SendStatus status);

class CHidDevice;

// Decodes the packet bytes (subcmd, optype, data) of one checked frame of a family.
using FrameDecoder = void (*)(CHidDevice& device, std::span<const std::uint8_t> packet);

class CHidDevice {
  public:
    // The backend and sink must outlive the link. The command thread starts here.
    CHidDevice(tonvia::platform::HidBackend& backend, WindowMessageSink& sink);
    ~CHidDevice();
    CHidDevice(const CHidDevice&) = delete;
    CHidDevice& operator=(const CHidDevice&) = delete;

    // --- Transport -------------------------------------------------------------------
    // Opens the first amplifier found; judge success with IsConnected(). Returns the
    // library's error (negative) when it cannot be initialised, else 0.
    int OpenHIDDevice();
    bool IsConnected() const;
    // The backend's path of the open device; empty while none is open.
    tonvia::platform::HidBackend& Backend() { return mBackend; }
    std::string OpenPath() const;
    // Closes the open device; with `tellDevice` the PC-connect message 0 goes first.
    // Safe while other threads are inside a write or a read: they finish with the handle
    // they hold and return false soon after.
    void CloseHIDDevice(bool tellDevice);

    // Frames and writes one command. `data` may be empty; at most 57 bytes.
    bool SendCtrlCommand(std::uint8_t cmd, std::uint8_t subcmd, std::uint8_t optype,
                         std::span<const std::uint8_t> data);
    // Reads one input report (waiting up to `timeoutMs`), parses it and dispatches the
    // frames it completes. True when at least one byte arrived.
    bool ReadHIDData(std::span<std::uint8_t> buffer, int timeoutMs);
    bool ReadHIDData(int timeoutMs);

    // Sends at once and reads the reply, or queues the command for McuCmdThread when
    // `sendNow` is false. The result says which, and why nothing went out; a command the
    // queue drops because it is off is not a success.
    SendResult SendOrQueue(std::uint8_t cmd, std::uint8_t subcmd, std::uint8_t optype,
                           std::vector<std::uint8_t> data, int waitMs, bool sendNow);
    // Sends at once and reads the reply; the result is the read's.
    bool SendAndWait(std::uint8_t cmd, std::uint8_t subcmd, std::uint8_t optype,
                     std::span<const std::uint8_t> data, int waitMs);

    // --- Command queue ---------------------------------------------------------------
    void EnableQueue();
    void DisableQueue();
    bool IsQueueEnabled() const { return mQueueEnabled.load(); }
    bool IsQueueIdle() const;

    // --- Dispatch --------------------------------------------------------------------
    // Installs the decoder of a packet family (the MCU decoder is built in).
    void SetFrameDecoder(std::uint8_t packetType, FrameDecoder decoder);
    void packet_process(std::uint8_t packetLength, std::uint8_t packetType,
                        std::span<const std::uint8_t> packet);
    // Posts a message to a window; dropped when the window is gone or the handle is 0.
    bool Post(WindowHandle target, unsigned message, std::uintptr_t wParam, std::intptr_t lParam,
              std::unique_ptr<MessageRecord> record = nullptr);

    // --- System (MCU) commands --------------------------------------------------------
    bool Hand_Connect();
    bool PC_Connect(int value);
    bool Get_Acc();
    bool Set_Acc(int delay, bool sendNow);
    bool Set_Power_Off_Time(int ms, bool sendNow);
    bool Get_Delay_Power_Off_Time();
    bool Factory_Default_Ctrl();
    bool MCU_Reboot_Ctrl();
    bool PingMsg();
    bool Get_Flash_Version();
    bool Get_Bootloader_Version();
    bool Get_PWD();
    bool SetPWD(std::span<const std::uint8_t> password, std::span<const std::uint8_t> remark);
    bool Get_Data_Block(bool sendNow);

    // The MCU decoder (packet family 3).
    static void mcu_ack_process(CHidDevice& device, std::span<const std::uint8_t> packet);

    // --- DSP, karaoke and flash commands: defined in the commands library ---------------
    // (begin commands section)
    // Value types of the commands, defined in commands/payloads.h.
    struct BandSetting;         // one EQ band: frequency, Q, gain
    struct ChannelPair;         // a channel link pair
    struct Compressor2Setting;  // one channel's compressor of code 0x4A

    // DSP value changes (packet type 1, OP_SET). Each follows the sendNow rules unless
    // noted; range commands take one value per channel from first to last.
    bool Source_Switch_Ctrl(int source, bool sendNow);
    bool Main_Volume_Ctrl(float volume, bool sendNow);
    bool Subwoofer_Volume_Ctrl(int volume, bool sendNow);
    bool Mute_Ctrl(int mute, bool sendNow);
    bool Filter_Ctrl(int scene, int source, int channel, int filter, int freq, int slope, int type,
                     bool sendNow);
    bool EQ_Ctrl(int scene, int source, int channel, int band, int freq, float q, float gain,
                 bool sendNow);
    bool Delay_Ctrl(int scene, int source, int first, int last, std::span<const float> delaysMs,
                    bool sendNow);
    bool Trim_Ctrl(int scene, int source, int first, int last,
                   std::span<const float> attenuationsDb, bool sendNow);
    bool Mute_Ch_Ctrl(int scene, int source, int first, int last, std::span<const int> values,
                      bool sendNow);
    bool Phase_Ctrl(int scene, int source, int first, int last, std::span<const int> values,
                    bool sendNow);
    bool Mix_Ch_Ctrl(int scene, int source, int first, int last,
                     std::span<const std::uint32_t> masks, bool sendNow);
    bool Remap_Ch_Ctrl(int scene, int source, int output, std::span<const int> inputs,
                       bool sendNow);
    bool CH_Type_Ctrl(int scene, int source, int first, int last, std::span<const int> values,
                      bool sendNow);
    bool CH_Link_Ctrl(int scene, int link, std::span<const ChannelPair> pairs, bool sendNow);
    bool CH_Lock_Ctrl(int scene, int lock, bool sendNow);
    bool DSP_Bypass_Ctrl(int scene, int source, int bypass, bool sendNow);
    bool PEQ_Reset_Ctrl(int scene, int source, std::span<const int> channels, bool sendNow);
    bool PEQ_Bypass_Ctrl(int scene, int source, int first, int last, std::span<const int> values,
                         bool sendNow);
    bool IRC_Ctrl(int on, int channelMask, int eqMode, bool sendNow);
    bool IRC_Set_Test_Mic(int on, bool sendNow);
    bool IRC_Sel_Test_Module(int module, bool sendNow);
    bool Input_Trim_Ctrl(int scene, int source, int first, int last, std::span<const int> gains,
                         bool sendNow);
    bool Mute_Input_Ch_Ctrl(int scene, int source, int first, int last, std::span<const int> values,
                            bool sendNow);
    bool Input_Phase_Ctrl(int scene, int source, int first, int last, std::span<const int> values,
                          bool sendNow);
    bool Input_EQ_Ctrl(int scene, int source, int channel, int firstBand, int lastBand,
                       std::span<const BandSetting> bands, bool sendNow);
    bool Input_Mix_Trim_Ctrl(int scene, int source, int input, int firstOutput, int lastOutput,
                             std::span<const int> trims, bool sendNow);
    bool Input_Ch_Threshold_Ctrl(int threshold, bool sendNow);
    bool Input_Mix_Trim_Ctrl2(int scene, int source, int firstInput, int lastInput, int output,
                              std::span<const int> trims, bool sendNow);
    bool Sel_Remote_CH_Ctrl(int selection, bool sendNow);
    bool Remote_Ch_Volume_Ctrl(int value, bool sendNow);
    bool Solo_Ctrl(int scene, int source, int first, int last, std::span<const int> values,
                   bool sendNow);
    bool Spk_Ch_Config_Ctrl(int configuration, bool sendNow);
    bool Mix_Type_Ctrl(int scene, int source, int type, bool sendNow);
    bool Mix_Type_Ctrl2(int scene, int source, int type, bool sendNow);
    bool HPF_Q_Fact_Ctrl(int scene, int source, int first, int last, std::span<const int> modes,
                         bool sendNow);
    bool LPF_Q_Fact_Ctrl(int scene, int source, int first, int last, std::span<const int> modes,
                         bool sendNow);
    bool Factory_Preset_Ctrl(int mode);  // at once
    bool Setup_Mode_Ctrl(int mode);      // at once
    bool Auto_Effect_Ctrl(int scene, int on, bool sendNow);
    bool IRC_Active_Bypass_Ctrl(int scene, int value, bool sendNow);
    bool CS_Auto_Setting_Ctrl(std::span<const std::uint8_t> block, bool sendNow);
    bool Compressor_Ctrl(int scene, int source, int channel, int bypass, float threshold,
                         float ratio, float knee, int attack, int release, bool sendNow);
    bool Amp_Mute_Ctrl(int mute, bool sendNow);
    bool Set_MemData(std::uint32_t address, std::uint32_t data, bool sendNow);
    bool Spk_Dist_Ctrl(int scene, int source, int first, int last, std::span<const int> hundredths,
                       bool sendNow);
    bool Mix_Source_Switch_Ctrl(int source, bool sendNow);
    bool Rem_Out_Ctrl(int remOut1, int remOut2, bool sendNow);
    bool Cross_Source_Mix_Ctrl(int scene, int source, int channel, int viceSource, int viceChannel,
                               int viceGain, bool sendNow);
    bool Compressor_Ch_Ctrl(int scene, int source, int first, int last, std::span<const int> on,
                            bool sendNow);
    bool Compressor_Ctrl2(int scene, int source, int first, int last,
                          std::span<const Compressor2Setting> settings, bool sendNow);
    bool Spk_Ohm_Ctrl(int ohm, bool sendNow);
    bool Output_Bridge_Ctrl(int scene, int source, std::span<const int> bridge, bool sendNow);
    bool Cross_Source_Mix_Ctrl_CS47048(int scene, int source, int channel, int viceSource,
                                       int viceChannel, bool sendNow);
    bool Noise_Gate_Ctrl(int on, bool sendNow);

    // DSP requests (OP_GET), sent at once; the replies are decoded by dsp_ack_process.
    bool Get_Source_Config();
    bool Get_Source();
    bool Get_Main_Volume();
    bool Get_Subwoofer_Volume();
    bool Get_Mute();
    bool Get_Filter(int scene, int source, int first, int last);
    bool Get_EQ(int scene, int source, int channel, int firstBand, int lastBand);
    bool Get_Delay(int scene, int source, int first, int last);
    bool Get_Trim(int scene, int source, int first, int last);
    bool Get_Mute_Ch(int scene, int source, int first, int last);
    bool Get_Phase(int scene, int source, int first, int last);
    bool Get_Mix_Ch(int scene, int source, int first, int last);
    bool Get_Remap_Ch(int scene, int source, int first, int last);
    bool Get_CH_Type(int scene, int source, int first, int last);
    bool Get_CH_Link(int scene);
    bool Get_CH_Lock(int scene);
    bool Get_CH_Trim_Link(int scene);
    bool Get_CH_Delay_Link(int scene);
    bool Get_All_Bypass(int scene, int source, int first, int last);
    bool Get_PEQ_Reset(int scene, int source, int first, int last);
    bool Get_PEQ_Bypass(int scene, int source, int first, int last);
    bool IRC_Get();
    bool IRC_Get_Distance(int first, int last);
    bool IRC_Get_Trim(int first, int last);
    bool IRC_Get_Spk_Size(int first, int last);
    bool IRC_Get_Spk_Phase(int first, int last);
    bool IRC_Get_Spk_Level(int first, int last);
    bool IRC_Get_Noise_Level(int first, int last);
    bool IRC_Get_EQ(int channel, int firstBand, int lastBand);
    bool IRC_Get_Spectrum(int channel, int firstBand, int lastBand);
    bool IRC_Get_RTA();
    bool Get_Input_Trim(int scene, int source, int first, int last);
    bool Get_Mute_Input_Ch(int scene, int source, int first, int last);
    bool Get_Phase_Input_Ch(int scene, int source, int first, int last);
    bool Get_Input_EQ(int scene, int source, int channel, int firstBand, int lastBand);
    bool Get_Input_Mix_CH_Trim(int scene, int source, int input, int firstOutput, int lastOutput);
    bool Get_Input_Threshold(int scene, int source, bool sendNow);
    bool Get_Input_Noise(int first, int last, bool sendNow);
    bool Get_Sel_Remote_CH();
    bool Get_Ch_Solo(int scene, int source, int first, int last);
    bool Get_Speaker_Config();  // 0x35
    bool Get_Factory_Preset();  // 0x39, logged as Get_Speaker_Config
    bool Get_Setup_Mode();      // 0x3A, logged as Get_Speaker_Config
    bool Get_Mix_Type(int scene, int source);
    bool Get_Mix_Type2(int scene, int source);
    bool Get_HPF_Q_Fact_Mode(int scene, int source, int first, int last);
    bool Get_LPF_Q_Fact_Mode(int scene, int source, int first, int last);
    bool Get_AUTO_ON();
    bool Get_Compressor(int scene, int source, int first, int last);
    bool Get_Compressor2(int scene, int source, int first, int last);
    bool Get_Compressor_Ch_On(int scene, int source, int first, int last);
    bool Get_Amp_Mute();
    bool Get_Rem_Out();
    bool Get_Spk_Ohm();
    bool Get_Noise_Gate();
    bool Get_Mix_Source();
    bool Get_InDistort(int scene, int source, int first, int last);
    bool Get_OutDistort(int scene, int source, int first, int last);
    // The same requests through the command queue; false, sending nothing, while the queue
    // is off (a poll on the UI thread must never wait for a reply).
    bool Get_InDistortQueued(int scene, int source, int first, int last);
    bool Get_OutDistortQueued(int scene, int source, int first, int last);
    bool Get_MemData(std::uint32_t address);
    // The same request through the command queue: the caller never waits for the reply,
    // and the read comes after the writes queued before it. Sent at once (and waited for)
    // only while the queue takes no commands.
    bool Get_MemDataQueued(std::uint32_t address);
    bool Get_Spk_Dist(int scene, int source, int first, int last);
    bool Get_Mix_Source2(int scene, int source, int channel);          // 0x47
    bool Get_Mix_Source2_CS47048(int scene, int source, int channel);  // 0x4D
    bool Get_Ouput_Bridge(int scene, int source, int pairs);

    // Karaoke (packet type 7): one value each, sendNow rules; Get_KTV asks for one code.
    bool KTV_Mic_Vol_Ctrl(int value, bool sendNow);
    bool KTV_Music_Vol_Ctrl(int value, bool sendNow);
    bool KTV_Howling_Ctrl(int value, bool sendNow);
    bool KTV_Echo_Level_Ctrl(int value, bool sendNow);
    bool KTV_Echo_Delay_Ctrl(int ms, bool sendNow);
    bool KTV_Reverb_Level_Ctrl(int value, bool sendNow);
    bool KTV_Reverb_Time_Ctrl(int value, bool sendNow);
    bool KTV_Voice_Changer_Ctrl(int value, bool sendNow);
    bool KTV_Bass_Gain_Ctrl(int db, bool sendNow);
    bool KTV_Treble_Gain_Ctrl(int db, bool sendNow);
    bool Get_KTV(std::uint8_t code);

    // Stored scenes (packet type 2), sent at once. Slots count from 1; 0 is the working set.
    bool SaveScene(int slot, int immediately);
    bool ReadScene(int fromSlot, int toSlot);
    bool DeleteScene(int slot);
    bool SetSceneName(int slot, std::span<const std::uint8_t> name);
    bool GetSceneName(int slot);
    bool GetSceneProfile(int slot, int start, int length);
    bool SetSceneProfile(int slot, int start, std::span<const std::uint8_t> bytes);
    bool GetSceneId();
    bool GetSceneValid();
    // (end commands section)

    // --- Windows that receive the decoders' messages ----------------------------------
    std::atomic<WindowHandle> mMainWnd{kNoWindow};
    std::atomic<WindowHandle> mSceneWnd{kNoWindow};
    std::atomic<WindowHandle> mCalWnd{kNoWindow};
    std::atomic<WindowHandle> mDialogWnd{kNoWindow};
    std::atomic<WindowHandle> mMemWnd{kNoWindow};

    // --- Configuration, set by the owner right after construction ----------------------
    std::uint8_t pc_model_id = 0;
    int mOutChannels = 0;
    int mInChannels = 0;
    int mTrimTwoBytes = 0;
    int mNoiseToMain = 0;

    // --- State kept by the decoders ----------------------------------------------------
    std::atomic<int> model{-1};
    std::atomic<std::uint8_t> mcu_is_normal_mode{0};
    std::atomic<std::uint8_t> mBootloaderVersion{0};
    std::atomic<std::uint32_t> sys_upg_status{UPG_IDLE};
    std::atomic<std::int16_t> mUpgPhase{0};

    std::atomic<std::uint8_t> mQueueIdle{1};
    std::atomic<std::uint8_t> mThreadRun{1};
    std::atomic<std::uint8_t> mQueueEnabled{0};
    std::atomic<std::uint32_t> mLastWriteTick{0};

    // Millisecond tick source for mLastWriteTick and the ping rule; tests replace it.
    using TickSource = std::uint32_t (*)();
    void SetTickSource(TickSource source) { mTickSource.store(source); }
    std::uint32_t Tick() const { return mTickSource.load()(); }

    // How long a second writer waits for the first; fixed by the protocol, shortened only
    // by tests.
    std::chrono::milliseconds mWriteWaitLimit{2000};

    // Queued commands that could not be written or got no reply within the wait; the
    // command line reads it once the queue is idle.
    std::atomic<int> mQueueFailures{0};

    // Sees every report written (`written` true) and every report read, as the bytes on the
    // wire, on the thread doing the I/O. For tracing; empty by default.
    using FrameTrace = std::function<void(bool written, std::span<const std::uint8_t> report)>;
    void SetFrameTrace(FrameTrace trace);

  private:
    using DevicePtr = std::shared_ptr<tonvia::platform::HidDevice>;

    DevicePtr Handle() const;
    void McuCmdThread(std::latch& started);
    void LogQueuedCommand(const CtrlCmd& entry);
    // True while `device` is still the open handle and the link is not being destroyed.
    bool StillOpen(const DevicePtr& device) const;
    bool Enqueue(CtrlCmd entry);
    void TraceFrame(bool written, std::span<const std::uint8_t> report);

    tonvia::platform::HidBackend& mBackend;
    WindowMessageSink& mSink;

    // The open device. Readers and writers take their own reference for the duration of
    // a call, so closing never frees the device under another thread.
    mutable std::mutex mHandleMutex;
    DevicePtr mHidHandle;
    std::string mOpenPath;
    // The same device as a bare address, only compared, so the parse loop can tell that
    // the device is still open without taking the handle lock for every byte.
    std::atomic<const tonvia::platform::HidDevice*> mOpenDevice{nullptr};

    // WRITE_ROPRT: held while one thread is inside the HID write.
    std::timed_mutex mWriteLock;

    // One receive lock covers a whole ReadHIDData, so two readers never interleave.
    std::mutex mReceiveMutex;
    ReceiveRing mRing;
    FrameParser mParser;
    std::array<std::uint8_t, OUTPUT_REPORT_SIZE> mReadBuffer{};

    std::array<FrameDecoder, 256> mDecoders{};

    std::mutex mProducerMutex;  // the queue takes one producer at a time
    moodycamel::BlockingReaderWriterQueue<CtrlCmd> mCmdQueue{256};
    std::atomic<int> mPending{0};  // queued or in flight
    std::thread mCmdThread;

    std::atomic<TickSource> mTickSource;
    std::mutex mTraceMutex;
    FrameTrace mTrace;
    std::atomic<bool> mStopping{false};
    std::atomic<int> mHandleSerial{0};  // the number the write log prints for the handle
};

#include "link/hid_device.h"

#include <algorithm>
#include <cstdio>
#include <latch>
#include <string>

#include "link/dsp_names.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "platform/text.h"

namespace {

using Clock = std::chrono::steady_clock;

// Reads wait in slices no longer than this, so a close or shutdown is noticed at once.
constexpr int kReadSliceMs = 50;
// Pause after a failed read before trying again, so a vanished device does not spin a core.
constexpr int kReadErrorPauseMs = 20;
// Slice of the wait for another writer, between checks of the handle.
constexpr auto kWriteWaitSlice = std::chrono::milliseconds(10);

std::atomic<int> gRequestCounter{0};

long ElapsedMs(Clock::time_point since) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// Logs `bytes` as "%02x " each, then a line end, as one fragment without the time prefix.
void LogHexFragment(std::span<const std::uint8_t> bytes, const char* each) {
    if (!IsLogOpen()) {
        return;
    }
    std::string line;
    line.reserve(bytes.size() * 5 + 2);
    char item[8];
    for (const std::uint8_t b : bytes) {
        std::snprintf(item, sizeof item, each, b);
        line += item;
    }
    LogFragmentA("%s\n", line.c_str());
}

}  // namespace

CHidDevice::CHidDevice(tonvia::platform::HidBackend& backend, WindowMessageSink& sink)
    : mBackend(backend), mSink(sink), mTickSource(&tonvia::platform::TickCountMs) {
    mDecoders[CMD_MCU] = &CHidDevice::mcu_ack_process;
    // Returns only once the thread runs, so its start line precedes anything the owner logs.
    std::latch started(1);
    mCmdThread = std::thread([this, &started] { McuCmdThread(started); });
    started.wait();
}

CHidDevice::~CHidDevice() {
    mStopping.store(true);
    mThreadRun.store(0);
    if (mCmdThread.joinable()) {
        mCmdThread.join();
    }
    std::lock_guard lock(mHandleMutex);
    mOpenDevice.store(nullptr);
    mHidHandle.reset();
}

CHidDevice::DevicePtr CHidDevice::Handle() const {
    std::lock_guard lock(mHandleMutex);
    return mHidHandle;
}

bool CHidDevice::IsConnected() const {
    return Handle() != nullptr;
}

bool CHidDevice::StillOpen(const DevicePtr& device) const {
    return !mStopping.load(std::memory_order_relaxed) && device != nullptr &&
           mOpenDevice.load(std::memory_order_acquire) == device.get();
}

int CHidDevice::OpenHIDDevice() {
    const int init = mBackend.Init();
    if (init < 0) {
        LogPrintA("hid_init failed: %s\n", mBackend.ErrorText().c_str());
        return init;
    }
    if (IsConnected()) {
        return 0;
    }

    std::unique_ptr<tonvia::platform::HidDevice> opened;
    const auto devices = mBackend.Enumerate(DEVICE_VENDOR_ID, DEVICE_PRODUCT_ID);
    if (!devices.empty()) {
        opened = mBackend.Open(devices.front());
    }
    if (!opened) {
        LogPrintA("unable to open device\n");
        return 0;
    }

    using tonvia::platform::WideToUtf8;
    int failures = 0;
    std::wstring text;
    text.clear();
    if (opened->GetManufacturerString(text)) {
        LogPrintA("Manufacturer String: %s\n", WideToUtf8(text).c_str());
    } else {
        LogPrintA("Unable to read manufacturer string\n");
        ++failures;
    }
    text.clear();
    if (opened->GetProductString(text)) {
        LogPrintA("Product String: %s\n", WideToUtf8(text).c_str());
    } else {
        LogPrintA("Unable to read product string\n");
        ++failures;
    }
    text.clear();
    if (opened->GetSerialNumberString(text)) {
        LogPrintA("Serial Number String: (%d) %s\n", text.empty() ? 0 : static_cast<int>(text[0]),
                  WideToUtf8(text).c_str());
    } else {
        LogPrintA("Unable to read serial number string\n");
        ++failures;
    }
    text.clear();
    if (opened->GetIndexedString(1, text)) {
        LogPrintA("Indexed String 1: %s\n", WideToUtf8(text).c_str());
    } else {
        LogPrintA("Unable to read indexed string 1\n");
        ++failures;
    }

    if (failures >= 3) {
        LogPrintA("read HID info error, unable open device correctly\n");
        return 0;  // `opened` closes the device
    }
    opened->SetNonBlocking(true);
    mHandleSerial.fetch_add(1);
    std::lock_guard lock(mHandleMutex);
    mHidHandle = std::move(opened);
    mOpenPath = devices.front().path;
    mOpenDevice.store(mHidHandle.get(), std::memory_order_release);
    return 0;
}

std::string CHidDevice::OpenPath() const {
    std::lock_guard lock(mHandleMutex);
    return mHidHandle ? mOpenPath : std::string();
}

void CHidDevice::CloseHIDDevice(bool tellDevice) {
    if (!IsConnected()) {
        return;
    }
    if (tellDevice) {
        PC_Connect(0);
    }
    DevicePtr closing;
    {
        std::lock_guard lock(mHandleMutex);
        closing = std::move(mHidHandle);
        mHidHandle.reset();
        mOpenDevice.store(nullptr, std::memory_order_release);
    }
    if (closing) {
        LogPrintA("CloseHIDDevice!\n");
    }
    // A thread still inside a write or read holds its own reference; the device is
    // closed when the last one lets go.
}

bool CHidDevice::SendCtrlCommand(std::uint8_t cmd, std::uint8_t subcmd, std::uint8_t optype,
                                 std::span<const std::uint8_t> data) {
    const auto t0 = Clock::now();
    if (cmd == CMD_DSP && optype == OP_GET) {
        const int count = gRequestCounter.fetch_add(1) + 1;
        if (subcmd <= 0x4D || subcmd == DSP_MIX_TYPE2) {
            LogPrintA("SendCtrlCommand %d, %s\n", count, DspCommandName(subcmd));
        } else {
            LogPrintA("SendCtrlCommand %d, %d\n", count, subcmd);
        }
    }
    LogPrintA("SendCtrlCommand timestart = %ld\n", static_cast<long>(Tick()));

    if (data.size() > MAX_FRAME_DATA) {
        LogPrintA("SendCtrlCommand: %zu data bytes do not fit a report\n", data.size());
        return false;
    }
    if (!IsConnected()) {
        return false;
    }

    std::unique_lock writeLock(mWriteLock, std::defer_lock);
    // Slices end on the system clock: that wait maps to pthread_mutex_timedlock, which the
    // thread sanitizer understands (the steady-clock variant it does not). The limit itself
    // is measured on the steady clock.
    while (!writeLock.try_lock_until(std::chrono::system_clock::now() + kWriteWaitSlice)) {
        if (Clock::now() - t0 > mWriteWaitLimit) {
            LogPrintA("time out, break out send cmd!\n");
            return false;
        }
        if (!IsConnected()) {
            LogPrintA("mHidHandle is NULL, break out send cmd!\n");
            return false;
        }
    }

    LogPrintA("SendCtrlCommand Cmd:0x%02x, subcmd:0x%02x, optype:0x%02x, len:0x%02x\n", cmd, subcmd,
              optype, static_cast<unsigned>(data.size()));
    const OutputReport report = *BuildFrame(cmd, subcmd, optype, data);
    LogPrintA("begain to write data to devices:\n");
    LogHexFragment(report, "%02x ");

    LogPrintA("set WRITE_ROPRT = TRUE\n");
    const DevicePtr device = Handle();
    if (!device) {
        LogPrintA("mHidHandle is NULL, can't send cmd\n");
        return false;
    }
    const int written = device->Write(report);
    mLastWriteTick.store(Tick());
    if (written >= 0) {
        TraceFrame(true, report);
    }
    const int handleNumber = mHandleSerial.load();
    if (written < 0) {
        LogPrintA("Write HidDeviceObject = %d errot = %s\n", handleNumber,
                  device->ErrorText().c_str());
        return false;
    }
    LogPrintA("write data ok! HidDeviceObject = %d\n", handleNumber);
    return true;
}

bool CHidDevice::ReadHIDData(int timeoutMs) {
    return ReadHIDData(mReadBuffer, timeoutMs);
}

bool CHidDevice::ReadHIDData(std::span<std::uint8_t> buffer, int timeoutMs) {
    std::lock_guard receiveLock(mReceiveMutex);
    const auto t0 = Clock::now();
    LogPrintA("ReadHIDData timestart = %ld\n", static_cast<long>(Tick()));

    const DevicePtr device = Handle();
    if (!device || mStopping.load()) {
        LogPrintA("mHidHandle is NULL\n");
        return false;
    }

    const std::span<std::uint8_t> target = buffer.first(std::min(buffer.size(), INPUT_REPORT_SIZE));
    int bytesRead = 0;
    while (true) {
        const long left = timeoutMs - ElapsedMs(t0);
        if (left <= 0) {
            break;
        }
        const int slice = static_cast<int>(std::min<long>(left, kReadSliceMs));
        const int n = device->ReadTimeout(target, slice);
        if (n > 0) {
            bytesRead = n;
            break;
        }
        if (!StillOpen(device)) {
            break;
        }
        if (n < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(
                std::min<long>(kReadErrorPauseMs, std::max(0L, timeoutMs - ElapsedMs(t0)))));
        }
    }
    LogPrintA("ReadHIDData done timeend-timestart = %ld\n", ElapsedMs(t0));
    LogPrintA("ReadHIDData NumberOfBytesRead = %d\n", bytesRead);
    if (bytesRead <= 0) {
        return false;
    }

    LogPrintA("read data: ");
    const auto received = target.first(static_cast<std::size_t>(bytesRead));
    TraceFrame(false, received);
    if (!StillOpen(device)) {
        LogPrintA("mHidHandle is NULL\n");
        return false;
    }
    for (const std::uint8_t b : received) {
        mRing.Put(b);
    }
    LogHexFragment(received, "%02x ");

    std::uint8_t byte = 0;
    while (!mRing.Empty() && StillOpen(device)) {
        mRing.Take(byte);
        if (mParser.Feed(byte)) {
            packet_process(mParser.PacketLength(), mParser.PacketType(), mParser.Packet());
        }
    }
    return true;
}

void CHidDevice::SetFrameTrace(FrameTrace trace) {
    std::lock_guard lock(mTraceMutex);
    mTrace = std::move(trace);
}

void CHidDevice::TraceFrame(bool written, std::span<const std::uint8_t> report) {
    std::lock_guard lock(mTraceMutex);
    if (mTrace) {
        mTrace(written, report);
    }
}

void CHidDevice::SetFrameDecoder(std::uint8_t packetType, FrameDecoder decoder) {
    mDecoders[packetType] = decoder;
}

void CHidDevice::packet_process(std::uint8_t packetLength, std::uint8_t packetType,
                                std::span<const std::uint8_t> packet) {
    (void)packetLength;
    switch (packetType) {
        case CMD_DSP:
            LogPrintA("packet_process: packet_type(CMD_DSP)\n");
            break;
        case CMD_FLASH:
            LogPrintA("packet_process: packet_type(CMD_FLASH)\n");
            break;
        case CMD_MCU:
            LogPrintA("packet_process: packet_type(CMD_MCU)\n");
            break;
        case CMD_DSP_DWRITE:
            LogPrintA("packet_process: packet_type(CMD_DSP_DWRITE)\n");
            return;
        case CMD_KTV:
            LogPrintA("packet_process: packet_type(CMD_KTV)\n");
            break;
        default:
            return;
    }
    if (const FrameDecoder decoder = mDecoders[packetType]) {
        decoder(*this, packet);
    }
}

bool CHidDevice::Post(WindowHandle target, unsigned message, std::uintptr_t wParam,
                      std::intptr_t lParam, std::unique_ptr<MessageRecord> record) {
    if (target == kNoWindow) {
        return false;
    }
    return mSink.PostWindowMessage(target,
                                   WindowMessage{message, wParam, lParam, std::move(record)});
}

bool CHidDevice::SendAndWait(std::uint8_t cmd, std::uint8_t subcmd, std::uint8_t optype,
                             std::span<const std::uint8_t> data, int waitMs) {
    // Nothing can answer a command that was not written; do not wait for it.
    if (!SendCtrlCommand(cmd, subcmd, optype, data)) {
        return false;
    }
    return ReadHIDData(waitMs);
}

const char* SendStatusName(SendStatus status) {
    switch (status) {
        case SendStatus::Answered:
            return "answered";
        case SendStatus::NoReply:
            return "no reply";
        case SendStatus::Queued:
            return "queued";
        case SendStatus::QueueOff:
            return "dropped, the queue is off";
        case SendStatus::QueueFull:
            return "dropped, the queue is full";
        case SendStatus::TooLong:
            return "refused, too long";
        case SendStatus::WriteFailed:
            return "write failed";
    }
    return "?";
}

SendResult CHidDevice::SendOrQueue(std::uint8_t cmd, std::uint8_t subcmd, std::uint8_t optype,
                                   std::vector<std::uint8_t> data, int waitMs, bool sendNow) {
    if (data.size() > MAX_FRAME_DATA) {
        LogPrintA("SendCtrlCommand: %zu data bytes do not fit a report\n", data.size());
        return {SendStatus::TooLong};
    }
    if (sendNow) {
        // Nothing can answer a command that was not written; do not wait for it.
        if (!SendCtrlCommand(cmd, subcmd, optype, data)) {
            return {SendStatus::WriteFailed};
        }
        return {ReadHIDData(waitMs) ? SendStatus::Answered : SendStatus::NoReply};
    }
    if (!mQueueEnabled.load()) {
        return {SendStatus::QueueOff};  // the queue takes no edits now
    }
    CtrlCmd entry;
    entry.cmd = cmd;
    entry.subcmd = subcmd;
    entry.optype = optype;
    entry.len = static_cast<std::uint8_t>(data.size());
    entry.cmd_data = std::move(data);
    return {Enqueue(std::move(entry)) ? SendStatus::Queued : SendStatus::QueueFull};
}

bool CHidDevice::Enqueue(CtrlCmd entry) {
    std::lock_guard lock(mProducerMutex);
    mPending.fetch_add(1);
    if (!mCmdQueue.enqueue(std::move(entry))) {
        mPending.fetch_sub(1);
        LogPrintA("command queue out of memory, command dropped\n");
        return false;
    }
    mQueueIdle.store(0);
    return true;
}

void CHidDevice::EnableQueue() {
    mQueueEnabled.store(1);
}

void CHidDevice::DisableQueue() {
    mQueueEnabled.store(0);
}

bool CHidDevice::IsQueueIdle() const {
    return mQueueIdle.load() != 0 && mPending.load() == 0;
}

void CHidDevice::LogQueuedCommand(const CtrlCmd& entry) {
    if (!IsLogOpen()) {
        return;
    }
    LogPrintA("get mcmd 0x%02x subcmd 0x%02x optype 0x%02x len 0x%02x cmd_data:", entry.cmd,
              entry.subcmd, entry.optype, entry.len);
    LogHexFragment(entry.cmd_data, " 0x%02x");
}

void CHidDevice::McuCmdThread(std::latch& started) {
    LogPrintA("McuCmdThread start\n");
    started.count_down();
    CtrlCmd entry;
    while (mThreadRun.load() != 0) {
        if (!mCmdQueue.try_dequeue(entry)) {
            if (mPending.load() == 0) {
                mQueueIdle.store(1);
            }
            // Wakes at once on an enqueue; otherwise keeps the 5 ms idle cadence.
            if (!mCmdQueue.wait_dequeue_timed(entry, std::chrono::milliseconds(5))) {
                continue;
            }
        }
        LogQueuedCommand(entry);
        if (SendCtrlCommand(entry.cmd, entry.subcmd, entry.optype, entry.cmd_data)) {
            entry.cmd_data.clear();
            if (!ReadHIDData(REPLY_WAIT_MS)) {
                mQueueFailures.fetch_add(1);
            }
        } else {
            mQueueFailures.fetch_add(1);
        }
        entry.cmd_data.clear();
        mPending.fetch_sub(1);
    }
    while (mCmdQueue.try_dequeue(entry)) {
        LogQueuedCommand(entry);
        mPending.fetch_sub(1);
    }
    LogPrintA("McuCmdThread end\n");
}

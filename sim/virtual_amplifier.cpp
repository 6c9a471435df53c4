#include "sim/virtual_amplifier.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

#include "sim/amplifier.h"

namespace tonvia::sim {

namespace detail {

using Clock = std::chrono::steady_clock;
constexpr std::size_t kRequestHistory = 4096;

struct PendingReport {
    Bytes bytes;
    Clock::time_point readyAt;
};

// Everything shared by the backend, its open devices and the event thread. Devices keep
// the core alive, so a handle that outlives the backend only fails its calls.
struct Core {
    explicit Core(Options options) : options(std::move(options)), amplifier(this->options.state) {
        amplifier.SetNotReadyEvery(this->options.notReadyEvery);
        amplifier.SetRefuseUpgradeStart(this->options.refuseUpgradeStart);
        plugged = this->options.plugged;
    }

    Options options;
    mutable std::mutex mutex;
    mutable std::condition_variable changed;

    Amplifier amplifier;
    bool plugged = true;
    std::uint64_t generation = 1;  // a plug-in makes the earlier handles stale
    bool shuttingDown = false;

    std::deque<PendingReport> input;
    Clock::time_point lastReadyAt{};
    bool rebootAfterReplies = false;
    std::optional<Clock::time_point> plugAt;

    std::chrono::microseconds latency{0};
    int dropReplies = 0;
    bool corruptNext = false;
    bool silent = false;

    Counters counters;
    std::deque<Request> requests;
    std::string lastError;

    // Device monitor: events wait here for the event thread.
    std::deque<platform::DeviceEvent> events;
    std::mutex listenerMutex;  // held while the listener runs
    platform::DeviceMonitor::Listener listener;
    std::uint16_t watchVendor = 0;
    std::uint16_t watchProduct = 0;

    std::thread eventThread;

    bool HandleValid(std::uint64_t handleGeneration) const {
        return plugged && !shuttingDown && handleGeneration == generation;
    }

    void QueueEvent(platform::DeviceEventKind kind) {
        events.push_back({kind, options.path, kVendorId, kProductId});
    }

    void UnplugLocked() {
        if (!plugged) {
            return;
        }
        plugged = false;
        input.clear();
        rebootAfterReplies = false;
        amplifier.State().pcConnected = false;
        ++counters.unplugs;
        QueueEvent(platform::DeviceEventKind::Removed);
        changed.notify_all();
    }

    void PlugLocked() {
        plugAt.reset();
        if (plugged) {
            return;
        }
        plugged = true;
        ++generation;
        ++counters.plugs;
        QueueEvent(platform::DeviceEventKind::Arrived);
        changed.notify_all();
    }

    void RestartLocked(std::chrono::milliseconds after) {
        UnplugLocked();
        plugAt = Clock::now() + after;
        changed.notify_all();
    }

    // Queues the reply frames of one request, applying the reply faults.
    void QueueReplies(std::vector<Bytes> frames) {
        for (Bytes& frame : frames) {
            if (silent || dropReplies > 0) {
                dropReplies = std::max(0, dropReplies - 1);
                ++counters.droppedReplies;
                continue;
            }
            if (corruptNext) {
                corruptNext = false;
                frame.back() = static_cast<std::uint8_t>(frame.back() ^ 0x5A);
                ++counters.corruptedReplies;
            }
            ++counters.replies;
            for (Bytes& report : SplitIntoReports(frame)) {
                const auto readyAt = std::max(Clock::now(), lastReadyAt) + latency;
                lastReadyAt = readyAt;
                input.push_back({std::move(report), readyAt});
            }
        }
    }

    void EventLoop() {
        std::unique_lock lock(mutex);
        while (true) {
            if (!events.empty()) {
                const platform::DeviceEvent event = events.front();
                events.pop_front();
                lock.unlock();
                {
                    std::lock_guard listening(listenerMutex);
                    if (listener && event.vendorId == watchVendor &&
                        event.productId == watchProduct) {
                        listener(event);
                    }
                }
                lock.lock();
                continue;
            }
            if (shuttingDown) {
                return;
            }
            if (plugAt && Clock::now() >= *plugAt) {
                PlugLocked();
                continue;
            }
            if (plugAt) {
                changed.wait_until(lock, *plugAt);
            } else {
                changed.wait(lock);
            }
        }
    }
};

class SimDevice final : public platform::HidDevice {
  public:
    SimDevice(std::shared_ptr<Core> core, std::uint64_t generation)
        : mCore(std::move(core)), mGeneration(generation) {}

    int Write(std::span<const std::uint8_t> report) override {
        std::chrono::microseconds latency{0};
        {
            std::lock_guard lock(mCore->mutex);
            if (!mCore->HandleValid(mGeneration)) {
                mError = "device removed";
                return -1;
            }
            latency = mCore->latency;
        }
        if (latency.count() > 0) {
            std::this_thread::sleep_for(latency);  // the output report on the wire
        }
        std::lock_guard lock(mCore->mutex);
        Core& core = *mCore;
        if (!core.HandleValid(mGeneration)) {
            mError = "device removed";
            return -1;
        }
        ++core.counters.writes;
        const std::optional<Request> request = ParseOutputReport(report);
        if (!request) {
            ++core.counters.rejected;
            return static_cast<int>(report.size());
        }
        ++core.counters.requests;
        core.requests.push_back(*request);
        if (core.requests.size() > kRequestHistory) {
            core.requests.pop_front();
        }
        Outcome outcome = core.amplifier.Handle(*request);
        if (outcome.rejected) {
            ++core.counters.rejected;
        }
        core.QueueReplies(std::move(outcome.frames));
        if (outcome.reboot) {
            if (core.input.empty()) {
                core.RestartLocked(core.options.rebootDelay);
            } else {
                core.rebootAfterReplies = true;  // once the host has read them
            }
        }
        core.changed.notify_all();
        return static_cast<int>(report.size());
    }

    int ReadTimeout(std::span<std::uint8_t> buffer, int timeoutMs) override {
        std::unique_lock lock(mCore->mutex);
        Core& core = *mCore;
        const auto deadline = timeoutMs < 0 ? Clock::time_point::max()
                                            : Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (true) {
            if (!core.HandleValid(mGeneration)) {
                mError = "device removed";
                return -1;
            }
            const auto now = Clock::now();
            if (!core.input.empty() && core.input.front().readyAt <= now) {
                const Bytes report = std::move(core.input.front().bytes);
                core.input.pop_front();
                const std::size_t n = std::min(buffer.size(), report.size());
                std::copy_n(report.begin(), n, buffer.begin());
                if (core.input.empty() && core.rebootAfterReplies) {
                    core.rebootAfterReplies = false;
                    core.RestartLocked(core.options.rebootDelay);
                }
                return static_cast<int>(n);
            }
            if (now >= deadline) {
                return 0;
            }
            auto until = deadline;
            if (!core.input.empty()) {
                until = std::min(until, core.input.front().readyAt);
            }
            core.changed.wait_until(lock, until);
        }
    }

    bool SetNonBlocking(bool nonBlocking) override {
        mNonBlocking = nonBlocking;  // timed reads wait as asked either way, like hidapi
        return true;
    }

    bool GetManufacturerString(std::wstring& out) override { return Text(L"Tonvia Labs", out); }
    bool GetProductString(std::wstring& out) override {
        return Text(L"Virtual DSP Amplifier", out);
    }
    bool GetSerialNumberString(std::wstring& out) override { return Text(L"SIM0001", out); }
    bool GetIndexedString(int index, std::wstring& out) override {
        return index == 1 && Text(L"Tonvia Labs", out);
    }

    std::string ErrorText() override {
        std::lock_guard lock(mCore->mutex);
        return mError;
    }

  private:
    bool Text(const wchar_t* text, std::wstring& out) {
        std::lock_guard lock(mCore->mutex);
        if (!mCore->HandleValid(mGeneration)) {
            mError = "device removed";
            return false;
        }
        out = text;
        return true;
    }

    std::shared_ptr<Core> mCore;
    std::uint64_t mGeneration;
    bool mNonBlocking = false;
    std::string mError;  // guarded by the core's mutex
};

}  // namespace detail

using detail::Core;

VirtualAmplifier::VirtualAmplifier(Options options)
    : mCore(std::make_shared<Core>(std::move(options))) {
    mCore->eventThread = std::thread([core = mCore.get()] { core->EventLoop(); });
}

VirtualAmplifier::~VirtualAmplifier() {
    Stop();
    {
        std::lock_guard lock(mCore->mutex);
        mCore->shuttingDown = true;
        mCore->events.clear();
        mCore->changed.notify_all();
    }
    mCore->eventThread.join();
}

int VirtualAmplifier::Init() {
    return 0;
}

std::vector<platform::HidDeviceInfo> VirtualAmplifier::Enumerate(std::uint16_t vendorId,
                                                                 std::uint16_t productId) {
    std::lock_guard lock(mCore->mutex);
    if (!mCore->plugged || (vendorId != 0 && vendorId != kVendorId) ||
        (productId != 0 && productId != kProductId)) {
        return {};
    }
    platform::HidDeviceInfo info;
    info.path = mCore->options.path;
    info.vendorId = kVendorId;
    info.productId = kProductId;
    info.serialNumber = L"SIM0001";
    info.manufacturer = L"Tonvia Labs";
    info.product = L"Virtual DSP Amplifier";
    info.interfaceNumber = 0;
    return {info};
}

std::unique_ptr<platform::HidDevice> VirtualAmplifier::Open(const platform::HidDeviceInfo& info) {
    std::lock_guard lock(mCore->mutex);
    if (!mCore->plugged || info.path != mCore->options.path) {
        mCore->lastError = "no such device";
        return nullptr;
    }
    mCore->input.clear();  // a fresh handle sees no stale replies
    return std::make_unique<detail::SimDevice>(mCore, mCore->generation);
}

std::string VirtualAmplifier::ErrorText() {
    std::lock_guard lock(mCore->mutex);
    return mCore->lastError;
}

bool VirtualAmplifier::Start(std::uint16_t vendorId, std::uint16_t productId, Listener listener) {
    std::lock_guard listening(mCore->listenerMutex);
    std::lock_guard lock(mCore->mutex);
    mCore->listener = std::move(listener);
    mCore->watchVendor = vendorId;
    mCore->watchProduct = productId;
    return true;
}

void VirtualAmplifier::Stop() {
    std::lock_guard listening(mCore->listenerMutex);
    mCore->listener = nullptr;
}

void VirtualAmplifier::SetLatency(std::chrono::microseconds perReport) {
    std::lock_guard lock(mCore->mutex);
    mCore->latency = std::max(std::chrono::microseconds(0), perReport);
}

void VirtualAmplifier::DropReplies(int count) {
    std::lock_guard lock(mCore->mutex);
    mCore->dropReplies = std::max(0, count);
}

void VirtualAmplifier::CorruptNextReply() {
    std::lock_guard lock(mCore->mutex);
    mCore->corruptNext = true;
}

void VirtualAmplifier::SetSilent(bool silent) {
    std::lock_guard lock(mCore->mutex);
    mCore->silent = silent;
}

void VirtualAmplifier::Unplug() {
    std::lock_guard lock(mCore->mutex);
    mCore->plugAt.reset();
    mCore->UnplugLocked();
}

void VirtualAmplifier::Plug() {
    std::lock_guard lock(mCore->mutex);
    mCore->PlugLocked();
}

void VirtualAmplifier::Replug(std::chrono::milliseconds after) {
    std::lock_guard lock(mCore->mutex);
    mCore->RestartLocked(after);
}

void VirtualAmplifier::SetBootLoaderMode(bool bootLoader) {
    std::lock_guard lock(mCore->mutex);
    mCore->amplifier.State().bootLoaderMode = bootLoader;
}

void VirtualAmplifier::SetModel(std::uint8_t model) {
    std::lock_guard lock(mCore->mutex);
    mCore->amplifier.State().model = model;
}

void VirtualAmplifier::SetFirmwareVersion(std::uint8_t mainVersion, std::uint8_t slaveVersion) {
    std::lock_guard lock(mCore->mutex);
    mCore->amplifier.State().mainVersion = mainVersion;
    mCore->amplifier.State().slaveVersion = slaveVersion;
}

void VirtualAmplifier::TakeFirmware(std::uint8_t mainVersion, std::uint8_t slaveVersion) {
    std::lock_guard lock(mCore->mutex);
    DeviceState& state = mCore->amplifier.State();
    state.mainVersion = mainVersion;
    state.slaveVersion = slaveVersion;
    state.bootLoaderMode = false;
    mCore->RestartLocked(mCore->options.rebootDelay);
}

void VirtualAmplifier::FailCalibrationAt(int step, std::uint8_t reason) {
    std::lock_guard lock(mCore->mutex);
    mCore->amplifier.State().calibration.failAtStep = step;
    mCore->amplifier.State().calibration.failWith = reason;
}

bool VirtualAmplifier::IsPlugged() const {
    std::lock_guard lock(mCore->mutex);
    return mCore->plugged;
}

bool VirtualAmplifier::WaitForPlugged(bool plugged, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mCore->mutex);
    return mCore->changed.wait_for(lock, timeout, [&] { return mCore->plugged == plugged; });
}

DeviceState VirtualAmplifier::Snapshot() const {
    std::lock_guard lock(mCore->mutex);
    return mCore->amplifier.State();
}

void VirtualAmplifier::Edit(const std::function<void(DeviceState&)>& change) {
    std::lock_guard lock(mCore->mutex);
    change(mCore->amplifier.State());
}

Counters VirtualAmplifier::GetCounters() const {
    std::lock_guard lock(mCore->mutex);
    return mCore->counters;
}

std::vector<Request> VirtualAmplifier::Requests() const {
    std::lock_guard lock(mCore->mutex);
    return {mCore->requests.begin(), mCore->requests.end()};
}

void VirtualAmplifier::ClearRequests() {
    std::lock_guard lock(mCore->mutex);
    mCore->requests.clear();
}

std::string VirtualAmplifier::StatusText() const {
    std::lock_guard lock(mCore->mutex);
    const Core& core = *mCore;
    const DeviceState& state = core.amplifier.State();
    char text[320];
    std::snprintf(text, sizeof text,
                  "plugged=%d model=%d version=%d.%d mode=%s latency_us=%lld silent=%d "
                  "drop=%d requests=%d rejected=%d replies=%d images=%zu scene=%d valid=0x%04x",
                  core.plugged ? 1 : 0, state.model, state.mainVersion, state.slaveVersion,
                  state.bootLoaderMode ? "bootloader" : "normal",
                  static_cast<long long>(core.latency.count()), core.silent ? 1 : 0,
                  core.dropReplies, core.counters.requests, core.counters.rejected,
                  core.counters.replies, state.images.size(), state.currentScene, state.validMask);
    return text;
}

}  // namespace tonvia::sim

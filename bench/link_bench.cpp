// Receive parser throughput and frame-building rate. The reference in the same run is a
// plain copy of the same bytes through the ring without parsing, so the parser's cost
// reads as a ratio to moving the bytes at all.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <random>
#include <vector>

#include "link/frame.h"
#include "link/hid_device.h"
#include "link/receive_parser.h"
#include "support/in_memory_hid.h"

namespace {

// A stream of valid frames of mixed lengths (0 ... 58 data bytes) with some junk between.
struct Stream {
    std::vector<std::uint8_t> bytes;
    std::int64_t frames = 0;
};

const Stream& MixedFrames() {
    static const Stream stream = [] {
        Stream s;
        std::mt19937 random(7);
        while (s.bytes.size() < (1u << 20)) {
            const std::size_t n = random() % 59;
            std::vector<std::uint8_t> packet{static_cast<std::uint8_t>(random()), OP_UPDATE};
            for (std::size_t i = 0; i < n; ++i) {
                packet.push_back(static_cast<std::uint8_t>(random()));
            }
            const auto length = static_cast<std::uint8_t>(n + 3);
            s.bytes.insert(s.bytes.end(), {0xAA, 0x55, length, CMD_DSP});
            s.bytes.insert(s.bytes.end(), packet.begin(), packet.end());
            s.bytes.push_back(static_cast<std::uint8_t>(FrameChecksumSum(length, CMD_DSP, packet)));
            if (random() % 4 == 0) {
                s.bytes.push_back(0x00);  // padding between frames
            }
            ++s.frames;
        }
        return s;
    }();
    return stream;
}

void BM_RingCopyReference(benchmark::State& state) {
    const Stream& stream = MixedFrames();
    ReceiveRing ring;
    std::uint64_t sum = 0;
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.bytes.size(); at += 64) {
            const std::size_t end = std::min(at + 64, stream.bytes.size());
            for (std::size_t i = at; i < end; ++i) {
                ring.Put(stream.bytes[i]);
            }
            std::uint8_t b = 0;
            while (ring.Take(b)) {
                sum += b;
            }
        }
    }
    benchmark::DoNotOptimize(sum);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.bytes.size()));
}
BENCHMARK(BM_RingCopyReference);

void BM_RingAndParser(benchmark::State& state) {
    const Stream& stream = MixedFrames();
    ReceiveRing ring;
    FrameParser parser;
    std::int64_t frames = 0;
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.bytes.size(); at += 64) {
            const std::size_t end = std::min(at + 64, stream.bytes.size());
            for (std::size_t i = at; i < end; ++i) {
                ring.Put(stream.bytes[i]);
            }
            std::uint8_t b = 0;
            while (ring.Take(b)) {
                frames += parser.Feed(b) ? 1 : 0;
            }
        }
    }
    if (frames != stream.frames * state.iterations()) {
        state.SkipWithError("parser lost frames");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.bytes.size()));
    state.SetItemsProcessed(frames);
}
BENCHMARK(BM_RingAndParser);

// The whole receive path of the link: timed read, ring, parser, dispatch, decoder.
class MemoryDevice final : public testing_support::InMemoryHidDevice {
  public:
    const Stream* stream = nullptr;
    std::size_t at = 0;
    int ReadTimeout(std::span<std::uint8_t> buffer, int) override {
        const std::size_t n = std::min<std::size_t>(64, stream->bytes.size() - at);
        std::copy_n(stream->bytes.begin() + static_cast<std::ptrdiff_t>(at), n, buffer.begin());
        at += n;
        return static_cast<int>(n);
    }
};

using MemoryBackend = testing_support::InMemoryHidBackend<MemoryDevice>;

class CountingSink final : public WindowMessageSink {
  public:
    bool PostWindowMessage(WindowHandle, WindowMessage) override { return true; }
};

std::int64_t gDispatched = 0;
void CountFrame(CHidDevice&, std::span<const std::uint8_t>) {
    ++gDispatched;
}

void BM_ReadHIDDataPath(benchmark::State& state) {
    const Stream& stream = MixedFrames();
    MemoryBackend backend;
    CountingSink sink;
    CHidDevice link(backend, sink);
    link.SetFrameDecoder(CMD_DSP, &CountFrame);
    link.OpenHIDDevice();
    backend.device->stream = &stream;
    gDispatched = 0;
    for (auto _ : state) {
        backend.device->at = 0;
        while (backend.device->at < stream.bytes.size()) {
            link.ReadHIDData(10);
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.bytes.size()));
    state.SetItemsProcessed(gDispatched);
}
BENCHMARK(BM_ReadHIDDataPath);

void BM_BuildFrame(benchmark::State& state) {
    std::vector<std::uint8_t> data(static_cast<std::size_t>(state.range(0)), 0x5A);
    std::uint64_t sink = 0;
    for (auto _ : state) {
        const auto report = BuildFrame(CMD_DSP, 0x06, OP_SET, data);
        sink += (*report)[7 + data.size()];
        benchmark::ClobberMemory();
    }
    benchmark::DoNotOptimize(sink);
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(OUTPUT_REPORT_SIZE));
}
BENCHMARK(BM_BuildFrame)->Arg(0)->Arg(8)->Arg(57);

}  // namespace

BENCHMARK_MAIN();

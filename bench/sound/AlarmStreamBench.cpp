// A user's song as the alarm: a 20-minute WAV file loaded, downloaded and
// played through the performance, one second of mixing per iteration.
// Prints the memory the process gained for it next to what decoding it
// whole would take.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/dmusic/DMusic.h"

namespace {

constexpr int kRate = dmusic_hooks::kMixRate;
constexpr long long kSeconds = 20 * 60;

// Resident memory of this process in kB.
long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

void Put32(std::string& out, unsigned v) {
    for (int i = 0; i < 4; ++i) {
        out += static_cast<char>(v >> (8 * i));
    }
}

// 16-bit stereo at the mixer's rate, every sample written (no holes).
bool WriteSong(const std::string& path) {
    const unsigned dataBytes = static_cast<unsigned>(kSeconds * kRate * 4);
    std::string header = "RIFF";
    Put32(header, 36 + dataBytes);
    header += "WAVEfmt ";
    Put32(header, 16);
    header += std::string("\x01\x00\x02\x00", 4);
    Put32(header, kRate);
    Put32(header, kRate * 4);
    header += std::string("\x04\x00\x10\x00", 4);
    header += "data";
    Put32(header, dataBytes);
    std::ofstream out(path, std::ios::binary);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    std::vector<short> second(static_cast<std::size_t>(kRate) * 2);
    for (std::size_t i = 0; i < second.size(); ++i) {
        second[i] = static_cast<short>((i * 37) % 20000 - 10000);
    }
    for (long long s = 0; s < kSeconds; ++s) {
        out.write(reinterpret_cast<const char*>(second.data()), static_cast<std::streamsize>(second.size() * 2));
    }
    return static_cast<bool>(out);
}

void BM_TwentyMinuteWaveAlarm(benchmark::State& state) {
    const std::string folder = "/tmp/velmoran-sound-bench-" + std::to_string(getpid());
    const std::string path = folder + "/Song.wav";
    std::filesystem::create_directories(folder);
    if (!WriteSong(path)) {
        std::fprintf(stderr, "sound_bench: cannot write %s\n", path.c_str());
        std::exit(1);
    }
    dmusic_hooks::SetManualMixing(true);
    CoInitialize(nullptr);
    IDirectMusicLoader8* loader = nullptr;
    IDirectMusicPerformance8* performance = nullptr;
    CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC, IID_IDirectMusicLoader8,
                     reinterpret_cast<LPVOID*>(&loader));
    CoCreateInstance(CLSID_DirectMusicPerformance, nullptr, CLSCTX_INPROC, IID_IDirectMusicPerformance8,
                     reinterpret_cast<LPVOID*>(&performance));
    if (loader == nullptr || performance == nullptr ||
        FAILED(performance->InitAudio(nullptr, nullptr, nullptr, DMUS_APATH_SHARED_STEREOPLUSREVERB, 128,
                                      DMUS_AUDIOF_ALL, nullptr))) {
        std::fprintf(stderr, "sound_bench: no sound device (set SDL_AUDIODRIVER=dummy)\n");
        std::exit(1);
    }
    const long before = ResidentKb();
    std::wstring wide(path.begin(), path.end());
    IDirectMusicSegment8* segment = nullptr;
    if (FAILED(loader->LoadObjectFromFile(CLSID_DirectMusicSegment, IID_IDirectMusicSegment8, wide.data(),
                                          reinterpret_cast<void**>(&segment))) ||
        FAILED(segment->Download(performance)) || FAILED(segment->SetRepeats(3)) ||
        FAILED(performance->PlaySegmentEx(segment, nullptr, nullptr, 0, 0, nullptr, nullptr, nullptr))) {
        std::fprintf(stderr, "sound_bench: the 20-minute WAV was refused\n");
        std::exit(1);
    }
    std::vector<std::int16_t> out(static_cast<std::size_t>(kRate) * 2);
    for (auto _ : state) {
        dmusic_hooks::MixFrames(performance, out.data(), kRate);
        benchmark::DoNotOptimize(out.data());
    }
    const long after = ResidentKb();
    state.counters["rss_gain_kB"] = static_cast<double>(after - before);
    state.counters["decoded_whole_kB"] = static_cast<double>(kSeconds * kRate * 4 / 1024);
    state.SetItemsProcessed(state.iterations() * kRate);

    loader->ReleaseObjectByUnknown(segment);
    segment->Unload(performance);
    segment->Release();
    performance->CloseDown();
    performance->Release();
    loader->Release();
    CoUninitialize();
    dmusic_hooks::SetManualMixing(false);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_TwentyMinuteWaveAlarm)->Unit(benchmark::kMillisecond)->Iterations(60);

}  // namespace

BENCHMARK_MAIN();

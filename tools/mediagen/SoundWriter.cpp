#include "SoundWriter.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

void Put32(std::string& out, std::uint32_t d) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((d >> (8 * i)) & 0xFF));
    }
}

void Put16(std::string& out, std::uint16_t w) {
    out.push_back(static_cast<char>(w & 0xFF));
    out.push_back(static_cast<char>(w >> 8));
}

void PutBe32(std::string& out, std::uint32_t d) {
    for (int i = 3; i >= 0; --i) {
        out.push_back(static_cast<char>((d >> (8 * i)) & 0xFF));
    }
}

void PutVarLen(std::string& out, std::uint32_t d) {
    std::uint8_t bytes[5];
    int n = 0;
    bytes[n++] = static_cast<std::uint8_t>(d & 0x7F);
    while ((d >>= 7) != 0) {
        bytes[n++] = static_cast<std::uint8_t>((d & 0x7F) | 0x80);
    }
    while (n > 0) {
        out.push_back(static_cast<char>(bytes[--n]));
    }
}

}  // namespace

std::string SoundWriter::ChimeWav() {
    constexpr double kPi = std::numbers::pi;
    constexpr double kSeconds = 2.2;
    const auto nSamples = static_cast<size_t>(kSeconds * kSampleRate);
    std::vector<double> mix(nSamples, 0.0);
    // A rising major arpeggio struck on a small bell: each note is a few
    // inharmonic partials, the higher ones dying away faster.
    struct Note {
        double fStart, fFreq, fGain;
    };
    const Note notes[] = {{0.00, 659.26, 0.9}, {0.16, 830.61, 0.8}, {0.32, 987.77, 0.8}, {0.52, 1318.51, 0.7}};
    const double ratios[] = {1.0, 2.0, 2.76, 5.40};
    const double gains[] = {1.0, 0.35, 0.28, 0.10};
    const double decays[] = {2.0, 3.2, 4.5, 8.0};
    for (const Note& note : notes) {
        const auto nFirst = static_cast<size_t>(note.fStart * kSampleRate);
        for (size_t i = nFirst; i < nSamples; ++i) {
            const double t = static_cast<double>(i - nFirst) / kSampleRate;
            const double fAttack = std::min(1.0, t / 0.004);
            double s = 0.0;
            for (int p = 0; p < 4; ++p) {
                s += gains[p] * std::exp(-decays[p] * t) * std::sin(2.0 * kPi * note.fFreq * ratios[p] * t);
            }
            mix[i] += note.fGain * fAttack * s;
        }
    }
    double fPeak = 0.0;
    for (double s : mix) {
        fPeak = std::max(fPeak, std::fabs(s));
    }
    const double fScale = fPeak > 0.0 ? 0.8 / fPeak : 0.0;
    const size_t nFade = kSampleRate / 20;

    std::string out = "RIFF";
    const auto dwData = static_cast<std::uint32_t>(nSamples * 2);
    Put32(out, 36 + dwData);
    out += "WAVEfmt ";
    Put32(out, 16);
    Put16(out, 1);  // PCM
    Put16(out, 1);  // mono
    Put32(out, kSampleRate);
    Put32(out, kSampleRate * 2);
    Put16(out, 2);
    Put16(out, 16);
    out += "data";
    Put32(out, dwData);
    for (size_t i = 0; i < nSamples; ++i) {
        // The tail fades to silence so a repeat starts without a click.
        const double fTail = i + nFade > nSamples ? static_cast<double>(nSamples - i) / nFade : 1.0;
        const long nValue = std::lround(mix[i] * fScale * fTail * 32767.0);
        Put16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp(nValue, -32767L, 32767L))));
    }
    return out;
}

std::string SoundWriter::MelodyMidi() {
    constexpr std::uint32_t kTicks = 480;  // per quarter note
    std::string track;
    // Tempo 120 quarter notes a minute, then the glockenspiel on channel 0.
    PutVarLen(track, 0);
    track += std::string("\xFF\x51\x03\x07\xA1\x20", 6);
    PutVarLen(track, 0);
    track += std::string("\xC0\x09", 2);
    struct Step {
        std::uint8_t note;
        std::uint32_t length;
    };
    const Step melody[] = {{76, 240}, {80, 240}, {83, 240}, {88, 480}, {83, 240}, {88, 960}};
    for (const Step& step : melody) {
        PutVarLen(track, 0);
        track.push_back(static_cast<char>(0x90));
        track.push_back(static_cast<char>(step.note));
        track.push_back(static_cast<char>(100));
        PutVarLen(track, step.length);
        track.push_back(static_cast<char>(0x80));
        track.push_back(static_cast<char>(step.note));
        track.push_back(static_cast<char>(64));
    }
    PutVarLen(track, 0);
    track += std::string("\xFF\x2F\x00", 3);

    std::string out = "MThd";
    PutBe32(out, 6);
    out.push_back(0);
    out.push_back(0);  // format 0
    out.push_back(0);
    out.push_back(1);  // one track
    out.push_back(static_cast<char>(kTicks >> 8));
    out.push_back(static_cast<char>(kTicks & 0xFF));
    out += "MTrk";
    PutBe32(out, static_cast<std::uint32_t>(track.size()));
    out += track;
    return out;
}

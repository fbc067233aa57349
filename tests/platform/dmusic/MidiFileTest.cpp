#include <gtest/gtest.h>

#include <vector>

#include "platform/dmusic/MidiFile.h"
#include "support/TestSounds.h"

namespace {

void PutBig(std::vector<BYTE>* out, DWORD v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        out->push_back(static_cast<BYTE>(v >> (8 * i)));
    }
}

// A file of the given format and division with the given track bodies.
std::vector<BYTE> File(WORD format, WORD division, const std::vector<std::vector<BYTE>>& tracks) {
    std::vector<BYTE> file = {'M', 'T', 'h', 'd'};
    PutBig(&file, 6, 4);
    PutBig(&file, format, 2);
    PutBig(&file, static_cast<DWORD>(tracks.size()), 2);
    PutBig(&file, division, 2);
    for (const auto& track : tracks) {
        file.insert(file.end(), {'M', 'T', 'r', 'k'});
        PutBig(&file, static_cast<DWORD>(track.size()), 4);
        file.insert(file.end(), track.begin(), track.end());
    }
    return file;
}

const std::vector<BYTE> kEnd = {0x00, 0xFF, 0x2F, 0x00};

std::vector<BYTE> Tempo(BYTE delta, DWORD micros) {
    std::vector<BYTE> event = {delta, 0xFF, 0x51, 0x03};
    PutBig(&event, micros, 3);
    return event;
}

std::vector<BYTE> Join(std::initializer_list<std::vector<BYTE>> parts) {
    std::vector<BYTE> out;
    for (const auto& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

TEST(DMusicMidiFile, LengthAndFirstBeatFollowTheTempoMapDivisionAndLongestTrack) {
    // A chunk of an unknown kind between header and track is skipped.
    std::vector<BYTE> foreign = File(0, 480,
                                     // Note on, two more notes under running status, a system-exclusive message
                                     // and a program change (one data byte) before the end at 480 ticks.
                                     {{0x00, 0x90, 60,   100,  0x81, 0x70, 62,   100,  0x00, 64,   100,  0x00, 0xF0,
                                       0x03, 0x7E, 0x7F, 0xF7, 0x00, 0xC0, 0x05, 0x81, 0x70, 0xFF, 0x2F, 0x00}});
    const std::vector<BYTE> unknownChunk = {'X', 'Y', 'Z', 'W', 0, 0, 0, 2, 0xAA, 0xBB};
    foreign.insert(foreign.begin() + 14, unknownChunk.begin(), unknownChunk.end());
    struct Case {
        const char* m_szName;
        std::vector<BYTE> m_file;
        double m_dLength;
        double m_dFirstBeat;  // negative: not checked
    };
    const Case cases[] = {
        // Without a tempo: 120 per minute, so 960 ticks at 480 per quarter last one second.
        {"no tempo", TestSounds::Midi(960, 0), 1.0, 0.5},
        {"80 per minute", TestSounds::Midi(960, 750000), 1.5, 0.75},
        // A quarter at 120, then the tempo halves for two quarters: 0.5 + 2 s.
        {"tempo change",
         File(0, 480,
              {Join({{0x00, 0x90, 60, 100},
                     Tempo(0, 500000),
                     {0x83, 0x60, 0x80, 60, 0},  // 480 ticks later: note off
                     Tempo(0, 1000000),
                     {0x87, 0x40, 0x90, 62, 100},  // 960 ticks later
                     kEnd})}),
         2.5, 0.5},
        // The conductor's 240 per minute governs every track; the longest (1920 ticks) ends.
        {"tempo track",
         File(1, 480,
              {Join({Tempo(0, 250000), kEnd}),
               {0x00, 0x91, 64, 100, 0x60, 0x81, 64, 0, 0x00, 0xFF, 0x2F, 0x00},
               {0x00, 0x90, 60, 100, 0x8F, 0x00, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00}}),
         1.0, 0.25},
        {"running status, system exclusive and a foreign chunk", foreign, 0.5, -1.0},
        // 25 frames a second, 40 ticks a frame: 1000 ticks is one second, whatever the tempo says.
        {"time code",
         File(0, static_cast<WORD>((static_cast<BYTE>(-25) << 8) | 40),
              {Join({Tempo(0, 2000000), {0x87, 0x68, 0x90, 60, 100}, kEnd})}),
         1.0, 0.5},
        {"track without an end event", File(0, 480, {{0x00, 0x90, 60, 100, 0x83, 0x60, 0x80, 60, 0}}), 0.5, -1.0},
    };
    MidiFile midi;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_szName);
        ASSERT_TRUE(midi.Parse(c.m_file.data(), c.m_file.size()));
        EXPECT_DOUBLE_EQ(midi.LengthSeconds(), c.m_dLength);
        if (c.m_dFirstBeat >= 0.0) {
            EXPECT_DOUBLE_EQ(midi.FirstBeatSeconds(), c.m_dFirstBeat);
        }
    }
}

TEST(DMusicMidiFile, DamagedFilesAreRefused) {
    MidiFile midi;
    const std::vector<BYTE> good = TestSounds::Midi(480, 0);
    ASSERT_TRUE(midi.Parse(good.data(), good.size()));
    const std::vector<BYTE> cases[] = {
        std::vector<BYTE>(good.begin(), good.end() - 3),  // the track says it is longer
        std::vector<BYTE>(good.begin(), good.begin() + 13),
        File(0, 0, {kEnd}),                                             // division 0
        File(0, 480, {{0x00, 60, 100, 0x00, 0xFF, 0x2F, 0x00}}),        // no status
        File(0, 480, {{0x00, 0xFF, 0x01, 0x40, 'a'}}),                  // meta event overruns
        File(0, 480, {{0x80, 0x80, 0x80, 0x80, 0x00, 0x90, 60, 100}}),  // endless length
        File(0, 480, {{0x00, 0x90, 60}}),                               // note cut
        File(0, 480, {}),                                               // no tracks
        {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 0, 0},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_FALSE(midi.Parse(cases[i].data(), cases[i].size())) << "case " << i;
    }
}

}  // namespace

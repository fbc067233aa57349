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

TEST(DMusicMidiFile, LengthFollowsTheTempoMap) {
    MidiFile midi;
    // Without a tempo: 120 per minute, so 960 ticks at 480 per quarter last one second.
    std::vector<BYTE> plain = TestSounds::Midi(960, 0);
    ASSERT_TRUE(midi.Parse(plain.data(), plain.size()));
    EXPECT_DOUBLE_EQ(midi.LengthSeconds(), 1.0);
    EXPECT_DOUBLE_EQ(midi.FirstBeatSeconds(), 0.5);

    std::vector<BYTE> slow = TestSounds::Midi(960, 750000);  // 80 per minute
    ASSERT_TRUE(midi.Parse(slow.data(), slow.size()));
    EXPECT_DOUBLE_EQ(midi.LengthSeconds(), 1.5);
    EXPECT_DOUBLE_EQ(midi.FirstBeatSeconds(), 0.75);

    // A quarter at 120, then the tempo halves for two quarters: 0.5 + 2 s.
    std::vector<BYTE> change = File(0, 480,
                                    {Join({{0x00, 0x90, 60, 100},
                                           Tempo(0, 500000),
                                           {0x83, 0x60, 0x80, 60, 0},  // 480 ticks later: note off
                                           Tempo(0, 1000000),
                                           {0x87, 0x40, 0x90, 62, 100},  // 960 ticks later
                                           kEnd})});
    ASSERT_TRUE(midi.Parse(change.data(), change.size()));
    EXPECT_DOUBLE_EQ(midi.LengthSeconds(), 2.5);
    EXPECT_DOUBLE_EQ(midi.FirstBeatSeconds(), 0.5);
}

TEST(DMusicMidiFile, TempoTrackGovernsEveryTrackAndTheLongestTrackEnds) {
    MidiFile midi;
    std::vector<BYTE> conductor = Join({Tempo(0, 250000), kEnd});                                      // 240 per minute
    std::vector<BYTE> notes = {0x00, 0x90, 60, 100, 0x8F, 0x00, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00};  // 1920 ticks
    std::vector<BYTE> shortNotes = {0x00, 0x91, 64, 100, 0x60, 0x81, 64, 0, 0x00, 0xFF, 0x2F, 0x00};
    std::vector<BYTE> file = File(1, 480, {conductor, shortNotes, notes});
    ASSERT_TRUE(midi.Parse(file.data(), file.size()));
    EXPECT_DOUBLE_EQ(midi.LengthSeconds(), 1.0);
    EXPECT_DOUBLE_EQ(midi.FirstBeatSeconds(), 0.25);
}

TEST(DMusicMidiFile, RunningStatusSysExAndForeignChunks) {
    MidiFile midi;
    // Note on, then two more notes under running status, a system-exclusive
    // message and a program change (one data byte) before the end at 480 ticks.
    std::vector<BYTE> track = {0x00, 0x90, 60,   100,  0x81, 0x70, 62,   100,  0x00, 64,   100,  0x00, 0xF0,
                               0x03, 0x7E, 0x7F, 0xF7, 0x00, 0xC0, 0x05, 0x81, 0x70, 0xFF, 0x2F, 0x00};
    std::vector<BYTE> file = File(0, 480, {track});
    // A chunk of an unknown kind between header and track is skipped.
    std::vector<BYTE> foreign = {'X', 'Y', 'Z', 'W', 0, 0, 0, 2, 0xAA, 0xBB};
    file.insert(file.begin() + 14, foreign.begin(), foreign.end());
    ASSERT_TRUE(midi.Parse(file.data(), file.size()));
    EXPECT_DOUBLE_EQ(midi.LengthSeconds(), 0.5);
}

TEST(DMusicMidiFile, TimeCodeDivisionCountsFramesNotBeats) {
    MidiFile midi;
    // 25 frames a second, 40 ticks a frame: 1000 ticks is one second, whatever the tempo says.
    WORD division = static_cast<WORD>((static_cast<BYTE>(-25) << 8) | 40);
    std::vector<BYTE> track = Join({Tempo(0, 2000000), {0x87, 0x68, 0x90, 60, 100}, kEnd});
    std::vector<BYTE> file = File(0, division, {track});
    ASSERT_TRUE(midi.Parse(file.data(), file.size()));
    EXPECT_DOUBLE_EQ(midi.LengthSeconds(), 1.0);
    EXPECT_DOUBLE_EQ(midi.FirstBeatSeconds(), 0.5);
}

TEST(DMusicMidiFile, DamagedFilesAreRefused) {
    MidiFile midi;
    std::vector<BYTE> good = TestSounds::Midi(480, 0);
    ASSERT_TRUE(midi.Parse(good.data(), good.size()));

    std::vector<BYTE> cut(good.begin(), good.end() - 3);  // the track says it is longer
    EXPECT_FALSE(midi.Parse(cut.data(), cut.size()));

    std::vector<BYTE> zeroDivision = File(0, 0, {kEnd});
    EXPECT_FALSE(midi.Parse(zeroDivision.data(), zeroDivision.size()));

    std::vector<BYTE> noStatus = File(0, 480, {{0x00, 60, 100, 0x00, 0xFF, 0x2F, 0x00}});
    EXPECT_FALSE(midi.Parse(noStatus.data(), noStatus.size()));

    std::vector<BYTE> metaOverrun = File(0, 480, {{0x00, 0xFF, 0x01, 0x40, 'a'}});
    EXPECT_FALSE(midi.Parse(metaOverrun.data(), metaOverrun.size()));

    std::vector<BYTE> endlessLength = File(0, 480, {{0x80, 0x80, 0x80, 0x80, 0x00, 0x90, 60, 100}});
    EXPECT_FALSE(midi.Parse(endlessLength.data(), endlessLength.size()));

    std::vector<BYTE> noteCut = File(0, 480, {{0x00, 0x90, 60}});
    EXPECT_FALSE(midi.Parse(noteCut.data(), noteCut.size()));

    std::vector<BYTE> noTracks = File(0, 480, {});
    EXPECT_FALSE(midi.Parse(noTracks.data(), noTracks.size()));

    std::vector<BYTE> notMidi = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 0, 0};
    EXPECT_FALSE(midi.Parse(notMidi.data(), notMidi.size()));
    EXPECT_FALSE(midi.Parse(good.data(), 13));
}

TEST(DMusicMidiFile, TrackWithoutEndEventEndsWithItsData) {
    MidiFile midi;
    std::vector<BYTE> file = File(0, 480, {{0x00, 0x90, 60, 100, 0x83, 0x60, 0x80, 60, 0}});
    ASSERT_TRUE(midi.Parse(file.data(), file.size()));
    EXPECT_DOUBLE_EQ(midi.LengthSeconds(), 0.5);
}

}  // namespace

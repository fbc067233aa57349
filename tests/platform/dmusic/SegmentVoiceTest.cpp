#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/dmusic/DecodedSource.h"
#include "platform/dmusic/SegmentVoice.h"

namespace {

std::unique_ptr<SampleSource> Ramp(std::size_t frames) {
    auto samples = std::make_shared<PcmSamples>();
    for (std::size_t i = 0; i < frames; ++i) {
        samples->push_back(static_cast<std::int16_t>(i + 1));
        samples->push_back(static_cast<std::int16_t>(-static_cast<int>(i) - 1));
    }
    return std::make_unique<DecodedSource>(samples);
}

// Mixes in uneven blocks, as a sound device asks, and returns the left channel.
std::vector<int> Render(SegmentVoice* voice, int frames) {
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames) * 2, 0);
    int done = 0;
    int block = 3;
    while (done < frames) {
        int n = std::min(block, frames - done);
        voice->Mix(out.data() + done * 2, n);
        done += n;
        block = block * 2 + 1;
    }
    std::vector<int> left;
    for (int i = 0; i < frames; ++i) {
        EXPECT_EQ(out[i * 2 + 1], -out[i * 2]) << "frame " << i;
        left.push_back(out[i * 2]);
    }
    return left;
}

TEST(DMusicSegmentVoice, WaitsThenPlaysEachRepeatPaddedOrCutToItsLengthThenFallsSilent) {
    struct Case {
        std::size_t m_uSamples;  // 0: a segment without samples
        std::size_t m_uLength;
        unsigned long long m_ullPlays;
        std::size_t m_uWait;
        std::vector<int> m_expected;
        bool m_bPlayingAfter;
    };
    const Case cases[] = {
        {5, 5, 3, 4, {0, 0, 0, 0, 1, 2, 3, 4, 5, 1, 2, 3, 4, 5, 1, 2, 3, 4, 5, 0, 0, 0, 0, 0, 0}, false},
        {3, 5, 2, 0, {1, 2, 3, 0, 0, 1, 2, 3, 0, 0, 0, 0}, false},
        {6, 4, 2, 0, {1, 2, 3, 4, 1, 2, 3, 4, 0, 0}, false},
        // Silent, but it lasts its length: 5 frames of wait and two plays of 10.
        {0, 10, 2, 5, std::vector<int>(24, 0), true},
        {0, 10, 2, 5, std::vector<int>(25, 0), false},
        // Endless repeats do not overflow.
        {2, 2, 0xFFFFFFFFull + 1, 3, {0, 0, 0, 1, 2, 1, 2, 1, 2}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.m_uSamples << " samples, length " << c.m_uLength << ", " << c.m_expected.size() << " frames");
        SegmentVoice voice;
        voice.Start(c.m_uSamples != 0 ? Ramp(c.m_uSamples) : nullptr, 7, c.m_uLength, c.m_ullPlays, c.m_uWait);
        EXPECT_TRUE(voice.IsPlaying());
        EXPECT_EQ(voice.Serial(), 7u);
        EXPECT_EQ(Render(&voice, static_cast<int>(c.m_expected.size())), c.m_expected);
        EXPECT_EQ(voice.IsPlaying(), c.m_bPlayingAfter);
    }
}

TEST(DMusicSegmentVoice, StopAndReplacementHandBackTheSamplesAndMixingAddsAndSaturates) {
    SegmentVoice voice;
    std::unique_ptr<SampleSource> samples = Ramp(4);
    SampleSource* given = samples.get();
    voice.Start(std::move(samples), 3, 4, 10, 0);
    Render(&voice, 2);
    std::unique_ptr<SampleSource> back = voice.Stop();
    EXPECT_EQ(back.get(), given);
    EXPECT_FALSE(voice.IsPlaying());
    EXPECT_EQ(Render(&voice, 4), std::vector<int>(4, 0));
    EXPECT_EQ(voice.Stop(), nullptr);  // stopping again does nothing

    // Replacing restarts from the new segment.
    voice.Start(std::move(back), 1, 4, 1, 0);
    Render(&voice, 2);
    EXPECT_EQ(voice.Start(Ramp(2), 2, 2, 1, 1).get(), given);
    EXPECT_EQ(voice.Serial(), 2u);
    EXPECT_EQ(Render(&voice, 4), (std::vector<int>{0, 1, 2, 0}));

    auto loud = std::make_shared<PcmSamples>(PcmSamples{30000, -30000, 5, -5});
    voice.Start(std::make_unique<DecodedSource>(loud), 1, 2, 1, 0);
    std::vector<std::int16_t> out = {10000, -10000, 7, -7};
    voice.Mix(out.data(), 2);
    EXPECT_EQ(out, (std::vector<std::int16_t>{32767, -32768, 12, -12}));
}

}  // namespace

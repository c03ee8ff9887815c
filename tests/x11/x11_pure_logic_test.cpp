// The parts of the X11 backend that need no display: which buttons a message-box style gives,
// and which wave formats go to ALSA.
#include <gtest/gtest.h>

#include <vector>

#include "platform/x11/alsa_audio.h"
#include "platform/x11/x11_message_box.h"

namespace love::platform::x11 {
namespace {

TEST(MessageBoxButtons, FollowTheStyleWord) {
    struct Case {
        std::uint32_t style;
        std::vector<int> ids;
        std::size_t focused;
        int onClose;
    };
    const Case cases[] = {
        {0x0, {kIdOk}, 0, kIdOk},
        {0x2000, {kIdOk}, 0, kIdOk},  // the task-modal flag changes no button
        {0x10, {kIdOk}, 0, kIdOk},    // the stop icon of the error report
        {0x1, {kIdOk, kIdCancel}, 0, kIdCancel},
        {0x2, {kIdAbort, kIdRetry, kIdIgnore}, 0, 0},
        {0x3, {kIdYes, kIdNo, kIdCancel}, 0, kIdCancel},
        {0x4, {kIdYes, kIdNo}, 0, 0},  // a question cannot be closed without an answer
        {0x2004, {kIdYes, kIdNo}, 0, 0},
        {0x104, {kIdYes, kIdNo}, 1, 0},  // MB_DEFBUTTON2
        {0x300, {kIdOk}, 0, kIdOk},      // a default past the last button stays on the last
        {0x5, {kIdRetry, kIdCancel}, 0, kIdCancel},
        {0xF, {kIdOk}, 0, kIdOk},  // unknown button sets fall back to OK
    };
    for (const Case& c : cases) {
        const ButtonSet set = buttonsForStyle(c.style);
        EXPECT_EQ(set.ids, c.ids) << "style 0x" << std::hex << c.style;
        EXPECT_EQ(set.defaultIndex, c.focused) << "style 0x" << std::hex << c.style;
        EXPECT_EQ(set.closeResult, c.onClose) << "style 0x" << std::hex << c.style;
    }
}

std::vector<std::uint8_t> formatBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                                     std::uint16_t bits) {
    const std::uint16_t align = static_cast<std::uint16_t>(channels * bits / 8);
    const std::uint32_t bytesPerSecond = rate * align;
    return {static_cast<std::uint8_t>(tag),
            static_cast<std::uint8_t>(tag >> 8),
            static_cast<std::uint8_t>(channels),
            static_cast<std::uint8_t>(channels >> 8),
            static_cast<std::uint8_t>(rate),
            static_cast<std::uint8_t>(rate >> 8),
            static_cast<std::uint8_t>(rate >> 16),
            static_cast<std::uint8_t>(rate >> 24),
            static_cast<std::uint8_t>(bytesPerSecond),
            static_cast<std::uint8_t>(bytesPerSecond >> 8),
            static_cast<std::uint8_t>(bytesPerSecond >> 16),
            static_cast<std::uint8_t>(bytesPerSecond >> 24),
            static_cast<std::uint8_t>(align),
            static_cast<std::uint8_t>(align >> 8),
            static_cast<std::uint8_t>(bits),
            static_cast<std::uint8_t>(bits >> 8)};
}

TEST(WaveFormat, TakesPcmOfEightOrSixteenBits) {
    const auto stereo = parseWaveFormat(formatBody(1, 2, 44100, 16));
    ASSERT_TRUE(stereo.has_value());
    EXPECT_EQ(stereo->channels, 2u);
    EXPECT_EQ(stereo->rate, 44100u);
    EXPECT_EQ(stereo->bitsPerSample, 16u);
    EXPECT_TRUE(parseWaveFormat(formatBody(1, 1, 8000, 8)).has_value());
    EXPECT_TRUE(parseWaveFormat(formatBody(0xFFFE, 2, 48000, 16)).has_value());  // the extensible form
}

TEST(WaveFormat, RefusesWhatAlsaShouldNotBeAskedFor) {
    EXPECT_FALSE(parseWaveFormat({}).has_value());
    auto shortBody = formatBody(1, 2, 44100, 16);
    shortBody.resize(14);  // no bits-per-sample field
    EXPECT_FALSE(parseWaveFormat(shortBody).has_value());
    EXPECT_FALSE(parseWaveFormat(formatBody(3, 2, 44100, 32)).has_value());  // IEEE float
    EXPECT_FALSE(parseWaveFormat(formatBody(1, 2, 44100, 24)).has_value());
    EXPECT_FALSE(parseWaveFormat(formatBody(1, 0, 44100, 16)).has_value());
    EXPECT_FALSE(parseWaveFormat(formatBody(1, 2, 0, 16)).has_value());
    EXPECT_FALSE(parseWaveFormat(formatBody(1, 2, 5000000, 16)).has_value());
}

}  // namespace
}  // namespace love::platform::x11

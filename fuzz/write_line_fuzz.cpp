// Write line on arbitrary GBK text at an arbitrary write position, on small boards where lines
// must scroll and clip; and the GBK decoder on its own.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "platform/headless/headless_platform.h"
#include "platform/host_text.h"
#include "runtime/drawing_board.h"
#include "runtime/picture_registry.h"

namespace {

namespace rt = love::runtime;
using love::platform::NativeHandle;
using love::platform::Rect;

constexpr std::uint32_t kBackgroundRgb = 0x00FFFFFF;
constexpr std::uint32_t kTextRgb = 0x009000FF;  // the text colour 0x00FF0090 as 0x00RRGGBB

struct WrittenLine {
    std::int32_t x;
    std::int32_t y;
    std::string text;
    bool operator==(const WrittenLine&) const = default;
};

class LineRecorder final : public rt::DrawingTrace {
public:
    void pictureDrawn(std::uint32_t, std::int32_t, std::int32_t) override {}
    void writePositionSet(std::int32_t, std::int32_t) override {}
    void lineWritten(std::int32_t x, std::int32_t y, std::string_view line) override {
        lines.push_back({x, y, std::string(line)});
    }
    void cleared(std::int32_t, std::int32_t, std::int32_t, std::int32_t) override {}
    void delayed(std::int32_t) override {}
    void programEnded(int) override {}
    std::vector<WrittenLine> lines;
};

rt::DrawPanelProperties boardProperties() {
    rt::DrawPanelProperties p;
    p.backgroundColour = 0x00FFFFFF;
    p.textColour = 0x00FF0090;
    p.textBackgroundColour = rt::kSystemDefaultColour;  // transparent: only glyph pixels change
    p.font.face = "\xBF\xAC\xCC\xE5_GB2312";
    p.font.height = -56;
    p.font.weight = 400;
    p.font.charset = 134;
    p.font.quality = 1;
    p.font.pitchAndFamily = 0x31;
    return p;
}

struct Board {
    Board(love::platform::headless::HeadlessPlatform& platform, const rt::PictureRegistry& pictures, std::int32_t width,
          std::int32_t height) {
        love::platform::WindowSpec windowSpec;
        windowSpec.rect = Rect{0, 0, width, height};
        const NativeHandle window = platform.createWindow(windowSpec);
        surface = platform.createSurface(window, Rect{0, 0, width, height}, true);
        board = std::make_unique<rt::DrawingBoard>(platform, pictures, surface, boardProperties(), &recorder);
    }
    NativeHandle surface = 0;
    LineRecorder recorder;
    std::unique_ptr<rt::DrawingBoard> board;
};

struct Boards {
    love::platform::headless::HeadlessPlatform platform;
    rt::PictureRegistry pictures;
    // Shorter than one line, so every line scrolls; and room for one line before scrolling.
    Board shallow{platform, pictures, 64, 32};
    Board deep{platform, pictures, 64, 96};
    std::int32_t lineHeight = love::platform::host::createFont({.face = boardProperties().font.face,
                                                                .height = -56,
                                                                .weight = 400,
                                                                .charset = 134,
                                                                .quality = 1,
                                                                .pitchAndFamily = 0x31})
                                  ->cellHeight();
};

// Lines end at CR or LF; an LF right after the break character belongs to the same break.
std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            i += (i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    lines.push_back(text.substr(start));
    return lines;
}

std::int32_t saturate(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

std::int32_t readInt32(const std::uint8_t* at) {
    std::uint32_t v = 0;
    std::memcpy(&v, at, sizeof v);
    return static_cast<std::int32_t>(v);
}

void checkDecoder(std::string_view gbk) {
    const std::u32string decoded = love::platform::host::decodeGbk(gbk);
    // A character takes one or two bytes, an undecodable byte becomes one replacement character.
    FUZZ_CHECK(decoded.size() <= gbk.size());
    FUZZ_CHECK(decoded.size() * 2 >= gbk.size());
    for (const char32_t c : decoded) FUZZ_CHECK(c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF));
    if (std::all_of(gbk.begin(), gbk.end(), [](char b) { return static_cast<unsigned char>(b) < 0x80; })) {
        FUZZ_CHECK(decoded.size() == gbk.size() && std::equal(gbk.begin(), gbk.end(), decoded.begin()));
    }
}

}  // namespace

// Byte 0: bit 0 picks the board, bit 1 a write position from bytes 1 to 8; the rest is the text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Fonts are slow to make, so the boards serve many inputs; but the backend logs every
    // presentation, so they are made afresh now and then to keep the run's memory flat.
    static std::unique_ptr<Boards> boards;
    static std::uint32_t inputsOnTheseBoards = 0;
    if (!boards || ++inputsOnTheseBoards == 4096) {
        boards.reset();
        boards = std::make_unique<Boards>();
        inputsOnTheseBoards = 0;
    }
    if (size == 0) return 0;
    const std::uint8_t flags = data[0];
    std::size_t at = 1;
    std::optional<std::int32_t> x;
    std::optional<std::int32_t> y;
    if ((flags & 2) != 0 && size >= 9) {
        x = readInt32(data + 1);
        y = readInt32(data + 5);
        at = 9;
    }
    const std::string_view text(reinterpret_cast<const char*>(data + at), size - at);
    checkDecoder(text);

    Board& target = (flags & 1) != 0 ? boards->deep : boards->shallow;
    rt::DrawingBoard& board = *target.board;
    board.clear(std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    board.setWritePosition(x, y);
    const std::int32_t startX = board.writeX();
    const std::int32_t startY = board.writeY();
    target.recorder.lines.clear();

    board.writeLine(text);

    // Where each line must land: scrolled up to end 2 pixels above the bottom edge when it
    // would pass it, the next one 2 pixels below it.
    const love::platform::PixelView view = boards->platform.pixels(target.surface);
    const std::int64_t h = boards->lineHeight;
    std::vector<WrittenLine> expected;
    std::int64_t lineY = startY;
    for (const std::string_view line : linesOf(text)) {
        if (lineY + h > view.height) lineY = view.height - h - 2;
        expected.push_back({startX, static_cast<std::int32_t>(lineY), std::string(line)});
        lineY = saturate(lineY + h + 2);
    }
    FUZZ_CHECK(target.recorder.lines == expected);
    FUZZ_CHECK(board.writeX() == startX);
    FUZZ_CHECK(board.writeY() == lineY);

    // Text is drawn with a transparent background and without smoothing.
    for (std::int32_t row = 0; row < view.height; ++row) {
        for (std::int32_t column = 0; column < view.width; ++column) {
            const std::uint32_t pixel = view.at(column, row);
            FUZZ_CHECK(pixel == kBackgroundRgb || pixel == kTextRgb);
        }
    }
    return 0;
}

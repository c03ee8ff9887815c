#include "show/show_script.h"

#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>

#include "runtime/runtime.h"
#include "show/globals.h"
#include "show/heart_outlines.h"
#include "show/show_texts.h"
#include "windows/descriptions.h"
#include "windows/media.h"

namespace love::show {
namespace {

constexpr std::string_view kBoardName =
    "\xBB\xAD\xB0\xE5"
    "1";  // 画板1

// Transparent drawing keyed on pure white (0x00FFFFFF), as a signed copy mode.
constexpr std::int32_t kWhiteKeyCopyMode = static_cast<std::int32_t>(0xFF000001u);

constexpr std::int32_t kOuterPoints = 108;
constexpr std::int32_t kInnerPoints = 66;
constexpr std::int32_t kInnerDraws = 199;
constexpr std::int32_t kScatteredRoses = 999;
// Half the sprite's size, rounded down: a scattered rose is centred on its random point.
constexpr double kSpriteHalfWidth = 49;
constexpr double kSpriteHalfHeight = 43;

std::int32_t truncated(double value) { return static_cast<std::int32_t>(std::trunc(value)); }

class Show {
public:
    Show() : board_(runtime::board(windows::kShowWindow, kBoardName)) {}

    void play() {
        // 1. The sprite; never released here, the registry frees it at the end.
        sprite_ = runtime::loadPicture(windows::spriteGif());

        // 2. Trace the outer heart. Nothing is random yet, but each reseed moves every later seed.
        for (std::int32_t n = 1; n <= kOuterPoints; ++n) {
            runtime::reseed();
            draw(pointToPixel(n, outerXs, outerYs));
            runtime::delay(90);
        }

        // 3, 4. The first block, under the notch.
        board_.setWritePosition(blockX(200), blockY(25));
        line(kDearLine);
        runtime::delay(2000);
        line(kThisHeartStandsForLine);
        runtime::delay(2000);
        line(kMyDeepLoveLine);
        runtime::delay(3000);

        // 5. Fill the inner heart at random; points may repeat or be missed.
        for (std::int32_t count = 1; count <= kInnerDraws; ++count) {
            runtime::reseed();
            const std::int32_t r = runtime::random(1, kInnerPoints);
            draw(pointToPixel(r, innerXs, innerYs));
            runtime::delay(50);
        }

        // 6. The second block continues below the first.
        runtime::delay(2000);
        line(kHeartWithinHeartLine);
        runtime::delay(2000);
        line(kAlwaysInMyHeartLine);
        runtime::delay(3500);

        // 7. Scatter roses over the whole screen, sticking out of its edges.
        for (std::int32_t count = 1; count <= kScatteredRoses; ++count) {
            runtime::reseed();
            const std::int32_t rx = runtime::random(0, runtime::screenWidth());
            runtime::reseed();
            const std::int32_t ry = runtime::random(0, runtime::screenHeight());
            draw({truncated(rx - kSpriteHalfWidth), truncated(ry - kSpriteHalfHeight)});
            runtime::delay(10);
        }

        // 8. The third block, higher up and further left.
        board_.setWritePosition(blockX(400), blockY(1));
        line(kRosesEverywhereLine);
        line(kThirdBlockSpacerLine);
        line(kThirdBlockSpacerLine);
        line(kForMyDearestLine);
        runtime::delay(5000);

        // 9. Wipe diagonally from the top-left corner, one column more per pass.
        const std::int32_t passes = runtime::screenWidth();
        for (std::int32_t l = 1; l <= passes; ++l) {
            const double height = static_cast<double>(runtime::screenHeight()) * l / runtime::screenWidth();
            board_.clear(0, 0, l, truncated(height));
        }

        // 10. The closing block.
        board_.setWritePosition(blockX(300), blockY(25));
        line(kHandInHandLine);
        line(kOurFootprintsLine);
        line(kAlwaysOnTheWayLine);
        line(kClosingBlockSpacerLine);
        line(kClosingBlockSpacerLine);
        runtime::delay(2000);

        // 11. Redraw the outer heart quickly.
        for (std::int32_t n = 1; n <= kOuterPoints; ++n) {
            runtime::reseed();
            draw(pointToPixel(n, outerXs, outerYs));
            runtime::delay(15);
        }

        // 12, 13.
        runtime::delay(3000);
        line(kToMyBestLoveLine);
        runtime::endProgram(0);
    }

private:
    void draw(Pixel at) { board_.drawPicture(sprite_, at.x, at.y, std::nullopt, std::nullopt, kWhiteKeyCopyMode); }
    void line(std::string_view text) { board_.writeLine(text); }

    // A text block starts `shiftLeft` pixels left of the first outer point, at the height of
    // outer point `row`.
    static std::int32_t blockX(double shiftLeft) {
        return truncated(static_cast<double>(scaleX) * runtime::textToNumber(outerXs.at(1)) - shiftLeft);
    }
    static std::int32_t blockY(std::int64_t row) {
        return truncated(static_cast<double>(scaleY) * runtime::textToNumber(outerYs.at(row)));
    }

    runtime::DrawingBoard& board_;
    std::uint32_t sprite_ = 0;
};

}  // namespace

void showScript() { Show().play(); }

}  // namespace love::show

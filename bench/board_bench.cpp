// Costs of the board's operations and of the whole show, on the headless backend.
#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <string_view>

#include "platform/headless/headless_platform.h"
#include "runtime/drawing_board.h"
#include "runtime/picture_registry.h"
#include "show/program.h"
#include "windows/descriptions.h"
#include "windows/media.h"

namespace {

using love::platform::Rect;
using love::platform::headless::HeadlessPlatform;

constexpr std::int32_t kWhiteKeyCopyMode = static_cast<std::int32_t>(0xFF000001u);
constexpr std::string_view kDearest = "\xC7\xD7\xB0\xAE\xB5\xC4";  // 亲爱的

// A full-HD board like the show window's, with the sprite loaded.
struct FullHdBoard {
    FullHdBoard() {
        love::platform::WindowSpec windowSpec;
        windowSpec.rect = Rect{0, 0, 1920, 1080};
        const auto window = platform.createWindow(windowSpec);
        const auto surface = platform.createSurface(window, windowSpec.rect, true);
        board = std::make_unique<love::runtime::DrawingBoard>(platform, pictures, surface,
                                                              love::windows::showBoardProperties(), nullptr);
        board->sizeChanged();
        sprite = pictures.load(love::windows::spriteGif());
    }
    HeadlessPlatform platform;
    love::runtime::PictureRegistry pictures;
    std::unique_ptr<love::runtime::DrawingBoard> board;
    std::uint32_t sprite = 0;
};

void WholeShowFullHd(benchmark::State& state) {
    for (auto _ : state) {
        HeadlessPlatform platform;
        platform.setScreenSize({1920, 1080});
        const int code = love::platform::headless::runToExit([&] { love::show::runProgram(platform); });
        benchmark::DoNotOptimize(code);
    }
}
BENCHMARK(WholeShowFullHd)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void DrawSpriteWithKey(benchmark::State& state) {
    FullHdBoard b;
    std::int32_t x = 0;
    for (auto _ : state) {
        b.board->drawPicture(b.sprite, x, 500, std::nullopt, std::nullopt, kWhiteKeyCopyMode);
        x = (x + 37) % 1800;
    }
}
BENCHMARK(DrawSpriteWithKey)->Unit(benchmark::kMicrosecond);

void ClearFullScreen(benchmark::State& state) {
    FullHdBoard b;
    for (auto _ : state) b.board->clear(0, 0, 1920, 1080);
}
BENCHMARK(ClearFullScreen)->Unit(benchmark::kMicrosecond);

void WriteLineDearest(benchmark::State& state) {
    FullHdBoard b;
    for (auto _ : state) {
        b.board->setWritePosition(724, 261);
        b.board->writeLine(kDearest);
    }
}
BENCHMARK(WriteLineDearest)->Unit(benchmark::kMicrosecond);

}  // namespace

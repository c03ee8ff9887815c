#include "tools/trace/trace_printer.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <utility>

#include "platform/utf8.h"
#include "runtime/runtime.h"
#include "windows/descriptions.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace love::trace {

TracePrinter::TracePrinter(platform::headless::HeadlessPlatform& platform, std::vector<Snapshot> snapshots)
    : platform_(platform), pending_(std::move(snapshots)) {
    std::stable_sort(pending_.begin(), pending_.end(),
                     [](const Snapshot& a, const Snapshot& b) { return a.atMs < b.atMs; });
}

void TracePrinter::noteBoard() {
    // The board's surface is looked up while the show window is live; its pixels stay with the
    // platform until the process ends, so snapshots at the very end still find them.
    if (board_ == 0 && runtime::hasRuntime()) board_ = runtime::nativeHandle(windows::kShowWindow, windows::kShowBoard);
}

void TracePrinter::pictureDrawn(std::uint32_t, std::int32_t x, std::int32_t y) {
    noteBoard();
    output_ += "draw " + std::to_string(x) + " " + std::to_string(y) + "\n";
}

void TracePrinter::writePositionSet(std::int32_t x, std::int32_t y) {
    noteBoard();
    output_ += "pos " + std::to_string(x) + " " + std::to_string(y) + "\n";
}

void TracePrinter::lineWritten(std::int32_t x, std::int32_t y, std::string_view gbkLine) {
    noteBoard();
    output_ += "line " + std::to_string(x) + " " + std::to_string(y) + " ";
    output_ += platform::toUtf8(platform_.decodeGbk(gbkLine));
    output_ += "\n";
}

void TracePrinter::cleared(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
    noteBoard();
    output_ += "clear " + std::to_string(left) + " " + std::to_string(top) + " " + std::to_string(width) + " " +
               std::to_string(height) + "\n";
}

void TracePrinter::delayed(std::int32_t milliseconds) {
    noteBoard();
    // The board looks as it does now for the whole wait.
    saveSnapshotsBefore(platform_.now() + static_cast<std::uint64_t>(std::max(milliseconds, 0)));
    output_ += "wait " + std::to_string(milliseconds) + "\n";
}

void TracePrinter::programEnded(int exitCode) {
    saveSnapshotsBefore(std::numeric_limits<std::uint64_t>::max());
    output_ += "exit " + std::to_string(exitCode) + "\n";
}

std::string TracePrinter::takeOutput() { return std::exchange(output_, {}); }

void TracePrinter::saveSnapshotsBefore(std::uint64_t endMs) {
    while (!pending_.empty() && pending_.front().atMs < endMs) {
        if (!savePng(pending_.front().file)) {
            std::fprintf(stderr, "love-show-trace: cannot write %s\n", pending_.front().file.c_str());
            snapshotsWritten_ = false;
        }
        pending_.erase(pending_.begin());
    }
}

bool TracePrinter::savePng(const std::string& file) {
    if (board_ == 0) return false;
    const platform::PixelView view = platform_.pixels(board_);
    if (view.pixels == nullptr || view.width <= 0 || view.height <= 0) return false;
    std::vector<unsigned char> rgb(static_cast<std::size_t>(view.width) * static_cast<std::size_t>(view.height) * 3);
    for (std::size_t i = 0, n = rgb.size() / 3; i < n; ++i) {
        const std::uint32_t p = view.pixels[i];
        rgb[3 * i] = static_cast<unsigned char>(p >> 16);
        rgb[3 * i + 1] = static_cast<unsigned char>(p >> 8);
        rgb[3 * i + 2] = static_cast<unsigned char>(p);
    }
    return stbi_write_png(file.c_str(), view.width, view.height, 3, rgb.data(), view.width * 3) != 0;
}

}  // namespace love::trace

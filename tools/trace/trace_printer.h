// The trace tool's observer: prints one row per operation and saves the board as PNG files at
// the virtual times asked for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/headless/headless_platform.h"
#include "runtime/trace.h"
#include "tools/trace/trace_options.h"

namespace love::trace {

class TracePrinter final : public runtime::DrawingTrace {
public:
    TracePrinter(platform::headless::HeadlessPlatform& platform, std::vector<Snapshot> snapshots);

    void pictureDrawn(std::uint32_t handle, std::int32_t x, std::int32_t y) override;
    void writePositionSet(std::int32_t x, std::int32_t y) override;
    void lineWritten(std::int32_t x, std::int32_t y, std::string_view gbkLine) override;
    void cleared(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override;
    void delayed(std::int32_t milliseconds) override;
    void programEnded(int exitCode) override;

    // The rows so far, then forgotten.
    std::string takeOutput();
    // False when a PNG file could not be written; the files that failed are named on stderr.
    bool snapshotsWritten() const { return snapshotsWritten_; }

private:
    void noteBoard();
    void saveSnapshotsBefore(std::uint64_t endMs);
    bool savePng(const std::string& file);

    platform::headless::HeadlessPlatform& platform_;
    std::vector<Snapshot> pending_;  // sorted by time
    std::string output_;
    platform::NativeHandle board_ = 0;
    bool snapshotsWritten_ = true;
};

}  // namespace love::trace

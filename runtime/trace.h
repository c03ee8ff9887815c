// An observer of every drawing operation, delay and end of the program, in the order they
// happen; the trace tool prints them. Coordinates are board pixels; texts are GBK.
#pragma once

#include <cstdint>
#include <string_view>

namespace love::runtime {

class DrawingTrace {
public:
    virtual ~DrawingTrace() = default;
    virtual void pictureDrawn(std::uint32_t handle, std::int32_t x, std::int32_t y) = 0;
    virtual void writePositionSet(std::int32_t x, std::int32_t y) = 0;
    // One line written; (x, y) is the top-left corner of its text cell after any scrolling.
    virtual void lineWritten(std::int32_t x, std::int32_t y, std::string_view gbkLine) = 0;
    virtual void cleared(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) = 0;
    virtual void delayed(std::int32_t milliseconds) = 0;
    virtual void programEnded(int exitCode) = 0;
};

}  // namespace love::runtime

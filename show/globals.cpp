#include "show/globals.h"

#include <initializer_list>

namespace love::show {

runtime::TextArray outerXs;
runtime::TextArray outerYs;
runtime::TextArray innerXs;
runtime::TextArray innerYs;

runtime::TextArray outerListPieces;
runtime::TextArray outerPointParts;
runtime::TextArray innerListPieces;
runtime::TextArray innerPointParts;
std::int32_t outerPieceCount = 0;
std::int32_t innerPieceCount = 0;

std::int32_t scaleX = 0;
std::int32_t scaleY = 0;

void releaseGlobals() {
    for (runtime::TextArray* array : {&outerXs, &outerYs, &innerXs, &innerYs, &outerListPieces, &outerPointParts,
                                      &innerListPieces, &innerPointParts}) {
        array->clear();
    }
    outerPieceCount = 0;
    innerPieceCount = 0;
    scaleX = 0;
    scaleY = 0;
}

}  // namespace love::show

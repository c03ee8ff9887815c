// The program's global state: the heart outlines' coordinate arrays, the scratch state of their
// parsing and the scale factors. The entry routine starts with them empty and the exit routine
// releases them.
#pragma once

#include <cstdint>

#include "runtime/text.h"

namespace love::show {

// Grid coordinates of the two hearts, point n being entry n of an x array and of its y array.
// X entries hold the grid x shifted by -2, y entries the grid y as written in the list.
extern runtime::TextArray outerXs;
extern runtime::TextArray outerYs;
extern runtime::TextArray innerXs;
extern runtime::TextArray innerYs;

// Scratch state of parsing: each list split at "|" into point texts, the number of those
// pieces, and the point being parsed split at ",". Kept until exit; a new parse overwrites it.
extern runtime::TextArray outerListPieces;
extern runtime::TextArray outerPointParts;
extern runtime::TextArray innerListPieces;
extern runtime::TextArray innerPointParts;
extern std::int32_t outerPieceCount;
extern std::int32_t innerPieceCount;

// Pixels per grid unit.
extern std::int32_t scaleX;
extern std::int32_t scaleY;

// Empties every array and zeroes the counts and scales (program start and exit).
void releaseGlobals();

}  // namespace love::show

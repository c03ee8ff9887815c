// The show script: the whole show, played inside the show timer's first periodic event.
#pragma once

namespace love::show {

// The periodic handler of the show window's 时钟1; ends the program.
void showScript();

}  // namespace love::show

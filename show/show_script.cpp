#include "show/show_script.h"

#include "runtime/runtime.h"

namespace love::show {

void showScript() { runtime::endProgram(0); }

}  // namespace love::show

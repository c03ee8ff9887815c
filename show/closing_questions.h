// The two Yes/No questions asked when the start window is destroyed while the program runs.
#pragma once

namespace love::show {

// The start window's "will be destroyed" handler.
void closingQuestions();

}  // namespace love::show

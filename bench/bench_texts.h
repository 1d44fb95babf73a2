#pragma once
// The texts the benchmarks fill the boxes with, on every front end.
#include <string>

#include "drill/form_state.h"

namespace drill::bench {

// A transcript-like text of at least `bytes` bytes: script lines behind the
// question label and answers (some typed over two lines) behind the answer
// label, run together as the drill builds it.
std::string transcriptText(const FormState& state, std::size_t bytes);

// An answer as a student types it, over two lines.
std::string typicalAnswer();

}  // namespace drill::bench

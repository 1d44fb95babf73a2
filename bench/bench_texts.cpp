#include "bench_texts.h"

#include <iterator>

namespace drill::bench {

std::string typicalAnswer() {
    return "The level in the second bottle rises quickly at first, then more and more slowly, "
           "since the difference in depths that drives the flow keeps getting smaller.\r\n"
           "I think the depth vs. clock time graph is increasing at a decreasing rate and "
           "levels off as the two depths approach each other.";
}

std::string transcriptText(const FormState& state, std::size_t bytes) {
    const std::string answers[] = {
        typicalAnswer(),
        "OK",
        "The flow rate from the first bottle decreases with clock time, and the rate at which "
        "depth changes in the second bottle is proportional to that flow rate.",
        "I had the slope of the depth graph wrong: it should level off, not keep rising at a "
        "constant rate.\r\nNow I see why: the pressure difference is what drives the flow.",
    };
    const std::string* lines[] = {&state.scriptLines[3], &state.scriptLines[5],
                                  &state.scriptLines[7]};
    std::string out;
    out.reserve(bytes + 1024);
    for (std::size_t k = 0; out.size() < bytes; ++k) {
        out += state.answerSeparator;
        out += answers[k % std::size(answers)];
        out += state.qaSeparator;
        out += *lines[k % std::size(lines)];
    }
    return out;
}

}  // namespace drill::bench

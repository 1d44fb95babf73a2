#include "drill/drill.h"

#include <string>

#include "drill/texts.h"
#include "platform/errors.h"
#include "platform/toolkit.h"

namespace drill {

Drill::Drill(Toolkit& toolkit, Files& files, Clock& clock, Random& random)
    : toolkit_(toolkit), files_(files), clock_(clock), random_(random) {}

void Drill::load() {
    // Each procedure reports its own errors, so the header is written even
    // after start-up stopped early; only EndProgram stops the sequence.
    startUp();
    writeHeader();
}

void Drill::reportError(const RuntimeError& error) {
    if (error.number() == err::SubscriptOutOfRange) {
        toolkit_.messageBox(texts::kMessageA, texts::kCaption);
        throw EndProgram{};
    }
    toolkit_.messageBox(std::string(texts::kMessageB) + std::to_string(error.number()),
                        texts::kCaption);
}

}  // namespace drill

#include "drill/report.h"

#include "drill/texts.h"
#include "platform/errors.h"
#include "platform/toolkit.h"

namespace drill {

std::string messageB(int number) { return std::string(texts::kMessageB) + std::to_string(number); }

void reportError(Toolkit& toolkit, int number) {
    if (number == err::SubscriptOutOfRange) {
        toolkit.messageBox(texts::kMessageA, texts::kCaption);
        throw EndProgram{};
    }
    toolkit.messageBox(messageB(number), texts::kCaption);
}

}  // namespace drill

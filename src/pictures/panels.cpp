#include "pictures/panels.h"

#include <optional>

#include "platform/random.h"
#include "platform/toolkit.h"

namespace drill {

void copyPicture(Toolkit& toolkit) {
    // Picture1 never has a picture unless something gives it one; copying
    // nothing would wipe whatever the clipboard and Picture2 hold.
    const std::optional<Picture> left = toolkit.picture(Panel::Picture1);
    if (!left) return;
    toolkit.clipboardPut(*left);
    toolkit.setPicture(Panel::Picture2, toolkit.clipboardTake());
}

void startExperiment(Toolkit& toolkit) { toolkit.enableTimer(); }

void experimentTick(Toolkit& toolkit, Random& random) {
    toolkit.beep();
    const float r = random.draw();
    const float radius = r * 500.0f;
    toolkit.circle(Panel::Picture1, 500, 500, radius);
}

}  // namespace drill

#pragma once
// The picture panels and the experiment display.
namespace drill {

class Random;
class Toolkit;

// Copies the picture of Picture1 to Picture2 through the system clipboard.
// An empty Picture1 copies nothing, so the clipboard and Picture2 keep theirs.
void copyPicture(Toolkit& toolkit);

// Starts the experiment timer; a running timer is left as it is.
void startExperiment(Toolkit& toolkit);

// One tick of the experiment: a beep and a circle of random radius (one draw)
// around the middle of Picture1.
void experimentTick(Toolkit& toolkit, Random& random);

}  // namespace drill

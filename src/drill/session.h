#pragma once
// What every procedure of the drill works on: the form state it shares with
// the other procedures, and the outside world it reaches through the platform.
namespace drill {

class Clock;
class Files;
class Random;
class Toolkit;
struct FormState;

// Channels of the three files.
inline constexpr int kMasterChannel = 1;
inline constexpr int kSendChannel = 2;
inline constexpr int kNotesChannel = 3;

struct Session {
    Toolkit& toolkit;
    Files& files;
    Clock& clock;
    Random& random;
    FormState& state;
};

}  // namespace drill

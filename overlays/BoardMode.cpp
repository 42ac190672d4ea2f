#include "overlays/BoardMode.h"

std::atomic<bool> BoardVisible{false};
std::atomic<BoardMode> BoardShownMode{BoardMode::Off};

#include "base/frameglobals.h"

// Not yet owned: the camera's projection, the overlay's layout and the
// composite read them without a frame in hand.
int windowWidth = 0;
int windowHeight = 0;

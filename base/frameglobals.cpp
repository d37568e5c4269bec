#include "base/frameglobals.h"

int windowWidth = 0;
int windowHeight = 0;

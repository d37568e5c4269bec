#include "base/frameglobals.h"

int windowWidth = 0;
int windowHeight = 0;
double frameStartTime = 0.0;
int currentDOFPass = 0;

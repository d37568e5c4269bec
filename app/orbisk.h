// Process-wide values of the application shell.
#pragma once

// Window size obtained when the window opened; every target and viewport uses it.
extern int windowWidth;
extern int windowHeight;
// Timer value at the top of the current frame.
extern double frameStartTime;
// Index of the depth-of-field pass being rendered, 0..15.
extern int currentDOFPass;

int runOrbisk();

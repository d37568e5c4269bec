// The frame's process-wide values, written by the shell and read by the
// camera, the passes and the effects. Kept apart from the shell so that
// those lower modules reach nothing above them through it.
#pragma once

// Window size obtained when the window opened (and after each resize); every
// target and viewport uses it.
extern int windowWidth;
extern int windowHeight;


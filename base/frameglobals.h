// The window's size, the last of the frame's values still process-wide:
// written by the shell, read by the camera's projection, the text overlay,
// the composite and the tools. Kept apart from the shell so that those lower
// modules reach nothing above them through it.
#pragma once

// Window size obtained when the window opened (and after each resize); every
// target and viewport uses it.
extern int windowWidth;
extern int windowHeight;


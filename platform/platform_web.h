// The browser build's window calls beyond the desktop's.
#pragma once

namespace platform {
// The canvas's drawing buffer takes this size (device pixels); the next
// frame's followWindowSize picks it up.
void resizeWindow(int width, int height);
}  // namespace platform

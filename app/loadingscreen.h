// The frame shown while the scene loads: a heading and one status line,
// presented at once.
#pragma once

class TextOverlay;

// Clears the bound framebuffer, draws "LOADING SCENE ..." centred above the
// middle and statusLine at the lower left, both green, then swaps buffers.
void showLoadingScreen(TextOverlay& overlay, const char* statusLine);

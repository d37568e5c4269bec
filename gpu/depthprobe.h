// The depth stored at one pixel of the bound draw framebuffer, for the sun
// glow's occlusion test. The desktop reads it back directly; WebGL cannot
// read depth, so there the pixel is copied into a 1 x 1 depth texture and
// drawn as colour into a 1 x 1 target that can be read.
#pragma once

// Window coordinates inside the bound framebuffer; 1 (the far plane) when
// nothing could be read.
float readDepthAt(int x, int y);
// Frees what the WebGL path made on first use; nothing on the desktop.
void releaseDepthProbe();

// The 24-bit depth the probe's shader packs into red, green and blue, back
// as the depth in [0, 1].
float unpackDepth24(unsigned char r, unsigned char g, unsigned char b);

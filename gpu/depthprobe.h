// The depth stored at one pixel of the bound draw framebuffer, for the sun
// glow's occlusion test. The desktop reads it back directly; WebGL cannot
// read depth, so there the pixel is copied into a 1 x 1 depth texture and
// drawn as colour into a 1 x 1 target that can be read.
#pragma once

// What the WebGL path makes on first use; the desktop leaves it empty.
struct DepthProbe {
  unsigned int depthFramebuffer = 0, depthTexture = 0;
  unsigned int colourFramebuffer = 0, colourTexture = 0;
  unsigned int program = 0;
  bool failed = false;
};

// Window coordinates inside the bound framebuffer; 1 (the far plane) when
// nothing could be read.
float readDepthAt(DepthProbe& probe, int x, int y);
// Frees what the WebGL path made and empties the probe.
void releaseDepthProbe(DepthProbe& probe);

// The 24-bit depth the probe's shader packs into red, green and blue, back
// as the depth in [0, 1].
float unpackDepth24(unsigned char r, unsigned char g, unsigned char b);

// What the offscreen tools do around a frame: put the camera on the flight at
// a given time, read the finished picture back, and write it as a PNG.
#pragma once
#include <string>
#include <vector>

// The flight as it stands `seconds` after it started, on a clock driven here
// (the platform clock is restored afterwards). False, with an ERROR line, when
// a camera path is missing.
bool placeCameraOnPath(double seconds);
// Framebuffer 0 as top-down RGB rows, after the frame has finished.
std::vector<unsigned char> readWindowPixels(int width, int height);
// Fails before the scene loads, not after a long render, when the output
// file cannot be written (an ERROR line naming it). Leaves no empty file behind.
bool outputWritable(const std::string& path);
// Top-down RGB rows as a PNG, in place only once written whole (AtomicFile);
// false with an ERROR line naming the file and the reason otherwise.
bool writePng(const std::string& path, int width, int height, std::vector<unsigned char>& topDown);

// Single-line text in a bitmap font, drawn over whatever framebuffer is bound.
// The font is one texture with the glyphs on a fixed grid indexed by
// character code; every character becomes one quad in clip space.
#pragma once
#include <GL/glew.h>

#include <glm/glm.hpp>
#include <vector>

// Font grid: 25 cells a row, column pitch 1/25.5, row pitch 1/25, and a glyph
// square of 0.029296875 of the texture.
constexpr int kGlyphsPerRow = 25;
constexpr float kGlyphColumnPitch = 25.5f;
constexpr float kGlyphRowPitch = 25.0f;
constexpr float kGlyphSquare = 0.029296875f;

// Upper-left texture coordinate of the glyph of character code c. Codes above
// 127 arrive as negative values and give negative coordinates.
glm::vec2 glyphCell(signed char c);

// Appends six corners and six texture coordinates per character of text
// (upper-left, lower-left, upper-right, lower-right, upper-right, lower-left).
// (x, y) is the lower-left pixel of the first character, size its height in
// pixels; characters are 0.8 x size wide. Returns false and appends nothing for
// null or empty text or a window without area.
bool layoutText(const char* text, int x, int y, int size, int windowW, int windowH,
                std::vector<glm::vec2>& vertices, std::vector<glm::vec2>& uvs);

// The left pixel that centres text of that many characters, size pixels
// high, in a window windowW wide (characters are 0.8 x size wide).
int centredTextX(int characters, int size, int windowW);

class TextOverlay {
 public:
  // False only when no font path is given; a font or shader that fails to load
  // is reported by its loader and drawn with whatever name it returned.
  bool initText(const char* fontPath, bool forceAnisotropic = false);
  // Draws text at pixel (x, y) from the lower-left of the window, size pixels
  // high, blended over the bound framebuffer. Leaves depth testing on and
  // blending off.
  void printText(const char* text, int x, int y, int size, glm::vec4 color);
  // Deletes the font texture, both buffers and the program, and leaves the
  // overlay as constructed.
  void cleanupText();

  bool initialized = false;
  GLuint textureID = 0;
  GLuint vertexBufferID = 0;
  GLuint uvBufferID = 0;
  GLuint shaderID = 0;
  GLint textureSampler = -1;
  // Receives the text colour as a vec4.
  GLint colorSampler = -1;
};

// The desktop GLSL sources serve WebGL2 as well: at load time a "#version 330"
// source becomes GLSL ES 3.00 with default precisions.
#pragma once
#include <string>

// The source with its "#version 330 [core]" line made "#version 300 es" on
// the first line (what stood before it is dropped: WebGL wants it first), and
// default precision lines (high for floats, ints and samplers) put after the
// last #extension line, or after the version line when there is none, since
// an #extension must come before any statement. A #line after them keeps
// the compiler's line numbers those of the file. A source without a version
// line, or with another version, is returned as it is.
std::string toGlslEs(const std::string& source);

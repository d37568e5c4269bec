// The offscreen tools' console. The scene prints a few hundred lines on
// standard output while it loads (files opened, shaders compiled, meshes
// made); a tool's user wants its progress and result, and anything that went
// wrong. Held back, the program's standard output is read through a pipe and
// only its ERROR, WARNING and FATAL lines pass; the tool's own lines go
// straight to the terminal through toolOut(). Standard error is untouched.
#pragma once
#include <cstdio>
#include <string_view>

// Whether a line of the program's standard output still shows when held back.
bool showsWhenQuiet(std::string_view line);

class QuietConsole {
 public:
  // Holds the program's lines back when quiet; does nothing otherwise (or
  // when no pipe can be made, so that nothing is lost).
  explicit QuietConsole(bool quiet);
  // Restores standard output after the last held line has passed.
  ~QuietConsole();
  QuietConsole(const QuietConsole&) = delete;
  QuietConsole& operator=(const QuietConsole&) = delete;
  // Ends holding back now (as the destructor does).
  void release();

 private:
  struct Filter;
  Filter* filter_ = nullptr;
};

// Where the tool's own lines go: the terminal's standard output also while
// the program's lines are held back.
FILE* toolOut();

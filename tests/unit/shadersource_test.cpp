// The source text the shader loader hands to the compiler.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "loaders/shaderloader.h"

using namespace std::string_literals;

TEST(ShaderSource, EveryLineFollowsALineFeed) {
  EXPECT_EQ(assembleShaderSource("A\nB"), "\nA\nB");
  EXPECT_EQ(assembleShaderSource("A\nB\n"), "\nA\nB");
  // Blank lines survive, including a blank last line.
  EXPECT_EQ(assembleShaderSource("A\n\nB\n\n"), "\nA\n\nB\n");
  EXPECT_EQ(assembleShaderSource("\n"), "\n");
  EXPECT_EQ(assembleShaderSource(""), "");
}

TEST(ShaderSource, CarriageReturnBeforeLineFeedIsDropped) {
  EXPECT_EQ(assembleShaderSource("A\r\nB\r\n"), assembleShaderSource("A\nB\n"));
  EXPECT_EQ(assembleShaderSource("#version 330 core\r\nvoid main() {}\r\n"),
            "\n#version 330 core\nvoid main() {}");
  EXPECT_EQ(assembleShaderSource("\r\n\r\n"), "\n\n");
  // Only the one right before the line feed: others are text.
  EXPECT_EQ(assembleShaderSource("A\r\r\nB\rC"), "\nA\r\nB\rC");
  EXPECT_EQ(assembleShaderSource("A\r"), "\nA\r");
}

TEST(ShaderSource, NulEndsTheLineItIsIn) {
  EXPECT_EQ(assembleShaderSource("AB\0CD\nEF"s), "\nAB\nEF");
}

TEST(ShaderSource, FilesAndMissingFiles) {
  char dir[] = "/tmp/orbisk-shadersrc-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string crlf = std::string(dir) + "/crlf.glsl";
  std::string empty = std::string(dir) + "/empty.glsl";
  std::ofstream(crlf, std::ios::binary) << "void main()\r\n{\r\n}";
  std::ofstream(empty, std::ios::binary) << "";
  EXPECT_EQ(readShaderSource(crlf.c_str()), "\nvoid main()\n{\n}");
  EXPECT_EQ(readShaderSource(empty.c_str()), "");
  EXPECT_EQ(readShaderSource((std::string(dir) + "/missing.glsl").c_str()), "");
  EXPECT_EQ(readShaderSource(nullptr), "");
  // A source longer than one read chunk arrives whole.
  std::string longLine(10000, 'x');
  std::string big = std::string(dir) + "/big.glsl";
  std::ofstream(big, std::ios::binary) << longLine << "\r\n" << longLine;
  EXPECT_EQ(readShaderSource(big.c_str()), "\n" + longLine + "\n" + longLine);
  remove(crlf.c_str());
  remove(empty.c_str());
  remove(big.c_str());
  remove(dir);
}

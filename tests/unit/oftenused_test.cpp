#include "base/oftenused.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

FILE* streamOf(const std::string& bytes) {
  FILE* f = tmpfile();
  fwrite(bytes.data(), 1, bytes.size(), f);
  rewind(f);
  return f;
}

TEST(ReadLine, SplitsLinesAndEndsWithNull) {
  LineBuffer buffer;
  FILE* f = streamOf("ab\ncd");
  EXPECT_STREQ(readLine(buffer, f), "ab");
  EXPECT_STREQ(readLine(buffer, f), "cd");
  EXPECT_EQ(readLine(buffer, f), nullptr);
  EXPECT_EQ(readLine(buffer, nullptr), nullptr);
  fclose(f);
  freeLineBuffer(buffer);
}

TEST(ReadLine, KeepsCarriageReturnAndEmptyLines) {
  LineBuffer buffer;
  FILE* f = streamOf("a\r\n\nb");
  EXPECT_STREQ(readLine(buffer, f), "a\r");
  EXPECT_STREQ(readLine(buffer, f), "");
  EXPECT_STREQ(readLine(buffer, f), "b");
  EXPECT_EQ(readLine(buffer, f), nullptr);
  fclose(f);
  freeLineBuffer(buffer);
}

TEST(ReadLine, GrowsByDoublingAndByOneForAFullLine) {
  LineBuffer buffer;
  int start = lineBufferCapacity(buffer);
  std::string exact(static_cast<size_t>(start) * 2, 'x');
  FILE* f = streamOf(exact + "\n" + exact + "y\n" + exact + "yzz\n");
  // A line that fills the doubled buffer to the last byte grows it by one.
  EXPECT_EQ(std::string(readLine(buffer, f)), exact);
  EXPECT_EQ(lineBufferCapacity(buffer), start * 2 + 1);
  EXPECT_EQ(std::string(readLine(buffer, f)), exact + "y");
  EXPECT_EQ(lineBufferCapacity(buffer), start * 2 + 2);
  // A line longer than the buffer doubles it.
  EXPECT_EQ(std::string(readLine(buffer, f)), exact + "yzz");
  EXPECT_EQ(lineBufferCapacity(buffer), (start * 2 + 2) * 2);
  fclose(f);
  freeLineBuffer(buffer);
  EXPECT_EQ(lineBufferCapacity(buffer), (start * 2 + 2) * 2) << "freeing keeps the capacity";
}

TEST(ReadLine, RepeatedFilesDoNotGrowTheBuffer) {
  LineBuffer buffer;
  // Every model load frees the buffer; reading the next file must reuse the
  // capacity, not double it each time.
  FILE* f = streamOf("abc\n");
  readLine(buffer, f);
  fclose(f);
  freeLineBuffer(buffer);
  int settled = lineBufferCapacity(buffer);
  for (int file = 0; file < 40; ++file) {
    FILE* g = streamOf("v 1 2 3\nf 1 2\n");
    while (readLine(buffer, g) != nullptr) {
    }
    fclose(g);
    freeLineBuffer(buffer);
  }
  EXPECT_EQ(lineBufferCapacity(buffer), settled);
}

TEST(ReadLine, LongLinesSurviveIntact) {
  LineBuffer buffer;
  std::string longLine(100000, 'q');
  longLine[5000] = '\0';
  FILE* f = streamOf(longLine + "\nnext");
  char* line = readLine(buffer, f);
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(memcmp(line, longLine.data(), longLine.size()), 0);
  EXPECT_STREQ(readLine(buffer, f), "next");
  fclose(f);
  freeLineBuffer(buffer);
}

TEST(FileNameOfPath, BackslashWinsAndEmptyTailsAreNull) {
  EXPECT_STREQ(fileNameOfPath("a\\b/c"), "b/c");
  EXPECT_STREQ(fileNameOfPath("models/earth.obj"), "earth.obj");
  EXPECT_STREQ(fileNameOfPath("earth.obj"), "earth.obj");
  EXPECT_EQ(fileNameOfPath("models\\"), nullptr);
  EXPECT_EQ(fileNameOfPath(""), nullptr);
  EXPECT_EQ(fileNameOfPath(nullptr), nullptr);
}

TEST(SmallHelpers, DigitsCountsAndRounding) {
  EXPECT_EQ(digitToChar(0, true), '0');
  EXPECT_EQ(digitToChar(10, true), 'A');
  EXPECT_EQ(digitToChar(15, true), 'F');
  EXPECT_EQ(digitToChar(10, false), 'a');
  EXPECT_EQ(digitToChar(35, false), 'z');
  EXPECT_EQ(static_cast<unsigned char>(digitToChar(36, true)), 255);
  EXPECT_EQ(countChar("a b c ", ' '), 3);
  EXPECT_EQ(countChar(nullptr, ' '), 0);
  EXPECT_DOUBLE_EQ(roundToDecimals(1.25, 1), 1.3);
  EXPECT_DOUBLE_EQ(roundToDecimals(-1.26, 1), -1.2);
}

TEST(SmallHelpers, ReplaceCharAndPrintPrintable) {
  char text[] = "a\\b\\c";
  EXPECT_TRUE(replaceChar(text, '\\', '/'));
  EXPECT_STREQ(text, "a/b/c");
  EXPECT_FALSE(replaceChar(text, '\\', '/'));
  EXPECT_FALSE(replaceChar(nullptr, 'a', 'b'));
  // Equal characters would never run out of hits; the call still returns.
  EXPECT_TRUE(replaceChar(text, '/', '/'));

  testing::internal::CaptureStdout();
  printPrintable("a\tb\n\x80z", 4);
  printPrintable("xyz", 1);
  fflush(stdout);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "ab\nx");
}

TEST(FatalOutOfMemory, FlushesAndNamesTheBareFile) {
  EXPECT_EXIT(
      {
        printf("pending");
        fatalOutOfMemory("/some/dir/modelloaderobj.cpp", 42);
      },
      testing::ExitedWithCode(1), "FATAL \\[modelloaderobj.cpp:42\\]: Could not allocate memory! Quitting!");
}

TEST(PlatformPaths, DirectoriesAndDevicesAreNotFiles) {
  EXPECT_EQ(openFile("/dev/zero", "rb"), nullptr);
  EXPECT_EQ(openFile("/tmp", "r"), nullptr);
  EXPECT_EQ(openFile("/nonexistent/model.obj", "r"), nullptr);
  FILE* regular = openFile(ORBISK_SOURCE_DIR "\\CMakeLists.txt", "r");
  ASSERT_NE(regular, nullptr) << "a backslash path reaches the file";
  fclose(regular);
}

TEST(PlatformPaths, BackslashesBecomeSlashes) {
  EXPECT_EQ(platformPathOf("models\\earth.obj"), "models/earth.obj");
  EXPECT_EQ(platformPathOf("plain.obj"), "plain.obj");
  EXPECT_EQ(platformPathOf(nullptr), "");
  char line[] = "f 1 2\r";
  stripCarriageReturn(line);
  EXPECT_STREQ(line, "f 1 2");
}

}  // namespace

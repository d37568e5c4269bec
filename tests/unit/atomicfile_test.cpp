// Files written whole or not at all. A full disk is stood in for by a file
// size limit (writes past it fail with EFBIG, as they would with ENOSPC),
// which needs neither root nor a mount; the end-to-end tests fill a real disk.
#include "base/atomicfile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "render/framecapture.h"
#include "tests/tempdir.h"

namespace {

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Everything in the folder, hidden files included.
std::vector<std::string> listing(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Writes past `bytes` fail while it lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, previous_);
  }

 private:
  rlimit saved_{};
  sighandler_t previous_ = SIG_DFL;
};

TEST(AtomicFile, AppearsOnlyWhenComplete) {
  const std::string dir = testtmp::makeDir("atomic");
  const std::string path = dir + "/a.bin";
  AtomicFile file;
  ASSERT_TRUE(file.open(path)) << file.error();
  ASSERT_TRUE(file.write("hello", 5));
  EXPECT_FALSE(std::filesystem::exists(path)) << "visible before it was complete";
  ASSERT_TRUE(file.commit()) << file.error();
  EXPECT_EQ("hello", readAll(path));
  EXPECT_EQ(std::vector<std::string>{"a.bin"}, listing(dir));
}

TEST(AtomicFile, FailedWritesLeaveTheOldFileAndNoTemporary) {
  const std::string dir = testtmp::makeDir("atomic");
  const std::string path = dir + "/a.bin";
  std::ofstream(path) << "old";
  const std::vector<char> big(64 * 1024, 'x');
  {
    // Fails in write (past the stream's buffer) and in commit (the flush of
    // the last buffered bytes).
    FileSizeLimit limit(10000);
    for (const size_t size : {big.size(), size_t{12000}}) {
      AtomicFile file;
      ASSERT_TRUE(file.open(path)) << file.error();
      const bool written = file.write(big.data(), size) && file.commit();
      EXPECT_FALSE(written) << size;
      EXPECT_EQ("File too large", file.error()) << size;
    }
  }
  EXPECT_EQ("old", readAll(path));
  EXPECT_EQ(std::vector<std::string>{"a.bin"}, listing(dir));
}

TEST(AtomicFile, UnwritableFolderIsReportedAtOpen) {
  AtomicFile file;
  EXPECT_FALSE(file.open("/nonexistent-folder/a.bin"));
  EXPECT_EQ("No such file or directory", file.error());
  EXPECT_FALSE(file.commit());
}

TEST(AtomicFile, PngCutShortIsAnErrorAndNoFile) {
  const std::string dir = testtmp::makeDir("atomic");
  // Noise does not compress: the PNG is larger than the limit.
  std::vector<unsigned char> pixels(200 * 100 * 3);
  unsigned state = 1;
  for (unsigned char& p : pixels) p = static_cast<unsigned char>((state = state * 1103515245u + 12345u) >> 24);
  bool written = true;
  testing::internal::CaptureStderr();
  {
    FileSizeLimit limit(20000);
    written = writePng(dir + "/cut.png", 200, 100, pixels);
  }
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(written);
  EXPECT_NE(std::string::npos, err.find("ERROR: cannot write '" + dir + "/cut.png': File too large")) << err;
  EXPECT_TRUE(listing(dir).empty());

  ASSERT_TRUE(writePng(dir + "/whole.png", 200, 100, pixels));
  EXPECT_GT(std::filesystem::file_size(dir + "/whole.png"), 20000u);
  EXPECT_EQ(std::vector<std::string>{"whole.png"}, listing(dir));
}

// DevIL counts the bytes it wrote through a one-byte boolean, so a PNG of
// 256 x k bytes once came back as a failed write and the picture was lost.
// Small noise images of slowly growing size cross such sizes; every one must
// be written whole.
TEST(AtomicFile, EveryPngSizeIsWritten) {
  const std::string dir = testtmp::makeDir("pngsizes");
  unsigned state = 7;
  int multiplesOf256 = 0;
  for (int side = 8; side < 40 && multiplesOf256 < 2; ++side) {
    for (int row = 1; row <= side && multiplesOf256 < 2; ++row) {
      std::vector<unsigned char> pixels(static_cast<size_t>(side) * row * 3);
      for (unsigned char& p : pixels) p = static_cast<unsigned char>((state = state * 1103515245u + 12345u) >> 24);
      const std::string path = dir + "/p.png";
      ASSERT_TRUE(writePng(path, side, row, pixels)) << side << " x " << row;
      const auto size = std::filesystem::file_size(path);
      if (size % 256 == 0) ++multiplesOf256;
    }
  }
  EXPECT_EQ(2, multiplesOf256) << "no PNG size a multiple of 256 was tried";
}

}  // namespace

// Bad sources stop the generator before it writes anything.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "tools/assetgen/generate.h"

namespace fs = std::filesystem;

namespace {
const char* font = "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf";

fs::path freshFolder(const char* name) {
  const fs::path dir = fs::temp_directory_path() / (std::string("assetgen_") + name + "_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  return dir;
}
}  // namespace

TEST(AssetgenSources, MissingSourceIsNamedAndNothingIsWritten) {
  const fs::path out = freshFolder("missing");
  std::vector<std::string> written, errors;
  EXPECT_FALSE(generateAssets(out / "run", {"/nonexistent/earth.jpg", "/nonexistent/night.jpg", font, ""}, written, errors));
  ASSERT_EQ(errors.size(), 2u);  // every missing file is named, not just the first
  EXPECT_EQ(errors[0], "source file missing: /nonexistent/earth.jpg");
  EXPECT_EQ(errors[1], "source file missing: /nonexistent/night.jpg");
  EXPECT_TRUE(written.empty());
  EXPECT_FALSE(fs::exists(out / "run"));
}

TEST(AssetgenSources, UndecodableImageIsReportedBeforeAnyOutput) {
  const fs::path dir = freshFolder("broken");
  fs::create_directories(dir);
  const fs::path broken = dir / "earth.jpg";
  std::ofstream(broken) << "not a picture";
  std::vector<std::string> written, errors;
  EXPECT_FALSE(generateAssets(dir / "run", {broken.string(), broken.string(), font, ""}, written, errors));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find(broken.string()), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "run"));
  fs::remove_all(dir);
}

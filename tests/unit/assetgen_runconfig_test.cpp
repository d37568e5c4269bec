// The written config.ini reads back as the settings table: every key, in
// table order, at its default.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "base/configfile.h"
#include "tools/assetgen/runconfig.h"

TEST(AssetgenRunConfig, ReadsBackAsTheTable) {
  char name[] = "/tmp/orbisk-runconfig-XXXXXX";
  const int fd = mkstemp(name);
  ASSERT_GE(fd, 0);
  close(fd);
  std::ofstream(name, std::ios::binary) << runConfigText();
  ConfigFile file;
  testing::internal::CaptureStdout();
  const bool read = file.read(name);
  testing::internal::GetCapturedStdout();
  std::remove(name);
  ASSERT_TRUE(read);
  size_t line = 0;
  for (const config::Key& key : config::keys) {
    if (!key.shipped) continue;
    ASSERT_LT(line, file.keys.size());
    EXPECT_EQ(file.keys[line], key.name);
    EXPECT_EQ(file.values[line], key.defaultValue) << key.name;
    ++line;
  }
  EXPECT_EQ(line, file.keys.size());
}

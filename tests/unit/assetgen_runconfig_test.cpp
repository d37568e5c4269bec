// The written config.ini reads back as the settings table: every key, in
// table order, at its default.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "app/configfile.h"
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
  ASSERT_EQ(file.keys.size(), static_cast<size_t>(config::keyCount));
  for (int i = 0; i < config::keyCount; ++i) {
    EXPECT_EQ(file.keys[i], config::keys[i].name);
    EXPECT_EQ(file.values[i], config::keys[i].defaultValue) << config::keys[i].name;
  }
}

// The run-time folder's config.ini holds every setting at its default and
// nothing else.
#include <gtest/gtest.h>

#include "app/configfile.h"

TEST(AssetgenRunConfig, EveryKeyAtItsDefaultAndNothingElse) {
  ConfigFile file;
  ASSERT_TRUE(file.read(ORBISK_SOURCE_DIR "/data/config.ini"));
  ASSERT_EQ(file.keys.size(), static_cast<size_t>(config::keyCount));
  for (int i = 0; i < config::keyCount; ++i) {
    EXPECT_EQ(file.keys[i], config::keys[i].name);
    EXPECT_EQ(file.values[i], config::keys[i].defaultValue) << config::keys[i].name;
  }
}

#include "tools/assetgen/runconfig.h"

#include "base/configfile.h"

std::string runConfigText() {
  std::string text;
  for (const config::Key& key : config::keys)
    if (key.shipped) text += std::string(key.name) + " " + key.defaultValue + "\n";
  return text;
}

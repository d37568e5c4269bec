#include "app/configfile.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

ConfigFile configFile;

ConfigFile getConfigFile() { return configFile; }

bool ConfigFile::read(const char* fileName) {
  if (fileName == nullptr) return false;
  std::error_code error;
  const auto type = std::filesystem::status(fileName, error).type();
  // A directory or a device (/dev/zero) is not a configuration file.
  const bool readable = !error && type != std::filesystem::file_type::directory &&
                        type != std::filesystem::file_type::character && type != std::filesystem::file_type::block;
  std::ifstream file;
  if (readable) file.open(fileName);
  if (!file.is_open()) {
    std::cerr << "ERROR: Could not read file '" << fileName << "'!" << std::endl;
    return false;
  }
  std::string key, value;
  while (file >> key && file >> value) {
    keys.push_back(key);
    values.push_back(value);
    std::cout << "DEBUG: key: " << key << "  | value: " << value << std::endl;
  }
  return true;
}

namespace config {
const Key keys[] = {
    {"width", "int", "1024"},
    {"height", "int", "768"},
    {"keyPressSpeed", "float", "6.0"},
    {"mouseSpeed", "float", "3.0"},
    {"invertMouseX", "bool", "0"},
    {"invertMouseY", "bool", "0"},
    {"enableAnisotropicFilteringOverridecheck", "int", "0"},
    {"earthFilename", "string", "models\\earth.obj"},
    {"earthVShader", "string", "vShaderIndexedShading.glsl"},
    {"earthFShader", "string", "fShaderIndexedShading.glsl"},
    {"moonFilename", "string", "models\\moon.obj"},
    {"moonVShader", "string", "vShaderIndexedShading.glsl"},
    {"moonFShader", "string", "fShaderIndexedShading.glsl"},
    {"missileFilename", "string", "models\\missile.obj"},
    {"missileVShader", "string", "vShaderIndexedShading.glsl"},
    {"missileFShader", "string", "fShaderIndexedShading.glsl"},
    {"atmosphereFilename", "string", "models\\atmosphere.obj"},
    {"atmosphereVShader", "string", "vShaderIndexedShading.glsl"},
    {"atmosphereFShader", "string", "fShaderIndexedAtmosphere.glsl"},
    {"atmosphereFShaderFinal", "string", "fShaderIndexedAtmosFinal.glsl"},
    {"shadowModelFilename", "string", "models\\shadowCone.obj"},
    {"eyePathFilename", "string", "models\\eyePath.obj"},
    {"lookAtPathFilename", "string", "models\\lookAtPath.obj"},
};
const int keyCount = static_cast<int>(sizeof(keys) / sizeof(keys[0]));

const char* defaultOf(const char* name) {
  for (const Key& k : keys)
    if (strcmp(k.name, name) == 0) return k.defaultValue;
  return "";
}
}  // namespace config

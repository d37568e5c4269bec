#include "gpu/texturefiltering.h"

#include <GL/glew.h>

#include <cctype>
#include <cstdio>

#include "base/configfile.h"

namespace {

bool containsIgnoringCase(std::string_view text, std::string_view word) {
  if (word.size() > text.size()) return false;
  for (size_t i = 0; i + word.size() <= text.size(); ++i) {
    size_t j = 0;
    while (j < word.size() && std::tolower(static_cast<unsigned char>(text[i + j])) == word[j]) ++j;
    if (j == word.size()) return true;
  }
  return false;
}

}  // namespace

bool isSoftwareRenderer(std::string_view renderer) {
  // Lower case. "software" also covers "Apple Software Renderer", "Microsoft
  // Basic Render Driver" is Windows' fallback, "GDI Generic" its GL 1.1.
  static constexpr std::string_view kWords[] = {"llvmpipe", "softpipe",   "swiftshader",         "swrast",
                                                "software", "lavapipe",   "microsoft basic render", "gdi generic"};
  for (std::string_view word : kWords)
    if (containsIgnoringCase(renderer, word)) return true;
  return false;
}

TextureFilteringChoice chooseTextureFiltering(std::string_view setting, std::string_view renderer) {
  TextureFilteringChoice choice;
  const std::string_view autoWord = kTextureFilteringWords[0], unitWord = kTextureFilteringWords[1],
                         shaderWord = kTextureFilteringWords[2];
  if (setting == unitWord || setting == shaderWord) {
    choice.filtering = setting == unitWord ? TextureFiltering::Unit : TextureFiltering::Shader;
    choice.reason = "textureFiltering = " + std::string(setting) + " in config.ini";
    return choice;
  }
  if (setting != autoWord)
    choice.warning = "WARNING: config.ini: textureFiltering '" + std::string(setting) + "' is not auto, unit or shader; auto serves";
  const std::string name = renderer.empty() ? std::string("unknown") : std::string(renderer);
  if (isSoftwareRenderer(renderer)) {
    choice.filtering = TextureFiltering::Shader;
    choice.reason = "software renderer " + name;
  } else {
    choice.filtering = TextureFiltering::Unit;
    choice.reason = "hardware renderer " + name;
  }
  return choice;
}

TextureFiltering applyTextureFiltering(const ConfigFile& config) {
  const std::string setting = config.setting<std::string>("textureFiltering");
  const GLubyte* renderer = glGetString(GL_RENDERER);
  const TextureFilteringChoice choice =
      chooseTextureFiltering(setting, renderer ? reinterpret_cast<const char*>(renderer) : "");
  if (!choice.warning.empty()) fprintf(stderr, "%s\n", choice.warning.c_str());
  const bool unit = choice.filtering == TextureFiltering::Unit;
  printf("DEBUG: texture filtering: %s (%s)\n", unit ? "texture unit" : "texel fetches in the shader",
         choice.reason.c_str());
  return choice.filtering;
}

std::string textureFilteringDefines(TextureFiltering filtering) {
  return filtering == TextureFiltering::Unit ? "#define TEXTURE_UNIT_FILTERING 1\n" : "";
}

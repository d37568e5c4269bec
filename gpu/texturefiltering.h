// Who filters the scene's textures. The texture unit (mipmaps plus the
// anisotropy the DDS loader sets) is right on hardware; on software
// rasterisers a trilinear filter built from texel fetches costs a fraction
// of the unit's. Chosen once at start-up; the scene's programs are built
// with the choice's defines.
#pragma once
#include <string>
#include <string_view>

class ConfigFile;

enum class TextureFiltering { Unit, Shader };

// True for renderer strings of software rasterisers (llvmpipe, softpipe,
// SwiftShader, Microsoft's and Apple's software renderers, ...).
bool isSoftwareRenderer(std::string_view renderer);

struct TextureFilteringChoice {
  TextureFiltering filtering = TextureFiltering::Unit;
  std::string reason;   // for the console line
  std::string warning;  // non-empty when the setting was not understood
};

// The words the textureFiltering key takes: "auto" first, then one for each path.
inline constexpr std::string_view kTextureFilteringWords[] = {"auto", "unit", "shader"};

// setting: the textureFiltering key, one of kTextureFilteringWords; anything
// else is warned about and taken as "auto".
TextureFilteringChoice chooseTextureFiltering(std::string_view setting, std::string_view renderer);

// Reads the key and the current context's renderer and prints the choice.
TextureFiltering applyTextureFiltering(const ConfigFile& config);

// The lines the programs whose shaders test TEXTURE_UNIT_FILTERING are built
// with for a choice.
std::string textureFilteringDefines(TextureFiltering filtering);
// Every choice, so that a checker builds each path the program can take.
inline constexpr TextureFiltering kTextureFilteringPaths[] = {TextureFiltering::Shader, TextureFiltering::Unit};

// Which filter the scene shaders use, from the setting and the renderer.
#include "gpu/texturefiltering.h"

#include <gtest/gtest.h>

namespace {

TEST(TextureFiltering, SoftwareRenderersAreKnownByName) {
  struct Case {
    const char* renderer;
    bool software;
  };
  const Case cases[] = {
      {"llvmpipe (LLVM 15.0.6, 256 bits)", true},
      {"softpipe", true},
      {"Google SwiftShader", true},
      {"ANGLE (Google, Vulkan 1.3.0 (SwiftShader Device (Subzero)), SwiftShader driver)", true},
      {"Mesa X11 swrast", true},
      {"Apple Software Renderer", true},
      {"Microsoft Basic Render Driver", true},
      {"GDI Generic", true},
      {"LLVMPIPE", true},
      {"NVIDIA GeForce RTX 3060/PCIe/SSE2", false},
      {"AMD Radeon RX 6700 XT (navi22, LLVM 15.0.6, DRM 3.49, 6.1.0-13-amd64)", false},
      {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", false},
      {"Apple M1", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.software, isSoftwareRenderer(c.renderer)) << c.renderer;
}

TEST(TextureFiltering, TheSettingOverridesTheRenderer) {
  struct Case {
    const char* setting;
    const char* renderer;
    TextureFiltering expected;
    bool warned;
  };
  const Case cases[] = {
      {"auto", "llvmpipe (LLVM 15.0.6, 256 bits)", TextureFiltering::Shader, false},
      {"auto", "NVIDIA GeForce RTX 3060/PCIe/SSE2", TextureFiltering::Unit, false},
      {"unit", "llvmpipe (LLVM 15.0.6, 256 bits)", TextureFiltering::Unit, false},
      {"shader", "NVIDIA GeForce RTX 3060/PCIe/SSE2", TextureFiltering::Shader, false},
      {"Shader", "llvmpipe", TextureFiltering::Shader, true},  // not understood: auto
      {"", "NVIDIA GeForce RTX 3060/PCIe/SSE2", TextureFiltering::Unit, true},
  };
  for (const Case& c : cases) {
    const TextureFilteringChoice choice = chooseTextureFiltering(c.setting, c.renderer);
    EXPECT_EQ(c.expected, choice.filtering) << c.setting << " on " << c.renderer;
    EXPECT_EQ(c.warned, !choice.warning.empty()) << c.setting;
    if (c.warned) {
      EXPECT_EQ(choice.warning.rfind("WARNING: config.ini: textureFiltering '", 0), 0u) << choice.warning;
    }
    EXPECT_FALSE(choice.reason.empty());
  }
}

}  // namespace

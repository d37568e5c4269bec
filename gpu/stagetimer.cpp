#include "gpu/stagetimer.h"

const StageRecorder* stageRecorder = nullptr;

const char* frameStageName(FrameStage stage) {
  switch (stage) {
    case FrameStage::EnvironmentCube: return "environment_cube";
    case FrameStage::ShadowCone: return "shadow_cone";
    case FrameStage::PlanetColour: return "planet_colour";
    case FrameStage::AtmosphereDepth: return "atmosphere_depth";
    case FrameStage::AtmosphereComposite: return "atmosphere_composite";
    case FrameStage::ListedObjects: return "listed_objects";
    case FrameStage::SunGlow: return "sun_glow";
    case FrameStage::FinalComposite: return "final_composite";
    case FrameStage::BufferSwap: return "buffer_swap";
  }
  return "unknown";
}

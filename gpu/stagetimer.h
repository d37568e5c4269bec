// Hooks around the stages of a frame, for measuring where the time goes. They
// cost one test of a null pointer unless a benchmark installs a recorder.
#pragma once

enum class FrameStage {
  EnvironmentCube,
  ShadowCone,
  PlanetColour,
  AtmosphereDepth,
  AtmosphereComposite,
  ListedObjects,
  SunGlow,
  FinalComposite,
  BufferSwap,
};
constexpr int kFrameStageCount = 9;

// The name a stage is reported under ("environment_cube", ...).
const char* frameStageName(FrameStage stage);

// Receives the begin and end of every stage. Stages never nest: each begin is
// followed by the end of the same stage before the next begin.
struct StageRecorder {
  void (*begin)(void* context, FrameStage stage) = nullptr;
  void (*end)(void* context, FrameStage stage) = nullptr;
  void* context = nullptr;
};

// Installed by a benchmark; null (the normal case) records nothing.
extern const StageRecorder* stageRecorder;

inline void stageBegin(FrameStage stage) {
  if (stageRecorder != nullptr) stageRecorder->begin(stageRecorder->context, stage);
}
inline void stageEnd(FrameStage stage) {
  if (stageRecorder != nullptr) stageRecorder->end(stageRecorder->context, stage);
}

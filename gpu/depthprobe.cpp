#include "gpu/depthprobe.h"

#include <GL/glew.h>

#include <cstdio>

float unpackDepth24(unsigned char r, unsigned char g, unsigned char b) {
  const unsigned v = (static_cast<unsigned>(r) << 16) | (static_cast<unsigned>(g) << 8) | b;
  return static_cast<float>(static_cast<double>(v) / 16777215.0);
}

#ifndef __EMSCRIPTEN__

float readDepthAt(DepthProbe&, int x, int y) {
  GLfloat depth = 1.0f;
  glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  return depth;
}

void releaseDepthProbe(DepthProbe&) {}

#else

namespace {

// One point at the centre of a 1 x 1 target; the depth sample is packed
// 8 bits a channel so that RGBA8 carries all 24 bits.
const char* kVertex = R"(#version 300 es
void main() { gl_Position = vec4(0.0, 0.0, 0.0, 1.0); gl_PointSize = 1.0; }
)";
const char* kFragment = R"(#version 300 es
precision highp float;
precision highp int;
uniform highp sampler2D depthSample;
out vec4 colour;
void main() {
  // round(), not + 0.5: 16777215.5 is no float and would round up to 2^24.
  highp uint v = min(uint(round(texelFetch(depthSample, ivec2(0, 0), 0).r * 16777215.0)), 16777215u);
  colour = vec4(float(v >> 16u), float((v >> 8u) & 255u), float(v & 255u), 255.0) / 255.0;
}
)";

GLuint compile(GLenum type, const char* source) {
  GLuint shader = glCreateShader(type);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  return shader;
}

GLuint makeTarget(GLuint& texture, GLenum internalFormat, GLenum format, GLenum type, GLenum attachment) {
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, 1, 1, 0, format, type, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  GLuint framebuffer = 0;
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, attachment, GL_TEXTURE_2D, texture, 0);
  return framebuffer;
}

bool makeProbe(DepthProbe& probe) {
  probe.depthFramebuffer = makeTarget(probe.depthTexture, GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT,
                                      GL_UNSIGNED_INT, GL_DEPTH_ATTACHMENT);
  const GLenum none = GL_NONE;
  glDrawBuffers(1, &none);
  bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  probe.colourFramebuffer = makeTarget(probe.colourTexture, GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, GL_COLOR_ATTACHMENT0);
  complete = complete && glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  const GLuint vertex = compile(GL_VERTEX_SHADER, kVertex), fragment = compile(GL_FRAGMENT_SHADER, kFragment);
  probe.program = glCreateProgram();
  glAttachShader(probe.program, vertex);
  glAttachShader(probe.program, fragment);
  glLinkProgram(probe.program);
  glDeleteShader(vertex);
  glDeleteShader(fragment);
  GLint linked = GL_FALSE;
  glGetProgramiv(probe.program, GL_LINK_STATUS, &linked);
  if (!complete || linked != GL_TRUE) {
    fprintf(stderr, "ERROR: the sun glow's depth probe could not be made; the glow is never hidden\n");
    return false;
  }
  return true;
}

}  // namespace

float readDepthAt(DepthProbe& probe, int x, int y) {
  if (probe.failed) return 1.0f;
  GLint drawFramebuffer = 0, readFramebuffer = 0, program = 0, activeTexture = 0, texture = 0, viewport[4];
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer);
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  glGetIntegerv(GL_ACTIVE_TEXTURE, &activeTexture);
  glGetIntegerv(GL_VIEWPORT, viewport);
  glActiveTexture(GL_TEXTURE0);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
  const GLboolean depthTest = glIsEnabled(GL_DEPTH_TEST), blend = glIsEnabled(GL_BLEND),
                  cull = glIsEnabled(GL_CULL_FACE);

  if (probe.program == 0 && !makeProbe(probe)) probe.failed = true;
  float depth = 1.0f;
  if (!probe.failed) {
    // Depth blits copy exactly (same format, no scaling).
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(drawFramebuffer));
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, probe.depthFramebuffer);
    glBlitFramebuffer(x, y, x + 1, y + 1, 0, 0, 1, 1, GL_DEPTH_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, probe.colourFramebuffer);
    glViewport(0, 0, 1, 1);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glUseProgram(probe.program);
    glBindTexture(GL_TEXTURE_2D, probe.depthTexture);
    glUniform1i(glGetUniformLocation(probe.program, "depthSample"), 0);
    glDrawArrays(GL_POINTS, 0, 1);
    unsigned char rgba[4] = {255, 255, 255, 255};
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    depth = unpackDepth24(rgba[0], rgba[1], rgba[2]);
  }

  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
  glActiveTexture(static_cast<GLenum>(activeTexture));
  glUseProgram(static_cast<GLuint>(program));
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
  if (depthTest) glEnable(GL_DEPTH_TEST);
  if (blend) glEnable(GL_BLEND);
  if (cull) glEnable(GL_CULL_FACE);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(drawFramebuffer));
  glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer));
  return depth;
}

void releaseDepthProbe(DepthProbe& probe) {
  glDeleteFramebuffers(1, &probe.depthFramebuffer);
  glDeleteFramebuffers(1, &probe.colourFramebuffer);
  glDeleteTextures(1, &probe.depthTexture);
  glDeleteTextures(1, &probe.colourTexture);
  glDeleteProgram(probe.program);
  probe = DepthProbe();
}

#endif

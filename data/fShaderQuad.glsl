#version 330 core
// The average of the sixteen depth-of-field images.
in vec2 UV;

uniform sampler2D diffuseTexture;
uniform sampler2D DOFTexture1;
uniform sampler2D DOFTexture2;
uniform sampler2D DOFTexture3;
uniform sampler2D DOFTexture4;
uniform sampler2D DOFTexture5;
uniform sampler2D DOFTexture6;
uniform sampler2D DOFTexture7;
uniform sampler2D DOFTexture8;
uniform sampler2D DOFTexture9;
uniform sampler2D DOFTextureA;
uniform sampler2D DOFTextureB;
uniform sampler2D DOFTextureC;
uniform sampler2D DOFTextureD;
uniform sampler2D DOFTextureE;
uniform sampler2D DOFTextureF;
uniform int DOFSamples;

out vec3 color;

void main() {
  vec3 sum = texture(diffuseTexture, UV).rgb + texture(DOFTexture1, UV).rgb + texture(DOFTexture2, UV).rgb +
             texture(DOFTexture3, UV).rgb + texture(DOFTexture4, UV).rgb + texture(DOFTexture5, UV).rgb +
             texture(DOFTexture6, UV).rgb + texture(DOFTexture7, UV).rgb + texture(DOFTexture8, UV).rgb +
             texture(DOFTexture9, UV).rgb + texture(DOFTextureA, UV).rgb + texture(DOFTextureB, UV).rgb +
             texture(DOFTextureC, UV).rgb + texture(DOFTextureD, UV).rgb + texture(DOFTextureE, UV).rgb +
             texture(DOFTextureF, UV).rgb;
  color = sum / float(max(DOFSamples, 1));
}

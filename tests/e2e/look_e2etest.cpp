// The picture itself, through orbisk-shot: measured properties of small
// renders (lit against night side, the blue limb, the warm terminator, city
// lights, the ocean glint, depth of field), never hashes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <string>

#include "tests/e2e/e2e.h"
#include "tests/e2e/fulldisk.h"

namespace {

const std::string kShot = ORBISK_BUILD_DIR "/orbisk-shot";
const glm::vec3 kSun = glm::normalize(glm::vec3(1.0f, 1.0f, 1.0f));
constexpr int kW = 320, kH = 240;

class Look : public e2e::SharedDisplaySuite {
 protected:
  // These pictures measure the air, the glint, the lights and the depth of
  // field over the bare ground, where the clouds would hide them; the clouds
  // and the relief have tests of their own.
  static void SetUpTestSuite() {
    SharedDisplaySuite::SetUpTestSuite();
    e2e::writeFile(*workDir + "/config.ini", e2e::readFile(ORBISK_RUN_DIR "/config.ini") + "clouds 0\nrelief 0\n");
  }
  static e2e::Shot shot(const std::string& args, const std::string& name) {
    return e2e::runShot(display, kShot, *workDir, args, name, 600);
  }

  // A picture of the scene from eye towards at, at the test size.
  static e2e::Image view(const glm::vec3& eye, const glm::vec3& at, const std::string& name,
                         const std::string& extra = "") {
    e2e::Shot r = shot("--eye " + vec(eye) + " --at " + vec(at) + " --size 320x240 --seed 7 " + extra, name);
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ(kW, r.image.width);
    EXPECT_EQ(kH, r.image.height);
    return r.image;
  }

  static std::string vec(const glm::vec3& v) {
    char buffer[96];
    snprintf(buffer, sizeof(buffer), "%.6f,%.6f,%.6f", v.x, v.y, v.z);
    return buffer;
  }
};

// Where a world point lands in a kW x kH picture taken from eye towards at
// (row 0 at the top), as the camera projects it.
glm::vec2 project(const glm::vec3& p, const glm::vec3& eye, const glm::vec3& at, float fov = 65.0f) {
  glm::mat4 vp = glm::perspective(glm::radians(fov), float(kW) / float(kH), 0.01f, 1.0e6f) *
                 glm::lookAt(eye, at, glm::vec3(0.0f, 1.0f, 0.0f));
  glm::vec4 c = vp * glm::vec4(p, 1.0f);
  return glm::vec2((c.x / c.w + 1.0f) * 0.5f * kW, (1.0f - c.y / c.w) * 0.5f * kH);
}

// Mean colour of the (2r+1)^2 pixels about a point.
glm::vec3 mean(const e2e::Image& image, glm::vec2 at, int r = 2) {
  glm::vec3 sum(0.0f);
  int n = 0;
  for (int y = int(at.y) - r; y <= int(at.y) + r; ++y)
    for (int x = int(at.x) - r; x <= int(at.x) + r; ++x) {
      if (x < 0 || y < 0 || x >= image.width || y >= image.height) continue;
      const uint8_t* p = image.at(x, y);
      sum += glm::vec3(p[0], p[1], p[2]);
      ++n;
    }
  return n ? sum / float(n) : sum;
}

float luma(const glm::vec3& c) { return 0.2126f * c.r + 0.7152f * c.g + 0.0722f * c.b; }

// A point on the Earth's surface (radius 1), or above it.
glm::vec3 onSphere(const glm::vec3& direction, float radius = 1.0f) { return glm::normalize(direction) * radius; }

// A unit vector at right angles to the sun, pointing towards +z's side.
glm::vec3 acrossSun() { return glm::normalize(glm::cross(kSun, glm::vec3(1.0f, -1.0f, 0.0f))); }

TEST_F(Look, LitSideIsBrighterThanNightSide) {
  // Looking at the Earth from the side: the terminator crosses the disc.
  const glm::vec3 side = acrossSun(), eye = side * 3.5f;
  e2e::Image image = view(eye, glm::vec3(0.0f), "sides");
  ASSERT_FALSE(image.rgb.empty());
  const glm::vec3 day = mean(image, project(onSphere(side + kSun), eye, glm::vec3(0.0f)), 4);
  const glm::vec3 night = mean(image, project(onSphere(side - kSun), eye, glm::vec3(0.0f)), 4);
  EXPECT_GT(luma(day), 40.0f);
  EXPECT_GT(luma(day), 4.0f * luma(night) + 5.0f) << "day " << luma(day) << " night " << luma(night);
}

TEST_F(Look, BlueLimbOnTheDaySideThinsIntoBlack) {
  // Half lit from the side: the limb towards the sun is in daylight.
  const glm::vec3 side = acrossSun(), eye = side * 3.5f;
  e2e::Image image = view(eye, glm::vec3(0.0f), "limb");
  ASSERT_FALSE(image.rgb.empty());
  // Just outside the disc on the sun's side, then farther out in the shell.
  const glm::vec3 outward = glm::normalize(kSun - side * glm::dot(kSun, side));
  auto limbPixel = [&](float altitude) {
    // The ray that grazes the sphere of this radius, seen from the eye.
    float r = 1.0f + altitude, d = 3.5f;
    glm::vec3 tangentPoint = side * (r * r / d) + outward * (r * std::sqrt(1.0f - r * r / (d * d)));
    return project(tangentPoint, eye, glm::vec3(0.0f));
  };
  int blueRing = 0;
  for (float a : {0.006f, 0.01f, 0.015f}) {
    glm::vec3 c = mean(image, limbPixel(a), 0);
    if (c.b > c.r + 8.0f && c.b >= c.g && luma(c) > 25.0f) ++blueRing;
  }
  EXPECT_GE(blueRing, 2) << "no blue-dominated limb just outside the disc";
  const glm::vec3 inner = mean(image, limbPixel(0.01f), 1), outer = mean(image, limbPixel(0.065f), 1);
  EXPECT_LT(luma(outer) * 3.0f, luma(inner)) << "the limb does not fade out towards the shell";
}

TEST_F(Look, TerminatorIsWarmerThanTheSubSolarPoint) {
  // After 8000 steps the Atlantic lies under the sun: ocean at both places.
  const glm::vec3 west = -glm::normalize(glm::cross(glm::vec3(0.0f, 1.0f, 0.0f), kSun));
  const glm::vec3 terminator = glm::normalize(kSun * 0.06f + west);
  const glm::vec3 eye = glm::normalize(kSun + terminator) * 3.2f;
  e2e::Image image = view(eye, glm::vec3(0.0f), "terminator", "--steps 8000");
  ASSERT_FALSE(image.rgb.empty());
  const glm::vec3 subSolar = mean(image, project(kSun, eye, glm::vec3(0.0f)), 3);
  // Along the terminator's line, a little to each side of the chosen point.
  const glm::vec3 along = glm::normalize(glm::cross(kSun, terminator));
  float warmth = 0.0f;
  for (float s : {-0.15f, 0.0f, 0.15f}) {
    glm::vec3 c = mean(image, project(onSphere(terminator + along * s), eye, glm::vec3(0.0f)), 2);
    warmth += (c.r + 1.0f) / (c.b + 1.0f) / 3.0f;
  }
  const float subSolarWarmth = (subSolar.r + 1.0f) / (subSolar.b + 1.0f);
  EXPECT_GT(warmth, subSolarWarmth * 1.15f) << "terminator R/B " << warmth << ", sub-solar R/B " << subSolarWarmth;
}

TEST_F(Look, CityLightsShineOnTheNightSide) {
  // Europe and Asia turned away from the sun.
  const glm::vec3 eye(-1.7f, 1.4f, -1.8f);
  e2e::Image image = view(eye, glm::vec3(0.0f), "cities", "--steps 17120");
  ASSERT_FALSE(image.rgb.empty());
  const glm::mat4 inv = glm::inverse(glm::perspective(glm::radians(65.0f), float(kW) / kH, 0.01f, 1.0e6f) *
                                     glm::lookAt(eye, glm::vec3(0.0f), glm::vec3(0.0f, 1.0f, 0.0f)));
  int lights = 0, dark = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      // Only pixels whose ray meets the Earth's night side.
      glm::vec4 far = inv * glm::vec4((x + 0.5f) / kW * 2.0f - 1.0f, 1.0f - (y + 0.5f) / kH * 2.0f, 0.0f, 1.0f);
      glm::vec3 d = glm::normalize(glm::vec3(far) / far.w - eye);
      float b = glm::dot(eye, d), disc = b * b - (glm::dot(eye, eye) - 1.0f);
      if (disc <= 0.0f) continue;
      const glm::vec3 hit = eye + d * (-b - std::sqrt(disc));
      if (glm::dot(hit, kSun) > -0.3f) continue;
      ++dark;
      const uint8_t* p = image.at(x, y);
      if (p[0] > 60 && p[0] >= p[2] + 10) ++lights;
    }
  ASSERT_GT(dark, 2000) << "the view shows too little of the night side";
  EXPECT_GT(lights, 12) << "of " << dark << " night-side pixels";
  EXPECT_LT(lights, dark / 4) << "the night side is lit up";
}

// Star pixels in the sky well clear of the shell: points brighter than the
// black around them.
int starPixels(const e2e::Image& image, const glm::vec3& eye) {
  const glm::vec2 centre = project(glm::vec3(0.0f), eye, glm::vec3(0.0f));
  const glm::vec2 rim = project(glm::normalize(glm::cross(eye, glm::vec3(0, 1, 0))) * 1.3f, eye,
                                glm::vec3(0.0f));
  const float clear = glm::length(rim - centre);
  int stars = 0;
  for (int y = 1; y + 1 < image.height; ++y)
    for (int x = 1; x + 1 < image.width; ++x) {
      if (glm::length(glm::vec2(x, y) - centre) < clear) continue;
      if (luma(mean(image, glm::vec2(x, y), 0)) > 24.0f) ++stars;
    }
  return stars;
}

TEST_F(Look, StarsHideBesideTheSunlitDiscAndShineOverTheNightSide) {
  // The whole disc lit, then the whole disc dark, from as far: the exposure
  // follows the picture, and the stars with it.
  const glm::vec3 dayEye = kSun * 3.5f, nightEye = -kSun * 3.5f;
  e2e::Shot day = shot("--eye " + vec(dayEye) + " --at 0,0,0 --size 320x240 --seed 7 --passes 1", "stars-day");
  e2e::Shot night = shot("--eye " + vec(nightEye) + " --at 0,0,0 --size 320x240 --seed 7 --passes 1", "stars-night");
  ASSERT_EQ(0, day.status) << day.err;
  ASSERT_EQ(0, night.status) << night.err;
  EXPECT_NE(std::string::npos, day.out.find("exposure 1.00 auto")) << day.out;
  EXPECT_NE(std::string::npos, night.out.find("exposure 4.00 auto")) << night.out;
  EXPECT_EQ(starPixels(day.image, dayEye), 0) << "stars beside the sunlit disc";
  EXPECT_GT(starPixels(night.image, nightEye), 20) << "no stars over the night side";
}

TEST_F(Look, OceanGlintsAtTheMirrorAngleAndLandDoesNot) {
  // One surface point seen twice from the same height above its horizon:
  // once along the sun's mirror direction, once turned 90 degrees about its
  // normal. Lambert light and haze barely change; only a glint does.
  const glm::vec3 p = glm::normalize(glm::vec3(0.678f, 0.399f, 0.608f));
  const glm::vec3 mirror = 2.0f * glm::dot(p, kSun) * p - kSun;
  const glm::vec3 turned = glm::dot(p, mirror) * p + glm::cross(p, mirror);
  auto centre = [](const e2e::Image& image) {
    return std::pow(luma(mean(image, glm::vec2(kW / 2, kH / 2), 2)) / 255.0f, 2.2f);
  };
  auto glint = [&](const std::string& steps, const std::string& name) {
    const float atMirror = centre(view(p + mirror * 2.0f, p, name + "-mirror", steps));
    const float offMirror = centre(view(p + turned * 2.0f, p, name + "-turned", steps));
    return atMirror / std::max(offMirror, 1e-3f);
  };
  // 8000 steps put the Atlantic under the point, 2650 the Sahara.
  const float ocean = glint("--steps 8000", "ocean");
  const float land = glint("--steps 2650", "land");
  EXPECT_GT(ocean, 2.0f) << "no glint over the ocean";
  EXPECT_LT(land, 1.05f) << "land glints like water";
}

// Width in pixels over which a row's brightness goes from 90% to 10% of the
// way between the inside and outside levels, scanning right from x0.
int edgeWidth(const e2e::Image& image, int row, int x0, int x1) {
  std::vector<float> l;
  for (int x = x0; x <= x1; ++x) l.push_back(luma(mean(image, glm::vec2(x, row), 0)));
  const float inside = l.front(), outside = l.back();
  int first = -1, last = -1;
  for (size_t i = 0; i < l.size(); ++i) {
    float f = (l[i] - outside) / std::max(inside - outside, 1.0f);
    if (first < 0 && f < 0.9f) first = int(i);
    if (last < 0 && f < 0.1f) last = int(i);
  }
  return (first < 0 || last < 0) ? -1 : last - first;
}

TEST_F(Look, DepthOfFieldBlursWhatIsOffTheFocusPlane) {
  // The full Moon, 1.5 from the eye, seen from the sun's side.
  const glm::vec3 moonCentre(6.0f, 0.0f, 0.0f);
  const glm::vec3 eye = moonCentre + glm::normalize(glm::vec3(1.0f, 0.6f, 1.0f)) * 1.5f;
  const glm::vec3 dir = glm::normalize(moonCentre - eye);
  e2e::Image sharp = view(eye, moonCentre, "focus-moon");
  e2e::Image blurred = view(eye, eye + dir * 100.0f, "focus-far");
  ASSERT_FALSE(sharp.rgb.empty());
  ASSERT_FALSE(blurred.rgb.empty());
  // The Moon's right edge on the middle row, its limb about 38 px from the
  // centre. The scan starts 10 px inside the limb, past the maria of the
  // disc's middle, whose dark would pass for the edge.
  const int sharpWidth = edgeWidth(sharp, kH / 2, kW / 2 + 28, kW / 2 + 70);
  const int blurredWidth = edgeWidth(blurred, kH / 2, kW / 2 + 28, kW / 2 + 70);
  ASSERT_GE(sharpWidth, 0);
  ASSERT_GE(blurredWidth, 0);
  EXPECT_LE(sharpWidth, 3) << "the look-at point is not sharp";
  EXPECT_GE(blurredWidth, sharpWidth + 4) << "the Moon off the focus plane is not blurred";
}

TEST_F(Look, MoonShowsThroughTheThinAirButNotThroughTheEarth) {
  // 4800 steps take the Moon half round its orbit, to (-6, 0, 0), its lit
  // side towards +x. From here its centre lies just beyond the Earth's disc,
  // inside the atmosphere shell's.
  const glm::vec3 eye(20.0f, 0.0f, 4.5f), moonCentre(-6.0f, 0.0f, 0.0f);
  e2e::Image image = view(eye, glm::vec3(0.0f), "moon-behind", "--steps 4800");
  ASSERT_FALSE(image.rgb.empty());
  const glm::vec3 throughAir = mean(image, project(moonCentre, eye, glm::vec3(0.0f)), 0);
  EXPECT_GT(luma(throughAir), 70.0f) << "the Moon is hidden behind the thin air";
  // The same direction turned 0.3 degrees towards the Earth's centre is on
  // the Earth's disc: the Moon behind it must not show.
  const glm::vec3 toMoon = glm::normalize(moonCentre - eye), toEarth = glm::normalize(-eye);
  const glm::vec3 onDisc = eye + glm::normalize(toMoon + (toEarth - toMoon) * 0.105f) * 20.0f;
  const glm::vec3 earth = mean(image, project(onDisc, eye, glm::vec3(0.0f)), 0);
  EXPECT_GT(earth.b, earth.r + 10.0f) << "the Moon shows through the Earth";
}

TEST_F(Look, SameSeedSamePicture) {
  const std::string args = "--eye 0,0.4,2.6 --at 0,0,0 --size 96x64 --seed 11";
  e2e::Shot a = shot(args, "seed-a"), b = shot(args, "seed-b");
  ASSERT_EQ(0, a.status) << a.err;
  ASSERT_EQ(0, b.status) << b.err;
  EXPECT_EQ(96, a.image.width);
  EXPECT_EQ(64, a.image.height);
  EXPECT_TRUE(a.image.rgb == b.image.rgb);
  // The tool's own lines; the program's are held back without --verbose.
  EXPECT_NE(std::string::npos, a.out.find("wrote ")) << a.out;
  EXPECT_EQ(std::string::npos, a.out.find("starting game loop!")) << a.out;
}

TEST_F(Look, BadArgumentsGetOneLineAndStatus2) {
  for (const std::string args : {"--eye 0,0,3", "--eye 0,0 --at 0,0,0", "--size 0x0 --path-time 1",
                                 "--eye 0,0,3 --at 0,0,0 --fov 200", "--bogus", "--path-time ''"}) {
    e2e::Shot r = shot(args, "bad");
    EXPECT_EQ(2, r.status) << args;
    EXPECT_NE(std::string::npos, r.err.find("\nsee --help\n")) << args;
    EXPECT_EQ(std::string::npos, r.err.find("usage: orbisk-shot")) << "one line, not the usage";
  }
}

TEST_F(Look, UnwritableOutputFailsBeforeRendering) {
  const std::string cmd = "cd '" + *workDir + "' && DISPLAY=" + display->name() + " " + kShot +
                          " --eye 0,0,3 --at 0,0,0 --out /nonexistent/x.png >unwritable.out 2>unwritable.err";
  int raw = system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(1, WEXITSTATUS(raw));
  EXPECT_NE(std::string::npos, e2e::readFile(*workDir + "/unwritable.err").find("ERROR: cannot write '/nonexistent/x.png'"));
  EXPECT_EQ(std::string::npos, e2e::readFile(*workDir + "/unwritable.out").find("starting game loop!"));
}

// A picture that does not fit is an error, and no file is left: neither an
// empty one under its name nor a temporary beside it.
TEST_F(Look, FullDiskIsAnErrorAndLeavesNoFile) {
  e2e::FullDisk disk(16 * 1024);
  if (!disk.ok()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  const std::string cmd = "cd '" + *workDir + "' && DISPLAY=" + display->name() + " " + kShot +
                          " --eye 0,0.4,2.6 --at 0,0,0 --size 320x240 --seed 7 --out " + disk.dir() +
                          "/shot.png >full.out 2>full.err";
  const int raw = system(cmd.c_str());
  EXPECT_EQ(1, WIFEXITED(raw) ? WEXITSTATUS(raw) : -1);
  const std::string err = e2e::readFile(*workDir + "/full.err");
  EXPECT_NE(std::string::npos, err.find("ERROR: cannot write '" + disk.dir() + "/shot.png': No space left on device"))
      << err;
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(disk.dir())) left.push_back(entry.path().filename());
  EXPECT_EQ(std::vector<std::string>{"filler"}, left);
}

TEST_F(Look, PathTimePlacesTheCameraOnTheFlight) {
  e2e::Shot early = shot("--path-time 0 --size 96x64 --seed 3", "path-0");
  e2e::Shot later = shot("--path-time 30 --size 96x64 --seed 3", "path-30");
  ASSERT_EQ(0, early.status) << early.err;
  ASSERT_EQ(0, later.status) << later.err;
  EXPECT_FALSE(early.image.rgb == later.image.rgb) << "the flight did not move the camera";
}

}  // namespace

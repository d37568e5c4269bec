// A brute-force reference of the sky for the tests: the renderer's own air
// (coefficients, scale heights, ozone, phase functions, shadow edge, shell) and a
// grey ground, with single scattering by fine quadrature and every further
// order by Monte Carlo paths (exact phase functions, the sun sampled at
// every scattering and at the ground). Slow by design: a few rays a test.
#pragma once
#include <glm/glm.hpp>
#include <random>
#include <vector>

#include "loaders/atmospheremodel.h"
#include "render/skytables.h"

namespace skyref {

// What arrives at the eye along one ray, per unit of sun irradiance times
// the model's sun intensity (the units the screen shows before the tone
// curve).
struct Light {
  Rgb air{};        // single scattering of the air in front of the ground or space
  Rgb airHigher{};  // the air's light of every further order
  Rgb ground{};     // the ground's light after the air, every order (0 off the Earth)
  bool hitsGround = false;
  Rgb single() const;  // air only
  Rgb all() const;     // air of all orders plus the ground
};

class Reference {
 public:
  // sun: unit vector towards the sun.
  Reference(const AtmosphereModel& model, glm::dvec3 sun);

  // paths: Monte Carlo paths for the higher orders (0: single scattering
  // only, and the ground lit by the sun alone).
  Light trace(glm::dvec3 eye, glm::dvec3 dir, int paths, unsigned seed) const;

  // The sunlight (per unit) reaching p: the shadow's soft edge, and below
  // the horizon the grazing ray's transmittance.
  Rgb sunlight(glm::dvec3 p) const;
  glm::dvec3 sun() const { return sun_; }

 private:
  struct Step {
    glm::dvec3 p;
    double dt;
    Rgb view;              // transmittance from the ray's start
    Rgb scatter;           // scattering coefficient
    double rayleigh, mie;  // densities
  };
  struct March {
    std::vector<Step> steps;
    Rgb single{};  // single scattering along the ray
    bool hitsGround = false;
    glm::dvec3 groundPoint{};
    Rgb groundView{};  // transmittance to the ground
  };
  March march(glm::dvec3 origin, glm::dvec3 dir, int steps, glm::dvec3 from) const;
  // Light of orders >= 1 arriving at p from direction dir (scattered or
  // reflected at least once), estimated by one path.
  Rgb incoming(glm::dvec3 p, glm::dvec3 dir, int depth, std::mt19937& rng) const;
  // One sample of what the air and ground along a marched ray send back
  // beyond single scattering and the sunlit ground.
  Rgb higherOrders(const March& m, glm::dvec3 dir, int depth, std::mt19937& rng) const;
  glm::dvec3 samplePhase(glm::dvec3 dir, std::mt19937& rng, double& pdfMix, double& pR, double& pM) const;
  Rgb transmittanceTable(double r, double mu) const;

  AtmosphereModel m_;
  glm::dvec3 sun_;
  int tableMu_ = 0, tableR_ = 0;
  std::vector<Rgb> table_;
};

// What the tables make of a ray, integrated finely on the CPU: the
// reference's single scattering and sunlit ground, plus the tables' light of
// higher orders along the ray and their sky light on the ground. Smooth
// wherever the reference's paths are not.
Rgb tablesAlong(const AtmosphereModel& m, const SkyTables& tables, const Reference& reference, glm::dvec3 eye,
                glm::dvec3 dir);

// A ray the tests look along.
struct Ray {
  glm::dvec3 eye, dir;
};

// A ray from far away whose closest approach to the centre is `closest`
// radii, at the point in direction `at`; it travels along `along` there.
inline Ray tangentRay(glm::dvec3 at, glm::dvec3 along, double closest) {
  at = glm::normalize(at);
  along = glm::normalize(along - at * glm::dot(along, at));
  return {at * closest - along * 3.0, along};
}

}  // namespace skyref

#include "loaders/atmospheremodel.h"

#include "loaders/shaderloader.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>

namespace {

// A GLSL constant's value: a float (size 1) or a vec2/vec3.
struct Value {
  int size = 1;
  double v[3] = {0.0, 0.0, 0.0};
  double at(int i) const { return size == 1 ? v[0] : v[i]; }
};

// Recursive descent over one initialiser; any surprise gives nullopt.
class ExpressionReader {
 public:
  ExpressionReader(std::string_view text, const std::map<std::string, Value>& known) : text_(text), known_(known) {}

  std::optional<Value> read() {
    std::optional<Value> v = sum();
    skipSpace();
    if (!v || pos_ != text_.size()) return std::nullopt;
    return v;
  }

 private:
  void skipSpace() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }
  bool take(char c) {
    skipSpace();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  static std::optional<Value> combine(const Value& a, const Value& b, char op) {
    if (a.size != b.size && a.size != 1 && b.size != 1) return std::nullopt;
    Value r;
    r.size = std::max(a.size, b.size);
    for (int i = 0; i < r.size; ++i) {
      const double x = a.at(i), y = b.at(i);
      r.v[i] = op == '+' ? x + y : op == '-' ? x - y : op == '*' ? x * y : x / y;
    }
    return r;
  }
  std::optional<Value> sum() {
    std::optional<Value> left = product();
    while (left) {
      char op = take('+') ? '+' : take('-') ? '-' : 0;
      if (op == 0) break;
      std::optional<Value> right = product();
      if (!right) return std::nullopt;
      left = combine(*left, *right, op);
    }
    return left;
  }
  std::optional<Value> product() {
    std::optional<Value> left = unary();
    while (left) {
      char op = take('*') ? '*' : take('/') ? '/' : 0;
      if (op == 0) break;
      std::optional<Value> right = unary();
      if (!right) return std::nullopt;
      left = combine(*left, *right, op);
    }
    return left;
  }
  std::optional<Value> unary() {
    if (++depth_ > 64) return std::nullopt;  // a hostile file's nesting
    std::optional<Value> v;
    if (take('-')) {
      v = unary();
      if (v)
        for (double& x : v->v) x = -x;
    } else if (take('(')) {
      v = sum();
      if (v && !take(')')) v = std::nullopt;
    } else {
      v = atom();
    }
    --depth_;
    return v;
  }
  std::optional<Value> atom() {
    skipSpace();
    if (pos_ >= text_.size()) return std::nullopt;
    const char c = text_[pos_];
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
      // strtod needs a terminated string; numbers are short.
      size_t end = pos_;
      while (end < text_.size() && end - pos_ < 64 &&
             (std::isalnum(static_cast<unsigned char>(text_[end])) || text_[end] == '.' ||
              ((text_[end] == '-' || text_[end] == '+') && (text_[end - 1] == 'e' || text_[end - 1] == 'E'))))
        ++end;
      std::string number(text_.substr(pos_, end - pos_));
      if (!number.empty() && (number.back() == 'f' || number.back() == 'F')) number.pop_back();
      char* stop = nullptr;
      Value v;
      v.v[0] = std::strtod(number.c_str(), &stop);
      if (stop != number.c_str() + number.size()) return std::nullopt;
      pos_ = end;
      return v;
    }
    if (!std::isalpha(static_cast<unsigned char>(c)) && c != '_') return std::nullopt;
    size_t end = pos_;
    while (end < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[end])) || text_[end] == '_')) ++end;
    const std::string name(text_.substr(pos_, end - pos_));
    pos_ = end;
    if (name == "vec2" || name == "vec3") {
      const int size = name == "vec2" ? 2 : 3;
      if (!take('(')) return std::nullopt;
      Value parts[3];
      int count = 0;
      do {
        std::optional<Value> part = sum();
        if (!part || part->size != 1 || count == size) return std::nullopt;
        parts[count++] = *part;
      } while (take(','));
      if (!take(')') || (count != 1 && count != size)) return std::nullopt;
      Value v;
      v.size = size;
      for (int i = 0; i < size; ++i) v.v[i] = parts[count == 1 ? 0 : i].v[0];
      return v;
    }
    auto found = known_.find(name);
    if (found == known_.end()) return std::nullopt;
    return found->second;
  }

  std::string_view text_;
  const std::map<std::string, Value>& known_;
  size_t pos_ = 0;
  int depth_ = 0;
};

// Every file-level `const TYPE NAME = EXPR;` line, in order; lines that do
// not read are left out (a constant they define is then reported missing).
std::map<std::string, Value> readConstants(std::string_view glsl) {
  std::map<std::string, Value> known;
  int braces = 0;
  size_t lineStart = 0;
  while (lineStart < glsl.size()) {
    size_t lineEnd = glsl.find('\n', lineStart);
    if (lineEnd == std::string_view::npos) lineEnd = glsl.size();
    std::string_view line = glsl.substr(lineStart, lineEnd - lineStart);
    lineStart = lineEnd + 1;
    if (size_t comment = line.find("//"); comment != std::string_view::npos) line = line.substr(0, comment);
    const int depthBefore = braces;
    for (char c : line) braces += c == '{' ? 1 : c == '}' ? -1 : 0;
    if (depthBefore != 0) continue;  // constants inside functions are not the model's
    size_t p = line.find_first_not_of(" \t");
    if (p != std::string_view::npos && line.substr(p, 8) == "#define ") {
      std::string_view rest = line.substr(p + 8);
      const size_t start = rest.find_first_not_of(" \t");
      if (start == std::string_view::npos) continue;
      rest = rest.substr(start);
      const size_t end = rest.find_first_of(" \t");
      if (end == std::string_view::npos) continue;
      const std::string name(rest.substr(0, end));
      if (known.count(name) != 0) continue;  // an earlier definition stands
      std::optional<Value> value = ExpressionReader(rest.substr(end), known).read();
      if (value) known[name] = *value;
      continue;
    }
    if (p == std::string_view::npos || line.substr(p, 6) != "const ") continue;
    line = line.substr(p + 6);
    p = line.find_first_not_of(" \t");
    if (p == std::string_view::npos) continue;
    line = line.substr(p);
    int size = 0;
    for (auto [type, n] : {std::pair{"float ", 1}, std::pair{"vec2 ", 2}, std::pair{"vec3 ", 3}})
      if (line.substr(0, std::string_view(type).size()) == type) {
        size = n;
        line = line.substr(std::string_view(type).size());
      }
    const size_t equals = line.find('='), semicolon = line.rfind(';');
    if (size == 0 || equals == std::string_view::npos || semicolon == std::string_view::npos || semicolon < equals)
      continue;
    std::string_view name = line.substr(0, equals);
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.remove_suffix(1);
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.front()))) name.remove_prefix(1);
    std::optional<Value> value = ExpressionReader(line.substr(equals + 1, semicolon - equals - 1), known).read();
    if (!value || value->size != size || name.empty()) continue;
    known[std::string(name)] = *value;
  }
  return known;
}

}  // namespace

bool parseAtmosphereModel(std::string_view glsl, AtmosphereModel& model, std::string& problem) {
  const std::map<std::string, Value> known = readConstants(glsl);
  AtmosphereModel m;
  m.shellRadius = model.shellRadius;
  struct Field {
    const char* name;
    int size;
    double* out;
  };
  double heights[2] = {0.0, 0.0}, edge[2] = {0.0, 0.0}, ozone[3] = {0.0, 0.0, 0.0}, topHeights = 0.0;
  const Field fields[] = {
      {"sunIntensity", 1, &m.sunIntensity},
      {"scaleHeight", 2, heights},
      {"rayleighScattering", 3, m.rayleighScattering.data()},
      {"mieScattering", 1, &m.mieScattering},
      {"mieExtinction", 1, &m.mieExtinction},
      {"mieG", 1, &m.mieG},
      {"groundAlbedo", 1, &m.groundAlbedo},
      {"shoulderStart", 1, &m.shoulderStart},
      {"displayGamma", 1, &m.displayGamma},
      {"shadowEdge", 2, edge},
      {"airScale", 1, &m.airScale},
      {"ozoneAbsorption", 3, m.ozoneAbsorption.data()},
      {"ozoneLayer", 3, ozone},
      {"airTopHeights", 1, &topHeights},
  };
  for (const Field& f : fields) {
    auto found = known.find(f.name);
    if (found == known.end() || found->second.size != f.size) {
      problem = f.name;
      return false;
    }
    for (int i = 0; i < f.size; ++i) {
      if (!std::isfinite(found->second.v[i])) {
        problem = f.name;
        return false;
      }
      f.out[i] = found->second.v[i];
    }
  }
  m.rayleighHeight = heights[0];
  m.mieHeight = heights[1];
  m.shadowInner = edge[0];
  m.shadowOuter = edge[1];
  m.ozoneBottom = ozone[0];
  m.ozonePeak = ozone[1];
  m.ozoneTop = ozone[2];
  if (!(m.ozoneBottom >= 0.0 && m.ozoneBottom < m.ozonePeak && m.ozonePeak < m.ozoneTop)) {
    problem = "ozoneLayer";
    return false;
  }
  for (double a : m.ozoneAbsorption)
    if (!(a >= 0.0)) {
      problem = "ozoneAbsorption";
      return false;
    }
  if (!(m.airScale > 0.0)) {
    problem = "airScale";
    return false;
  }
  if (!(m.shadowInner < m.shadowOuter)) {
    problem = "shadowEdge";
    return false;
  }
  // Values the tables cannot be built from: no air, or a phase that is not one.
  if (m.rayleighHeight <= 0.0 || m.mieHeight <= 0.0) {
    problem = "scaleHeight";
    return false;
  }
  if (!(topHeights > 0.0)) {
    problem = "airTopHeights";
    return false;
  }
  m.shellRadius = std::min(m.shellRadius, 1.0 + topHeights * m.rayleighHeight);
  // An air so thin that its top rounds onto the ground leaves the tables no
  // altitude to span.
  if (!(m.shellRadius > 1.0)) {
    problem = "airTopHeights";
    return false;
  }
  if (!(std::fabs(m.mieG) < 1.0)) {
    problem = "mieG";
    return false;
  }
  if (!(m.shoulderStart > 0.0 && m.shoulderStart < 1.0)) {
    problem = "shoulderStart";
    return false;
  }
  if (!(m.displayGamma > 0.0)) {
    problem = "displayGamma";
    return false;
  }
  model = m;
  return true;
}

double airDensity(double r, double height, double shellRadius) {
  return std::max(std::exp((1.0 - r) / height) - std::exp((1.0 - shellRadius) / height), 0.0);
}

bool readAtmosphereModel(const char* path, double shellRadius, double airScale, AtmosphereModel& model,
                         std::string& problem) {
  problem.clear();
  std::string source;
  if (readShaderSource(path, source) != ShaderFileStatus::Ok) return false;
  AtmosphereModel read;
  read.shellRadius = shellRadius;
  if (!parseAtmosphereModel(airScaleDefines(airScale) + source, read, problem)) return false;
  model = read;
  return true;
}

std::string airScaleDefines(double airScale) {
  char text[64];
  snprintf(text, sizeof text, "%.9g", airScale);
  std::string number = text;
  // GLSL ES takes no integer for a float constant.
  if (number.find_first_of(".en") == std::string::npos) number += ".0";
  return "#define AIR_SCALE " + number + "\n";
}

double ozoneDensity(const AtmosphereModel& m, double r) {
  const double h = r - 1.0;
  if (h <= m.ozoneBottom || h >= m.ozoneTop) return 0.0;
  return h < m.ozonePeak ? (h - m.ozoneBottom) / (m.ozonePeak - m.ozoneBottom)
                         : (m.ozoneTop - h) / (m.ozoneTop - m.ozonePeak);
}

Rgb scatteringAt(const AtmosphereModel& m, double r) {
  const double rayleigh = airDensity(r, m.rayleighHeight, m.shellRadius);
  const double mie = airDensity(r, m.mieHeight, m.shellRadius) * m.mieScattering;
  return {m.rayleighScattering[0] * rayleigh + mie, m.rayleighScattering[1] * rayleigh + mie,
          m.rayleighScattering[2] * rayleigh + mie};
}

Rgb extinctionAt(const AtmosphereModel& m, double r) {
  const double rayleigh = airDensity(r, m.rayleighHeight, m.shellRadius);
  const double mie = airDensity(r, m.mieHeight, m.shellRadius) * m.mieExtinction;
  const double ozone = ozoneDensity(m, r);
  Rgb out;
  for (int c = 0; c < 3; ++c) out[c] = m.rayleighScattering[c] * rayleigh + mie + m.ozoneAbsorption[c] * ozone;
  return out;
}

Rgb transmittanceToSpace(const AtmosphereModel& m, double r, double mu, int steps) {
  r = std::max(r, 1.0);
  mu = std::clamp(mu, -1.0, 1.0);
  steps = std::max(steps, 1);
  const double across = r * r * (1.0 - mu * mu);
  if (mu < 0.0 && across < 1.0) return {0.0, 0.0, 0.0};  // into the ground
  const double disc = m.shellRadius * m.shellRadius - across;
  if (!(disc > 0.0)) return {1.0, 1.0, 1.0};  // the ray passes above the air
  const double half = std::sqrt(disc);
  const double entry = std::max(-r * mu - half, 0.0), end = std::max(-r * mu + half, 0.0);
  // Midpoints crowded quadratically towards the ray's lowest point on each
  // side of it, where a grazing ray's air is densest.
  const double lowest = std::clamp(-r * mu, entry, end);
  Rgb depth{0.0, 0.0, 0.0};
  for (int side = 0; side < 2; ++side) {
    const double span = side == 0 ? lowest - entry : end - lowest;
    for (int i = 0; i < steps && span > 0.0; ++i) {
      const double u = (i + 0.5) / steps;
      const double t = side == 0 ? lowest - span * u * u : lowest + span * u * u;
      const double h = std::sqrt(std::max(r * r + t * t + 2.0 * r * mu * t, 0.0));
      const Rgb e = extinctionAt(m, h);
      for (int c = 0; c < 3; ++c) depth[c] += e[c] * 2.0 * span * u / steps;
    }
  }
  return {std::exp(-depth[0]), std::exp(-depth[1]), std::exp(-depth[2])};
}

double rayleighPhase(double nu) { return 3.0 / (16.0 * M_PI) * (1.0 + nu * nu); }

double miePhase(double g, double nu) {
  const double g2 = g * g;
  return 3.0 / (8.0 * M_PI) * (1.0 - g2) * (1.0 + nu * nu) / ((2.0 + g2) * std::pow(1.0 + g2 - 2.0 * g * nu, 1.5));
}

double sunVisibility(const AtmosphereModel& m, double closest) {
  const double t = std::clamp((closest - m.shadowInner) / (m.shadowOuter - m.shadowInner), 0.0, 1.0);
  return t * t * (3.0 - 2.0 * t);
}

double displayValue(const AtmosphereModel& m, double radiance) {
  const double a = m.shoulderStart;
  const double x = std::max(radiance, 0.0);
  const double shaped = std::min(x, a) + (1.0 - a) * (1.0 - std::exp(-std::max(x - a, 0.0) / (1.0 - a)));
  return 255.0 * std::pow(shaped, 1.0 / m.displayGamma);
}

// Questions the checker tests ask of a report.
#pragma once
#include <string>
#include <vector>

#include "tools/check/checkcore.h"

namespace checktest {

// The line of every problem of one severity, in report order.
inline std::vector<size_t> linesOf(const check::Report& r, check::Severity s) {
  std::vector<size_t> lines;
  for (const auto& p : r.problems)
    if (p.severity == s) lines.push_back(p.line);
  return lines;
}

inline bool mentions(const check::Report& r, const std::string& text) {
  for (const auto& p : r.problems)
    if (p.text.find(text) != std::string::npos) return true;
  return false;
}

inline bool hasFact(const check::Report& r, const std::string& fact) {
  for (const auto& f : r.facts)
    if (f == fact) return true;
  return false;
}

}  // namespace checktest

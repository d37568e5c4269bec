// What a page's address asks of the browser build: config.ini's settings,
// and the still picture of orbisk-shot (path-time, seed, steps). Anything
// refused is a WARNING line, and the page then runs as usual.
#pragma once
#include <string>
#include <vector>

#include "cli/shotoptions.h"
#include "cli/urlsettings.h"

struct PageAddress {
  // config.ini's settings as given, for applyUrlSettings.
  std::vector<UrlParameter> settings;
  // One picture, then still.
  bool shot = false;
  ShotOptions shotOptions;
  // A quality setting the address gives and the program accepts.
  bool qualityGiven = false;
  std::vector<std::string> warnings;
};

// The query string (with or without '?') for a canvas of width x height.
PageAddress readPageAddress(const std::string& query, int width, int height);

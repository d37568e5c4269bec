// config.ini's settings given in a page's address (?quality=fast&renderScale=0.5):
// the browser build writes them into the config.ini it starts with, so that
// they are read, checked and warned about exactly as the file's own.
#pragma once
#include <string>
#include <string_view>
#include <vector>

struct UrlParameter {
  std::string key;
  std::string value;
};

// The parameters of a query string (with or without its '?'), '+' and %XX
// decoded, in order. A parameter without '=' has an empty value; empty keys
// are dropped.
std::vector<UrlParameter> parseQueryString(std::string_view query);

// config.ini's text with the given settings: a key the text holds gets its
// first value replaced (the first is the one read), any other is added at
// the end. A key outside the settings table, an empty value and a value with
// blanks (config.ini's words cannot hold one) are left out, each with a
// WARNING line in warnings.
std::string applyUrlSettings(std::string_view iniText, const std::vector<UrlParameter>& settings,
                             std::vector<std::string>& warnings);

#include "cli/urlsettings.h"

#include "base/configfile.h"

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string decode(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '+') {
      out += ' ';
    } else if (s[i] == '%' && i + 2 < s.size() && hexDigit(s[i + 1]) >= 0 && hexDigit(s[i + 2]) >= 0) {
      out += static_cast<char>(hexDigit(s[i + 1]) * 16 + hexDigit(s[i + 2]));
      i += 2;
    } else {
      out += s[i];  // a stray '%' stays as it is
    }
  }
  return out;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

struct Word {
  size_t start, end;
};

// The words of the text, as config.ini's reader splits them.
std::vector<Word> wordsOf(std::string_view text) {
  std::vector<Word> words;
  size_t p = 0;
  while (p < text.size()) {
    while (p < text.size() && isBlank(text[p])) ++p;
    if (p >= text.size()) break;
    const size_t start = p;
    while (p < text.size() && !isBlank(text[p])) ++p;
    words.push_back({start, p});
  }
  return words;
}

}  // namespace

std::vector<UrlParameter> parseQueryString(std::string_view query) {
  if (!query.empty() && query[0] == '?') query.remove_prefix(1);
  std::vector<UrlParameter> parameters;
  while (!query.empty()) {
    const size_t amp = query.find('&');
    const std::string_view item = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    const size_t eq = item.find('=');
    UrlParameter parameter{decode(item.substr(0, eq)),
                           eq == std::string_view::npos ? std::string() : decode(item.substr(eq + 1))};
    if (!parameter.key.empty()) parameters.push_back(std::move(parameter));
  }
  return parameters;
}

std::string applyUrlSettings(std::string_view iniText, const std::vector<UrlParameter>& settings,
                             std::vector<std::string>& warnings) {
  std::string text(iniText);
  std::string added;
  for (const UrlParameter& s : settings) {
    if (config::find(s.key) == nullptr) {
      warnings.push_back("WARNING: the address sets '" + s.key + "', which is not a setting of config.ini; ignored");
      continue;
    }
    bool blank = s.value.empty();
    for (char c : s.value) blank = blank || isBlank(c) || c == '\0';
    if (blank) {
      warnings.push_back("WARNING: the address gives " + s.key + " the value '" + s.value +
                         "', which config.ini cannot hold; ignored");
      continue;
    }
    // Words pair up as key, value; the first pair of the key is the one read.
    const std::vector<Word> words = wordsOf(text);
    bool replaced = false;
    for (size_t i = 0; i + 1 < words.size(); i += 2) {
      if (text.compare(words[i].start, words[i].end - words[i].start, s.key) != 0) continue;
      text.replace(words[i + 1].start, words[i + 1].end - words[i + 1].start, s.value);
      replaced = true;
      break;
    }
    if (!replaced) added += s.key + " " + s.value + "\n";
  }
  if (!added.empty() && !text.empty() && !isBlank(text.back())) text += '\n';
  return text + added;
}

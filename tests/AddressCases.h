#pragma once

// The addresses a page might ask the desktop to open, and whether each may
// leave the program for the default browser. One table for the unit tests of
// the rule and for the real desktop hand-off, so the two cannot drift apart.
// Every address that leaves names 127.0.0.1: the real-desktop test hands them
// to a stand-in browser, and nothing else may ever be contacted.

#include <string>
#include <vector>

namespace tambourin::test {

struct AddressCase {
  const char* url;
  bool leaves;
};

inline constexpr AddressCase kAddressCases[] = {
    {"http://127.0.0.1/", true},
    {"https://127.0.0.1/search?q=a%2Fb%2F&x=1", true},
    {"http://127.0.0.1:8080/plain/page", true},
    // Schemes are case-insensitive: an upper-case http address is still one.
    {"HTTP://127.0.0.1/upper-case", true},
    {"HTTPS://127.0.0.1/upper-case", true},
    {"HtTpS://127.0.0.1", true},

    // Local files, with and without a host, in any case: the host check must
    // not be what keeps them in.
    {"file:///etc/passwd", false},
    {"FILE:///etc/passwd", false},
    {"file://host/path", false},
    {"FILE://localhost/etc/passwd", false},
    {"file://127.0.0.1/etc/passwd", false},
    {"File://server/share/report.txt", false},
    // Other schemes, with a host and without.
    {"smb://server/share", false},
    {"ftp://127.0.0.1/file", false},
    {"sftp://127.0.0.1/file", false},
    {"javascript:alert(1)", false},
    {"javascript://127.0.0.1/%0Aalert(1)", false},
    {"data:text/html,hello", false},
    {"data://127.0.0.1/text", false},
    {"about:blank", false},
    {"about://blank", false},
    {"tambourin-custom:do-something", false},
    {"tambourin-custom://127.0.0.1/run", false},
    {"view-source:http://127.0.0.1/", false},
    // Near misses of http and https.
    {"httpx://127.0.0.1/", false},
    {"xhttp://127.0.0.1/", false},
    {"https2://127.0.0.1/", false},
    {"http+unix://127.0.0.1/", false},
    // http without a host, or not an address at all.
    {"http:relative", false},
    {"http:/127.0.0.1/one-slash", false},
    {"http://", false},
    {"http:///etc/passwd", false},
    {"https://?query", false},
    {"http://#fragment", false},
    {"", false},
    {" http://127.0.0.1/leading-space", false},
    {"http://127.0.0.1/with space", false},
    {"http://127.0.0.1/\nline", false},
    {"http://127.0.0.1/\x1b[2Jcleared", false},
};

// The lower-case schemes of the table's addresses that have one, each once.
inline std::vector<std::string> SchemesOfAddressCases() {
  std::vector<std::string> schemes;
  for (const AddressCase& c : kAddressCases) {
    const std::string url = c.url;
    const auto colon = url.find(':');
    if (colon == std::string::npos || colon == 0) continue;
    std::string scheme;
    for (char ch : url.substr(0, colon)) {
      scheme.push_back(ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch);
    }
    if (scheme.find(' ') != std::string::npos) continue;
    bool known = false;
    for (const std::string& s : schemes) known |= s == scheme;
    if (!known) schemes.push_back(scheme);
  }
  return schemes;
}

}  // namespace tambourin::test

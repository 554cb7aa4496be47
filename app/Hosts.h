#pragma once

namespace tambourin {

// The site's host name, and the maker's product page. They are set when
// building: each executable links the program's code once compiled, plus a
// small source of its own, written by CMake from Hosts.cpp.in, that defines
// these two.
extern const char* const HomeHost;
extern const char* const ProductPageURL;

}  // namespace tambourin

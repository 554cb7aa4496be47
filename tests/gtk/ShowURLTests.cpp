// ShowURL on the real desktop path: only http and https addresses reach the
// default browser, exactly as given. The default browser here is a script
// that records each address it is handed.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "GtkTestSupport.h"
#include "framework/Values.h"
#include "tests/AddressCases.h"

namespace {

std::vector<std::string> RecordedAddresses() {
  std::ifstream log(gtktest::BrowserLogPath());
  std::vector<std::string> lines;
  for (std::string line; std::getline(log, line);) lines.push_back(line);
  return lines;
}

using tambourin::test::AddressCase;
using tambourin::test::kAddressCases;

TEST(ShowURL, OnlyHttpAndHttpsReachTheDefaultBrowserUnchanged) {
  std::remove(gtktest::BrowserLogPath().c_str());
  std::vector<std::string> expected;
  for (const AddressCase& address : kAddressCases) {
    fw::ShowURL(address.url);
    if (address.leaves) expected.push_back(address.url);
  }
  // A last address that does leave marks the end: once it is recorded,
  // everything sent before it has had its chance to arrive.
  const std::string marker = "https://127.0.0.1/last";
  fw::ShowURL(marker);
  expected.push_back(marker);
  ASSERT_TRUE(gtktest::SpinUntil([&] {
    auto got = RecordedAddresses();
    return std::find(got.begin(), got.end(), marker) != got.end();
  })) << "the stand-in browser never got an address";
  gtktest::SpinFor(std::chrono::milliseconds(500));

  auto got = RecordedAddresses();
  std::sort(got.begin(), got.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(got, expected);
}

}  // namespace

#include "host_checks.h"

#include <cstdio>

namespace horolon_test {
namespace {
int passed = 0;
int failed = 0;
}  // namespace

void Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "PASS" : "FAIL", what.c_str());
  std::fflush(stdout);
  (ok ? passed : failed)++;
}

int Summary() {
  std::printf("%d passed, %d failed\n", passed, failed);
  std::fflush(stdout);
  return failed == 0 ? 0 : 1;
}

}  // namespace horolon_test

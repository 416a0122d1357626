#pragma once
// Tiny checks for the Wine test host: each prints a PASS or FAIL line, and the host ends with
// the summary line "N passed, M failed", which the CTest wrapper reads.
#include <string>

namespace horolon_test {

void Check(bool ok, const std::string& what);
int Summary();  // prints the summary line; returns the process exit code

}  // namespace horolon_test

#define CHECK(condition) ::horolon_test::Check((condition), #condition)
#define CHECK_MSG(condition, what) ::horolon_test::Check((condition), (what))

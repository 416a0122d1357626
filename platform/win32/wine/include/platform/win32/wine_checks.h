#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// The one check reporter and runner of the Windows test programs, which run under Wine where
// GoogleTest is not built. A check records its result and goes on; named cases (TEST_CASE) are
// run by RunAll; every program ends with the summary line "N passed, M failed", which its CTest
// registration reads.
namespace clickora::testing {

struct Case {
  const char* name;
  std::function<void()> body;
};

inline std::vector<Case>& Cases() {
  static std::vector<Case> cases;
  return cases;
}
inline int& Passed() {
  static int passed = 0;
  return passed;
}
inline int& Failed() {
  static int failed = 0;
  return failed;
}

struct Register {
  Register(const char* name, std::function<void()> body) {
    Cases().push_back({name, std::move(body)});
  }
};

// A described check: says PASS or FAIL with its description, for hosts whose log is a protocol.
inline void Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "PASS" : "FAIL", what.c_str());
  std::fflush(stdout);
  ++(ok ? Passed() : Failed());
}

// An expression check (CHECK): says nothing unless it fails, then where.
inline void Check(bool ok, const char* expression, const char* file, int line,
                  const std::string& detail = {}) {
  ++(ok ? Passed() : Failed());
  if (!ok) std::printf("  FAILED %s:%d: %s %s\n", file, line, expression, detail.c_str());
}

// Prints "suite: N passed, M failed" (or just "N passed, M failed" without a suite name) and
// returns the process exit code.
inline int Summary(const char* suite = nullptr) {
  if (suite) std::printf("%s: ", suite);
  std::printf("%d passed, %d failed\n", Passed(), Failed());
  std::fflush(stdout);
  return Failed() == 0 ? 0 : 1;
}

// Runs every registered case in order, one line each, then the summary.
inline int RunAll(const char* suite) {
  for (const Case& test : Cases()) {
    const int before = Failed();
    test.body();
    std::printf("%s %s\n", Failed() == before ? "ok    " : "FAILED", test.name);
  }
  return Summary(suite);
}

}  // namespace clickora::testing

#define CLICKORA_CONCAT2(a, b) a##b
#define CLICKORA_CONCAT(a, b) CLICKORA_CONCAT2(a, b)
#define TEST_CASE(name)                                                            \
  static void CLICKORA_CONCAT(test_, __LINE__)();                                  \
  static const ::clickora::testing::Register CLICKORA_CONCAT(register_, __LINE__)( \
      name, &CLICKORA_CONCAT(test_, __LINE__));                                    \
  static void CLICKORA_CONCAT(test_, __LINE__)()
#define CHECK(expression) \
  ::clickora::testing::Check(static_cast<bool>(expression), #expression, __FILE__, __LINE__)
#define CHECK_EQ(actual, expected) \
  ::clickora::testing::Check((actual) == (expected), #actual " == " #expected, __FILE__, __LINE__)

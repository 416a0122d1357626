#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// A minimal test runner for the Windows tests, which run under Wine where GoogleTest is not
// built: named cases, CHECK that records the failed expression and goes on, one summary line.
namespace clickora::testing {

struct Case {
  const char* name;
  std::function<void()> body;
};

inline std::vector<Case>& Cases() {
  static std::vector<Case> cases;
  return cases;
}
inline int& Failures() {
  static int failures = 0;
  return failures;
}
inline int& Checks() {
  static int checks = 0;
  return checks;
}

struct Register {
  Register(const char* name, std::function<void()> body) {
    Cases().push_back({name, std::move(body)});
  }
};

inline void Check(bool ok, const char* expression, const char* file, int line,
                  const std::string& detail = {}) {
  ++Checks();
  if (ok) return;
  ++Failures();
  std::printf("  FAILED %s:%d: %s %s\n", file, line, expression, detail.c_str());
}

inline int RunAll(const char* suite) {
  for (const Case& test : Cases()) {
    const int before = Failures();
    test.body();
    std::printf("%s %s\n", Failures() == before ? "ok    " : "FAILED", test.name);
  }
  if (Failures() == 0) {
    std::printf("%s: all %d checks passed\n", suite, Checks());
  } else {
    std::printf("%s: %d of %d checks FAILED\n", suite, Failures(), Checks());
  }
  std::fflush(stdout);
  return Failures() == 0 ? 0 : 1;
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

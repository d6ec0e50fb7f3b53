// A test's interface language: LANG set for the test's time, LC_ALL and LC_MESSAGES cleared,
// all three as they were afterwards.
#pragma once

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace winapi::testsupport {

class Locale {
 public:
  explicit Locale(const char* name) {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      const char* value = std::getenv(variable);
      m_saved.emplace_back(variable, value != nullptr ? value : "");
      unsetenv(variable);
    }
    setenv("LANG", name, 1);
  }
  ~Locale() {
    for (const auto& [variable, value] : m_saved) {
      if (value.empty()) {
        unsetenv(variable.c_str());
      } else {
        setenv(variable.c_str(), value.c_str(), 1);
      }
    }
  }

 private:
  std::vector<std::pair<std::string, std::string>> m_saved;
};

}  // namespace winapi::testsupport

// What the integration fixture hands the tests: its environment and the paths it writes.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace pw::test {

inline std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// The fixture writes Unix paths; under Wine they are reached through drive Z:.
inline std::filesystem::path HostPath(const std::string& unixPath) {
#ifdef _WIN32
  return std::filesystem::path("Z:" + unixPath);
#else
  return std::filesystem::path(unixPath);
#endif
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace pw::test

#include "tests/launch/LaunchSupport.h"

#include <chrono>
#include <filesystem>
#include <thread>

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

bool WaitForFile(const std::string& path) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    if (std::filesystem::exists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

void CopyPlugin(const std::string& fixture, const std::string& target) {
  std::filesystem::copy_file(std::string(LUDRA_PLUGIN_FIXTURES) + fixture, target,
                             std::filesystem::copy_options::overwrite_existing);
}

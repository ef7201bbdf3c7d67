#include "ui/WindowSeams.h"

#include <memory>
#include <random>

IFolderChooser& PlatformFolderChooser() {
  static TDialogFolderChooser chooser;
  return chooser;
}

std::function<int(int n)> ClockSeededRandom() {
  auto generator = std::make_shared<std::mt19937>(static_cast<std::mt19937::result_type>(
      std::chrono::system_clock::now().time_since_epoch().count()));
  return [generator](int n) { return std::uniform_int_distribution<int>(0, n - 1)(*generator); };
}

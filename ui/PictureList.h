#pragma once
// Which pictures there are, and where each sits on the picture sheet. The SVG sources in
// resources/pictures are rendered when the program is built onto one sheet per screen scale and
// palette (light, and dark for the pictures that need it), so the program unpacks one sheet of
// pixels the first time it shows a picture, instead of parsing and rendering SVG.
#include <array>
#include <cstddef>

namespace PictureList {
inline constexpr std::array kMenu = {
    "menu-folder-panel", "menu-screenshot-panel", "menu-large-icons", "menu-small-icons",
    "menu-list",         "menu-details",          "menu-about",       "menu-spare",
};
inline constexpr std::array kFolders = {
    "folder-closed", "folder-open",  "folder-clock", "folder-emblem", "cross",
    "folder-star",   "folder-check", "calendar",     "portrait",
};
inline constexpr std::array kGames = {"game-chip", "game-prohibited", "game-unknown"};

// The screen scales the sheets are drawn for; a screen in between gets the next larger sheet,
// scaled down. Every cell's position and size is even, so it stays whole at 1.5.
inline constexpr std::array kScales = {1.0, 1.5, 2.0, 3.0};
inline constexpr std::array kScaleNames = {"100", "150", "200", "300"};

// A picture's place on the sheet, in device-independent pixels.
struct TCell {
  int X, Y, Width, Height;
};

constexpr int kListSize = 16;       // menu, folder and small game pictures
constexpr int kLargeGameSize = 32;  // large game pictures
constexpr int kLogoWidth = 150, kLogoHeight = 112;
constexpr int kPropertiesSize = 32;

// The logo at the top; under it the 16-pixel pictures (menu, folders, small games), nine to a
// row; under those the large game pictures and the properties icon.
constexpr int kPerRow = kLogoWidth / kListSize;
constexpr int kListY = kLogoHeight;
constexpr int kListCount = static_cast<int>(kMenu.size() + kFolders.size() + kGames.size());
constexpr int kLargeY = kListY + (kListCount + kPerRow - 1) / kPerRow * kListSize;
constexpr int kSheetWidth = kLogoWidth;
constexpr int kSheetHeight = kLargeY + kLargeGameSize;

constexpr TCell ListCell(std::size_t k) {
  return {static_cast<int>(k) % kPerRow * kListSize,
          kListY + static_cast<int>(k) / kPerRow * kListSize, kListSize, kListSize};
}
constexpr TCell MenuCell(std::size_t i) {
  return ListCell(i);
}
constexpr TCell FolderCell(std::size_t i) {
  return ListCell(kMenu.size() + i);
}
constexpr TCell SmallGameCell(std::size_t i) {
  return ListCell(kMenu.size() + kFolders.size() + i);
}
constexpr TCell LargeGameCell(std::size_t i) {
  return {static_cast<int>(i) * kLargeGameSize, kLargeY, kLargeGameSize, kLargeGameSize};
}
constexpr TCell PropertiesCell() {
  return {static_cast<int>(kGames.size()) * kLargeGameSize, kLargeY, kPropertiesSize,
          kPropertiesSize};
}
constexpr TCell LogoCell() {
  return {0, 0, kLogoWidth, kLogoHeight};
}
static_assert(static_cast<int>(kGames.size()) * kLargeGameSize + kPropertiesSize <= kSheetWidth);

// The dark sheet draws these pictures with lighter colours: bare dark strokes and the dark chip
// would vanish on a dark background. Everything else is the same on both sheets.
inline constexpr std::array kDarkPictures = {"menu-small-icons", "menu-list",       "menu-details",
                                             "game-chip",        "game-prohibited", "game-unknown",
                                             "calendar"};
struct TColourSwap {
  const char* From;
  const char* To;
};
inline constexpr std::array kDarkColours = {
    TColourSwap{"#4A5568", "#C3CAD4"},  // strokes
    TColourSwap{"#3A4150", "#6E788C"},  // chip body
    TColourSwap{"#566073", "#8A95AA"},  // chip top edge
    TColourSwap{"#2A303B", "#4E5666"},  // chip window
    TColourSwap{"#1E232C", "#3A4150"},  // chip notch
    TColourSwap{"#3B4252", "#C3CAD4"},  // calendar rings
};

// The program's own icon: the window's and the desktop's (the icon theme's sizes), each size a
// file of its own.
inline constexpr const char* kAppIcon = "ludra";
inline constexpr std::array kAppIconSizes = {16, 24, 32, 48, 64, 128, 256};
}  // namespace PictureList

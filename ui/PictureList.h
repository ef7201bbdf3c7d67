#pragma once
// Which pictures there are and at which sizes they are drawn. The SVG sources in
// resources/pictures are rendered to PNG files when the program is built, so start-up only
// decodes a few small PNGs instead of parsing and rendering SVG.
#include <array>

namespace PictureList {
constexpr std::array kMenu = {
    "menu-folder-panel", "menu-screenshot-panel", "menu-large-icons", "menu-small-icons",
    "menu-list",         "menu-details",          "menu-about",       "menu-spare",
};
constexpr std::array kFolders = {
    "folder-closed", "folder-open",  "folder-clock", "folder-emblem", "cross",
    "folder-star",   "folder-check", "calendar",     "portrait",
};
constexpr std::array kGames = {"game-chip", "game-prohibited", "game-unknown"};

// The icon sizes of a list: the first is the list's own, the others serve large screens.
constexpr std::array kListSizes = {16, 32};
constexpr std::array kGameSizes = {16, 32, 64};

constexpr int kLogoWidth = 150, kLogoHeight = 112;
constexpr int kPropertiesSize = 32;

// The program's own icon: the window's and the desktop's (hicolor sizes).
constexpr const char* kAppIcon = "ludra";
constexpr std::array kAppIconSizes = {16, 24, 32, 48, 64, 128, 256};
}  // namespace PictureList

#include "launch/Settings.h"

#include <algorithm>

const std::vector<std::string> kBPPItems = {"15 bit", "16 bit", "32 bit"};
const std::vector<std::string> kFilteringItems = {"0", "1", "2", "3"};
const std::vector<std::string> kCachingItems = {"0", "1", "2"};
const std::vector<std::string> kQualityItems = {"default", "4 bit", "5 bit", "8 bit"};
const std::vector<std::string> kDisplayItems = {"0", "1", "2"};
const std::vector<std::string> kBlendingItems = {"0", "1", "2", "3"};
const std::vector<std::string> kScanlinesItems = {"0", "1", "2"};

namespace {
using S = TGameSettings;
}  // namespace

const std::vector<TSetting> kSettings = {
    {nullptr, "CutOff", &S::CutOff, "22050", nullptr},
    {nullptr, "CBuffer", &S::CBuffer, "4096", nullptr},
    {nullptr, "DBuffer", &S::DBuffer, "2048", nullptr},
    {nullptr, "Interpreter", &S::Interpreter, "1", nullptr},
    {nullptr, "Geometry", &S::Geometry, "1", nullptr},
    // The catalogue's sound flag; a game that has none is assumed to have working sound.
    {nullptr, "Sound", &S::Sound, "1", nullptr},
    {nullptr, "Filter", &S::Filter, "0", nullptr},
    {nullptr, "Surround", &S::Surround, "0", nullptr},
    {nullptr, "Stereo", &S::Stereo, "0", nullptr},
    {nullptr, "Multiplier", &S::Multiplier, "40", nullptr},
    {nullptr, "Renderer", &S::Renderer, "0", nullptr},
    {"General", "Path", &S::RomDir, "Roms\\", nullptr},
    {nullptr, "Windowed", &S::Windowed, "1", nullptr},
    {nullptr, "Xmax", &S::Xmax, "640", nullptr},
    {nullptr, "Ymax", &S::Ymax, "480", nullptr},
    {nullptr, "Dithering", &S::Dithering, "0", nullptr},
    {nullptr, "BPP", &S::BPP, "2", &kBPPItems},
    {nullptr, "FPS", &S::FPS, "1", nullptr},
    {nullptr, "Skip", &S::Skip, "0", nullptr},
    {nullptr, "Detection", &S::Detection, "1", nullptr},
    {nullptr, "FrameLimit", &S::FrameLimit, "1", nullptr},
    {nullptr, "FrameRate", &S::FrameRate, "100", nullptr},
    {nullptr, "Filtering", &S::Filtering, "0", &kFilteringItems},
    {nullptr, "Caching", &S::Caching, "2", &kCachingItems},
    {nullptr, "Quality", &S::Quality, "3", &kQualityItems},
    {nullptr, "Display", &S::Display, "0", &kDisplayItems},
    {nullptr, "Blending", &S::Blending, "0", &kBlendingItems},
    {nullptr, "Scanlines", &S::Scanlines, "0", &kScanlinesItems},
};

const TSetting& RomDirSetting() {
  static const TSetting& path = *std::find_if(kSettings.begin(), kSettings.end(),
                                              [](const TSetting& s) { return s.Section; });
  return path;
}

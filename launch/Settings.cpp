#include "Settings.h"

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
    {nullptr, "CutOff", "edCutOff", &S::CutOff, "22050", nullptr},
    {nullptr, "CBuffer", "edCBuffer", &S::CBuffer, "4096", nullptr},
    {nullptr, "DBuffer", "edDBuffer", &S::DBuffer, "2048", nullptr},
    {nullptr, "Interpreter", "cbInterpreter", &S::Interpreter, "1", nullptr},
    {nullptr, "Geometry", "cbGeometry", &S::Geometry, "1", nullptr},
    // The catalogue's sound flag; a game that has none is assumed to have working sound.
    {nullptr, "Sound", "cbSound", &S::Sound, "1", nullptr},
    {nullptr, "Filter", "cbSoundFilter", &S::Filter, "0", nullptr},
    {nullptr, "Surround", "cbSurround", &S::Surround, "0", nullptr},
    {nullptr, "Stereo", "cbStereo", &S::Stereo, "0", nullptr},
    {nullptr, "Multiplier", "edSurrMult", &S::Multiplier, "40", nullptr},
    {nullptr, "Renderer", "cbRenderer", &S::Renderer, "0", nullptr},
    {"General", "Path", "edDir", &S::RomDir, "Roms\\", nullptr},
    {nullptr, "Windowed", "cbWindow", &S::Windowed, "1", nullptr},
    {nullptr, "Xmax", "edXMax", &S::Xmax, "640", nullptr},
    {nullptr, "Ymax", "edYMax", &S::Ymax, "480", nullptr},
    {nullptr, "Dithering", "cbDithering", &S::Dithering, "0", nullptr},
    {nullptr, "BPP", "cbBPP", &S::BPP, "2", &kBPPItems},
    {nullptr, "FPS", "cbFPS", &S::FPS, "1", nullptr},
    {nullptr, "Skip", "cbSkip", &S::Skip, "0", nullptr},
    {nullptr, "Detection", "cbDetect", &S::Detection, "1", nullptr},
    {nullptr, "FrameLimit", "cbLimit", &S::FrameLimit, "1", nullptr},
    {nullptr, "FrameRate", "edFRate", &S::FrameRate, "100", nullptr},
    {nullptr, "Filtering", "cbTFiltering", &S::Filtering, "0", &kFilteringItems},
    {nullptr, "Caching", "cbTCaching", &S::Caching, "2", &kCachingItems},
    {nullptr, "Quality", "cbTQuality", &S::Quality, "3", &kQualityItems},
    {nullptr, "Display", "cbDisplay", &S::Display, "0", &kDisplayItems},
    {nullptr, "Blending", "cbBlending", &S::Blending, "0", &kBlendingItems},
    {nullptr, "Scanlines", "cbScanlines", &S::Scanlines, "0", &kScanlinesItems},
};

const TSetting& RomDirSetting() {
  static const TSetting& path = *std::find_if(kSettings.begin(), kSettings.end(),
                                              [](const TSetting& s) { return s.Section; });
  return path;
}

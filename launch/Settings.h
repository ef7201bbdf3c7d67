#pragma once
// The per-game emulator settings: one record for the whole program, holding the game last loaded.
#include <string>
#include <variant>
#include <vector>

struct TGameSettings {
  std::string CutOff;  // digits as typed
  std::string CBuffer;
  std::string DBuffer;
  bool Interpreter = false;
  bool Geometry = false;
  bool Sound = false;
  bool Filter = false;
  bool Surround = false;
  bool Stereo = false;
  std::string Multiplier;
  int Renderer = -1;  // index into the renderer list, -1 for nothing chosen
  bool Windowed = false;
  std::string Xmax;
  std::string Ymax;
  bool Dithering = false;
  int BPP = -1;  // into kBPPItems
  bool FPS = false;
  bool Skip = false;
  bool Detection = false;
  bool FrameLimit = false;
  std::string FrameRate;
  int Filtering = -1;  // into kFilteringItems
  int Caching = -1;    // into kCachingItems
  int Quality = -1;    // into kQualityItems
  int Display = -1;    // into kDisplayItems
  int Blending = -1;   // into kBlendingItems
  int Scanlines = -1;  // into kScanlinesItems
  std::string RomDir;  // General/Path as stored ("Roms\"), not normalised

  bool operator==(const TGameSettings&) const = default;
};

// The fixed choices of the drop-down settings, in item order.
extern const std::vector<std::string> kBPPItems;        // "15 bit", "16 bit", "32 bit"
extern const std::vector<std::string> kFilteringItems;  // "0".."3"
extern const std::vector<std::string> kCachingItems;    // "0".."2"
extern const std::vector<std::string> kQualityItems;    // "default", "4 bit", "5 bit", "8 bit"
extern const std::vector<std::string> kDisplayItems;    // "0".."2"
extern const std::vector<std::string> kBlendingItems;   // "0".."3"
extern const std::vector<std::string> kScanlinesItems;  // "0".."2"

// One setting as it is stored: every setting is described once, here, and the store (load and
// save) walks kSettings. The properties dialog binds each field to its control.
struct TSetting {
  const char* Section;  // nullptr: the game's own section Rom<n>
  const char* Key;
  // A text (digits as typed), a check box, or an item index (-1 for nothing chosen).
  std::variant<std::string TGameSettings::*, bool TGameSettings::*, int TGameSettings::*> Field;
  const char* Default;                    // as stored: "22050", "1", "2"
  const std::vector<std::string>* Items;  // an item index's choices; nullptr: the renderers
};

// In the order SaveSettings writes them, which is also the order in which the keys of a new
// section are appended; General/Path stands in its place among them.
extern const std::vector<TSetting> kSettings;

// The ROM directory's entry (General/Path).
const TSetting& RomDirSetting();

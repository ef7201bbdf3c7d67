#include "Settings.h"

const std::vector<std::string> kBPPItems = {"15 bit", "16 bit", "32 bit"};
const std::vector<std::string> kFilteringItems = {"0", "1", "2", "3"};
const std::vector<std::string> kCachingItems = {"0", "1", "2"};
const std::vector<std::string> kQualityItems = {"default", "4 bit", "5 bit", "8 bit"};
const std::vector<std::string> kDisplayItems = {"0", "1", "2"};
const std::vector<std::string> kBlendingItems = {"0", "1", "2", "3"};
const std::vector<std::string> kScanlinesItems = {"0", "1", "2"};

// The font reading starts before the C library has set up the environment, yet reads the user's
// own configuration.
#include <gtest/gtest.h>

#include "TestSupport.h"

TEST(FontPreload, ReadingStartedBeforeTheLibrariesFollowsTheEnvironment) {
  const TTempDir dir;
  const std::string conf = dir / "fonts.conf";
  WriteFileBytes(conf,
                 "<?xml version=\"1.0\"?>\n<fontconfig><include ignore_missing=\"yes\">"
                 "/etc/fonts/fonts.conf</include></fontconfig>\n");
  const TRun run =
      RunCommand("FONTCONFIG_FILE='" + conf + "' '" LUDRA_FONT_PRELOAD_PROBE "' 2>/dev/null");
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_NE(run.Out.find(conf + "\n"), std::string::npos) << run.Out;
}

// The results prefix: the data-set name it carries, the clock, and the results folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "model/results_prefix.h"
#include "state/workbench.h"
#include "platform/scripted_platform.h"
#include "support/test_support.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

TEST(ResultsPrefix, DataBaseNameIsTheFileNameUpToItsFirstPoint) {
  struct Case {
    const char* file;
    const char* name;
  };
  const Case cases[] = {
      {"/w/DATA/iris.dat", "iris"},
      {"/w/DATA/a.b.dat", "a"},
      {"C:\\lab\\DATA\\Wine.DAT", "Wine"},
      {"/w/DATA/noextension", "noextension"},
      {"/w/DATA/a_name_of_more_than_eighteen_characters.dat", "a_name_of_more_than_eighteen_characters"},
      {"/w/DATA/ spaced .dat", "spaced"},
      {"/w/my.folder/set", "set"},
  };
  for (const Case& c : cases) EXPECT_EQ(MakeDataBaseName(c.file), c.name) << c.file;
}

TEST(ResultsPrefix, PrefixFromNameAndSecondOfTheYear) {
  const test::TempProgramDir temp("wl_prefix_");
  const std::string dir = temp.Str();
  {
    ScriptedPlatform plat;
    Workbench wb(plat, dir);
    wb.DataFileName = dir + "/DATA/iris.dat";
    wb.WeightsPictureNo = 7;
    plat.ClockDay = 2;       // 2 January
    plat.ClockMs = 10'000;  // 00:00:10
    ASSERT_FALSE(fs::exists(dir + "/results"));
    MakeResultsPrefix(wb);
    EXPECT_EQ(wb.DataBaseName, "iris");
    EXPECT_EQ(wb.ResultsPrefix, dir + "/results/iris_86410");
    EXPECT_EQ(wb.WeightsPictureNo, 1);
    EXPECT_TRUE(fs::is_directory(dir + "/results"));

    plat.ClockDay = 365;
    plat.ClockMs = 86'399'999;  // the last second of the year
    MakeResultsPrefix(wb);
    EXPECT_EQ(wb.ResultsPrefix, dir + "/results/iris_31535999");
  }
}

}  // namespace
}  // namespace wl

// The program's command line beside Qt's own options for the window system.
#include <gtest/gtest.h>

#include <QStringList>

#include "gui/app/program.h"

namespace zelvora::gui {
namespace {

TEST(ProgramOptionsTest, QtsWindowSystemOptionsAndTheirValuesAreLeftToQt) {
  EXPECT_EQ(WithoutToolkitOptions({"zelvora", "-platform", "offscreen", "--run", "page.htm"}),
            QStringList({"zelvora", "--run", "page.htm"}));
  EXPECT_EQ(WithoutToolkitOptions({"zelvora", "--style=fusion", "-reverse", "page.htm",
                                   "-qwindowgeometry", "400x300+0+0", "--platform",
                                   "windows:fontengine=freetype"}),
            QStringList({"zelvora", "page.htm"}));
  // A value-taking option at the very end has nothing to take.
  EXPECT_EQ(WithoutToolkitOptions({"zelvora", "page.htm", "-style"}),
            QStringList({"zelvora", "page.htm"}));
}

TEST(ProgramOptionsTest, TheProgramsOwnOptionsAndFilesStay) {
  const QStringList own = {"zelvora", "--run", "x.htm", "--abort-after", "50", "--help", "-v"};
  EXPECT_EQ(WithoutToolkitOptions(own), own);
  // After "--" everything is a file, whatever its name.
  EXPECT_EQ(WithoutToolkitOptions({"zelvora", "--", "-platform"}),
            QStringList({"zelvora", "--", "-platform"}));
}

}  // namespace
}  // namespace zelvora::gui

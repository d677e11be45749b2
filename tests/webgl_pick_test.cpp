// The web's selection on the CPU against the desktop's (Mesa's GL_SELECT): the same driver, built
// on each GL, runs the game's pick pass over the same fields and clicks and prints what it found.
// At the desktop's window size, and at sizes a browser's canvas takes at device pixels: twice as
// dense, and wider than 4:3.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> outputOf(const std::string& program) {
  std::vector<std::string> lines;
  FILE* pipe = popen(program.c_str(), "r");
  if (pipe == nullptr) return lines;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe) != nullptr) lines.emplace_back(line);
  EXPECT_EQ(pclose(pipe), 0) << program;
  return lines;
}

// The depths after '|', as numbers.
std::vector<double> depthsOf(const std::string& line) {
  std::istringstream in(line.substr(line.find('|') + 1));
  std::vector<double> depths;
  for (double d; in >> d;) depths.push_back(d);
  return depths;
}

class WebSelection : public ::testing::TestWithParam<const char*> {};

TEST_P(WebSelection, FindsWhatTheDesktopsSelectionFindsForEveryClick) {
  const std::string size = GetParam();
  const std::vector<std::string> desktop = outputOf(FARLIGHT_PICK_DESKTOP " " + size);
  const std::vector<std::string> web = outputOf(FARLIGHT_PICK_CPU " " + size);
  ASSERT_EQ(desktop.size(), web.size());
  // Both picked in a viewport of the size asked for.
  std::string viewport = "viewport 0 0 " + size + "\n";
  viewport[viewport.find('x')] = ' ';
  ASSERT_FALSE(desktop.empty());
  EXPECT_EQ(desktop[0], viewport);
  int clicks = 0, hidden = 0, differences = 0;
  double worstDepth = 0;
  for (size_t i = 0; i < desktop.size(); ++i) {
    const std::string& d = desktop[i];
    const std::string& w = web[i];
    const bool click = d.rfind("seed", 0) == 0;
    clicks += click;
    hidden += click && d.find("hidden -1") == std::string::npos;
    // Everything but the depths alike: the sphere hidden, the hit count, every name.
    if (d.substr(0, d.find('|')) != w.substr(0, w.find('|'))) {
      ++differences;
      ADD_FAILURE() << "desktop: " << d << "web:     " << w;
      continue;
    }
    const std::vector<double> a = depthsOf(d), b = depthsOf(w);
    ASSERT_EQ(a.size(), b.size()) << d << w;
    for (size_t k = 0; k < a.size(); ++k) worstDepth = std::max(worstDepth, std::abs(a[k] - b[k]));
  }
  std::printf("%d clicks, %d hiding a sphere, %d differences; depths within %.3g of the range\n",
              clicks, hidden, differences, worstDepth / 4294967296.0);
  EXPECT_GE(clicks, 1000);
  EXPECT_GE(hidden, clicks / 4);  // the clicks find spheres, not only sky
  EXPECT_EQ(differences, 0);
  EXPECT_LT(worstDepth / 4294967296.0, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(WindowSizes, WebSelection,
                         ::testing::Values("1024x768", "2048x1536", "1280x600"),
                         [](const ::testing::TestParamInfo<const char*>& size) {
                           return std::string(size.param);
                         });

}  // namespace

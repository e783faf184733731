// touchdown-sim --replay: the page read back as a file. What a browser makes of it (that it
// loads nothing else and plays the run's states) is the browser test's; here, that its
// shapes face the right way and that names cannot break it.
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>

#include "visual/visual_support.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;
using visual::PageData;
using visual::Slurp;

class ReplayPage : public E2E {
 protected:
  void SetUp() override {
    E2E::SetUp();
    TD_NEED_REPLAY_SCRIPT();
  }
  // Runs a scenario ("" for the tour) and returns the page.
  std::string Page(const std::string &scenario) {
    const std::string page = (work_dir / "replay.html").string();
    const Outcome run = Exec(scenario, false, false, "--replay '" + page + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    return Slurp(page);
  }
};

// The vessel's nose in the scene (x east, y up, z south) at frame k: the page's shapes
// point their nose along -z and are turned by the frame's quaternion.
std::array<double, 3> Nose(const Json &vessel, size_t k) {
  const Json &q = vessel["quat"];
  const double x = q[4 * k], y = q[4 * k + 1], z = q[4 * k + 2], w = q[4 * k + 3];
  // The rotated -z axis: minus the third column of the quaternion's matrix.
  return {-(2 * (x * z + w * y)), -(2 * (y * z - w * x)), -(1 - 2 * (x * x + y * y))};
}

size_t FrameAt(const Json &data, double t) {
  size_t k = 0;
  while (k + 1 < data["t"].size() && data["t"][k + 1].get<double>() <= t + 1e-9) ++k;
  return k;
}

const Json &VesselNamed(const Json &data, const std::string &name) {
  for (const Json &v : data["vessels"]) {
    if (v["name"] == name) return v;
  }
  ADD_FAILURE() << "no vessel " << name;
  return data["vessels"][0];
}

TEST_F(ReplayPage, ShapesFaceWhereTheVesselsHead) {
  const Json data = PageData(Page(""));
  const auto near = [](std::array<double, 3> nose, double heading_deg) {
    const double h = heading_deg * 3.14159265358979 / 180.0;
    const std::array<double, 3> expected = {std::sin(h), 0.0, -std::cos(h)};  // east, up, south
    double d = 0.0;
    for (int i = 0; i < 3; ++i) d += (nose[i] - expected[i]) * (nose[i] - expected[i]);
    return std::sqrt(d) < 0.01;
  };
  const Json &crew = VesselNamed(data, "crew");
  EXPECT_TRUE(near(Nose(crew, 0), 90.0));                  // set off facing east
  EXPECT_TRUE(near(Nose(crew, FrameAt(data, 8.0)), 0.0));  // a quarter turn left: north
  const Json &rover = VesselNamed(data, "rover");
  EXPECT_TRUE(near(Nose(rover, FrameAt(data, 17.0)), 0.0));
  EXPECT_TRUE(near(Nose(rover, data["t"].size() - 1), 210.6));  // after the right turn
}

TEST_F(ReplayPage, NamesCannotEndTheScriptTheyStandIn) {
  const std::string name = "x</script><script>alert(1)</script><!--";
  const std::string path =
      Write("odd.toml", std::string("[simulation]\nduration_s = 2.0\n") + kMoonAndGround +
                            "[[vessel]]\nname = '" + name + "'\nheight_over_terrain_m = 1.0\n");
  const std::string page = Page(path);
  EXPECT_EQ(Count(page, "<script"), 2u);
  EXPECT_EQ(Count(page, "<!--"), 0u);
  const Json data = PageData(page);
  ASSERT_TRUE(data.is_object());
  EXPECT_EQ(data["vessels"][1]["name"], name);
}

TEST_F(E2E, ReplayWithoutThePlayerBesideTheProgramStopsWithStatus1) {
  // The program alone, with its plug-ins but without replay/replay.js beside it.
  const fs::path bin = work_dir / "bin";
  fs::create_directories(bin);
  fs::copy_file(TD_SIM_PROGRAM, bin / "touchdown-sim");
  fs::permissions(bin / "touchdown-sim", fs::perms::owner_all);
  fs::create_directory_symlink(fs::path(TD_SIM_PROGRAM).parent_path() / "modules", bin / "modules");
  const std::string command =
      "'" + (bin / "touchdown-sim").string() + "' --replay '" + (work_dir / "page.html").string() +
      "' >'" + (work_dir / "out").string() + "' 2>'" + (work_dir / "err").string() + "'";
  const int raw = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1) << raw;
  EXPECT_TRUE(Slurp(work_dir / "out").empty());
  EXPECT_NE(Slurp(work_dir / "err").find("replay/replay.js"), std::string::npos)
      << Slurp(work_dir / "err");
  EXPECT_FALSE(fs::exists(work_dir / "page.html"));
}

}  // namespace
}  // namespace e2e

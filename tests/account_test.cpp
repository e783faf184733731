// The program's account of a run, step by step, without the module: it measures a free
// vessel against the terrain before each step and takes a measure as still true only while
// the vessel has stayed free and has not moved by a bit.
#include "app/account.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/runner.h"
#include "app/scenario_parse.h"
#include "app/scenario_world.h"
#include "math/vector.h"
#include "moon_and_ground.h"

namespace {

const std::string kCrateOverTheGround = std::string(R"(
[simulation]
step_s = 0.01
duration_s = 1.0
)") + tdtest::kMoonAndGround + R"(
[[vessel]]
name = "crate"
altitude_m = 100.0
)";

std::string Printed(const app::Account &account) {
  std::FILE *out = std::tmpfile();
  account.Print(out, {}, 0);
  std::rewind(out);
  std::string text;
  for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out)) text += static_cast<char>(c);
  std::fclose(out);
  return text;
}

// Hung on the carrier, let go where it hangs, then found in the ground: the vessel let go
// is measured anew (airborne again), so that its coming down is a touchdown.
TEST(Account, AVesselLetGoWhereItHangsIsMeasuredAnew) {
  const app::Scenario scenario = app::ParseScenarioText(kCrateOverTheGround, "<test>");
  sim::World world;
  app::BuildWorld(scenario, world);
  const app::Roster roster = app::RosterOf(world);
  app::Account account(scenario);
  const auto step = [&](int n) {
    const app::StepContext ctx{world, roster, n, 0.01 * n};
    account.BeforePostStep(ctx);
    account.AfterPostStep(ctx);
  };
  account.OnStart({world, roster, 0, 0.0});
  step(1);

  const OBJHANDLE crate = world.FindVessel("crate");
  const VESSEL *carrier = oapiGetVesselInterface(world.FindVessel("surface"));
  const ATTACHMENTHANDLE hook = carrier->CreateAttachment(false, td::Vec3(0, 50, 0),
                                                          td::Vec3(0, 1, 0), td::Vec3(0, 0, 1), "");
  const ATTACHMENTHANDLE eye = oapiGetVesselInterface(crate)->CreateAttachment(
      true, td::Vec3(0, 0, 0), td::Vec3(0, -1, 0), td::Vec3(0, 0, 1), "");
  ASSERT_TRUE(carrier->AttachChild(crate, hook, eye));
  step(2);
  ASSERT_TRUE(carrier->DetachChild(hook));
  step(3);

  sim::VesselRecord *v = world.Vessel(crate);
  const VECTOR3 centre = world.Body(v->body)->pos_global;
  const VECTOR3 up = td::VecUnit(td::VecSub(v->pos_global, centre));
  v->pos_global = td::VecAdd(centre, td::VecScale(up, 1737400.0 - 1.0));
  v->vel_global = td::VecScale(up, -1.0);
  step(4);
  account.OnFinish({world, roster, 4, 0.04});

  const std::string text = Printed(account);
  EXPECT_NE(text.find("0.040 s  touchdown, closing speed 1.000 m/s"), std::string::npos) << text;
}

}  // namespace

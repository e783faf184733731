// The one watch that tells touchdowns to the account and to the pictures. A vessel comes down
// on the relief or on a body's smooth sphere; the closing speed is the one it came down with,
// also where the host's sphere took its velocity out within the step.
#include "app/world/contact_watch.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>

#include "app/account/account.h"
#include "app/base/text_format.h"
#include "app/scenario/scenario_parse.h"
#include "app/visuals/run_record.h"
#include "app/world/scenario_world.h"
#include "math/vector.h"
#include "support/moon_and_ground.h"

namespace {

// The relief is the Moon's; Earth, far off, has only its sphere.
const std::string kTwoBodies = std::string(R"(
[simulation]
step_s = 0.01
duration_s = 1.0
)") + tdtest::kMoonAndGround + R"(
[[body]]
name = "Earth"
radius_m = 6371000.0
mass_kg = 5.972e24
position_m = [4.0e8, 0.0, 0.0]

[[vessel]]
name = "crate"
body = "Moon"
altitude_m = 100.0

[[vessel]]
name = "buoy"
body = "Earth"
altitude_m = 100.0
)";

struct Descent {
  const char *vessel;
  double height_m;     // its touchdown plane over the mean radius once it is down
  double now_mps;      // its velocity into the surface then
  double closing_mps;  // the touchdown's
  bool on_sphere;
};

class ContactWatchTest : public ::testing::TestWithParam<Descent> {
 protected:
  ContactWatchTest() : scenario(app::ParseScenarioText(kTwoBodies, "<test>")) {
    app::BuildWorld(scenario, world);
    roster = app::RosterOf(world);
  }

  // Puts the vessel's touchdown plane height_m over its body's mean radius, moving down_mps
  // towards the centre.
  void Place(OBJHANDLE vessel, double height_m, double down_mps) {
    sim::VesselRecord *v = world.Vessel(vessel);
    const sim::BodySpec *body = world.Body(v->body);
    const VECTOR3 up = td::VecUnit(td::VecSub(v->pos_global, body->pos_global));
    const double r = body->radius_m + height_m + v->cog_elev_m;
    v->pos_global = td::VecAdd(body->pos_global, td::VecScale(up, r));
    v->vel_global = td::VecAdd(body->vel_global, td::VecScale(up, -down_mps));
  }

  app::Scenario scenario;
  sim::World world;
  app::Roster roster;
};

TEST_P(ContactWatchTest, ATouchdownClosesAtTheSpeedItCameDownWith) {
  const Descent &d = GetParam();
  app::ContactWatch watch(scenario);
  const OBJHANDLE vessel = world.FindVessel(d.vessel);
  const auto index = static_cast<size_t>(roster.IndexOf(vessel));
  Place(vessel, 1.0, 2.0);  // a metre up, coming down at 2 m/s
  watch.Look(world, roster);
  EXPECT_TRUE(watch.Touchdowns().empty());
  Place(vessel, d.height_m, d.now_mps);
  watch.Look(world, roster);
  ASSERT_EQ(watch.Touchdowns().size(), 1u);
  EXPECT_EQ(watch.Touchdowns()[0].vessel, index);
  EXPECT_NEAR(watch.Touchdowns()[0].closing_mps, d.closing_mps, 1e-9);
  EXPECT_EQ(watch.SphereLandings().size(), d.on_sphere ? 1u : 0u);
  // Settling in and out by less than the airborne margin is the same touchdown.
  Place(vessel, d.height_m + 0.02, 0.0);
  watch.Look(world, roster);
  Place(vessel, d.height_m, 0.0);
  watch.Look(world, roster);
  EXPECT_TRUE(watch.Touchdowns().empty());
}

// The account and the pictures read the same touchdown.
TEST_P(ContactWatchTest, TheAccountAndThePicturesGiveOneClosingSpeed) {
  const Descent &d = GetParam();
  app::Account account(scenario);
  app::RunRecorder recorder(scenario);
  const OBJHANDLE vessel = world.FindVessel(d.vessel);
  const auto step = [&](int n) {
    const app::StepContext ctx{world, roster, n, 0.01 * n};
    for (app::StepObserver *o : std::initializer_list<app::StepObserver *>{&account, &recorder}) {
      if (n == 0) o->OnStart(ctx);
      o->BeforeModuleStep(ctx);
      o->AfterModuleStep(ctx);
    }
  };
  Place(vessel, 1.0, 2.0);
  step(0);
  Place(vessel, d.height_m, d.now_mps);
  step(1);
  account.OnFinish({world, roster, 1, 0.01});
  std::FILE *out = std::tmpfile();
  account.Print(out, {}, 0);
  std::rewind(out);
  std::string printed;
  for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out)) printed += static_cast<char>(c);
  std::fclose(out);
  const std::string speed = app::FormatFixed(d.closing_mps, 2);
  EXPECT_NE(printed.find("touchdown, closing speed " + speed), std::string::npos) << printed;
  bool marked = false;
  for (const app::Mark &m : recorder.Record().marks) {
    marked |= m.kind == app::Mark::kTouchdown && m.text == "touchdown " + speed + " m/s";
  }
  EXPECT_TRUE(marked);
}

// On the Moon's flat relief the plane goes a centimetre in at its own speed; on Earth the
// host's sphere holds it at the mean radius (rounded a little below) and has taken out its
// velocity.
INSTANTIATE_TEST_SUITE_P(Surfaces, ContactWatchTest,
                         ::testing::Values(Descent{"crate", -0.01, 1.5, 1.5, false},
                                           Descent{"buoy", -1e-7, 0.0, 2.0, true}));

}  // namespace

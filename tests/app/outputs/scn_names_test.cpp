// Which names the simulator's scenario files can carry back as written, and a scenario whose
// names they cannot refused before the run, the offending name and the reason said.
#include "app/outputs/scn_names.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/base/usage_error.h"
#include "app/scenario/scenario_parse.h"

namespace {

TEST(ScnNames, VesselHeadersTheSimulatorReadsBackAsWritten) {
  const std::string longest(250, 'v');
  const struct {
    std::string name;
    std::optional<std::string> class_name;
    const char *problem;  // a word of the reason; "" for none
  } rows[] = {
      {"lander-1_b", std::string("ShuttlePB"), ""},
      {"rover", std::string("UCGO\\Cars\\Rover"), ""},
      {"Mond\xc3\xa4ler", std::nullopt, ""},
      {"probe", std::string("probe"), ""},
      {"my lander", std::nullopt, "space"},
      {"a:b", std::nullopt, "':'"},
      {"a;b", std::nullopt, "';'"},
      {"a\tb", std::nullopt, "control"},
      {"", std::nullopt, "empty"},
      {"lander", std::string("Shuttle PB"), ""},  // a class may hold a space inside
      {"lander", std::string(" ShuttlePB"), "class: it begins or ends with a space"},
      {"lander", std::string("Shuttle;PB"), "class"},
      {"lander", std::string(""), "class: it is empty"},
      {longest, std::nullopt, ""},
      {longest + "v", std::nullopt, "longer"},
      {"v", std::string(250, 'c'), "longer"},
  };
  for (const auto &row : rows) {
    const std::string why = app::ScnVesselNameProblem(row.name, row.class_name);
    if (std::string(row.problem).empty()) {
      EXPECT_EQ(why, "") << row.name;
    } else {
      EXPECT_NE(why.find(row.problem), std::string::npos) << row.name << ": " << why;
    }
  }
  EXPECT_EQ(app::ScnBodyNameProblem("Moon"), "");
  EXPECT_EQ(app::ScnBodyNameProblem("Proxima b"), "");
  EXPECT_NE(app::ScnBodyNameProblem("Moon;"), "");
}

TEST(ScnNames, AScenarioIsRefusedForANameItCreatesLaterToo) {
  const std::string ground = R"(
[simulation]
duration_s = 2.0
[[body]]
name = "Moon"
radius_m = 1737400.0
[[vessel]]
name = "lander"
)";
  EXPECT_NO_THROW(app::CheckScnNames(app::ParseScenarioText(ground, "ok.toml")));
  const std::string created = ground + R"(
[[event]]
t_s = 1.0
create = { name = "second lander", altitude_m = 10.0 }
)";
  try {
    app::CheckScnNames(app::ParseScenarioText(created, "late.toml"));
    FAIL() << "not refused";
  } catch (const app::UsageError &e) {
    const std::string what = e.what();
    EXPECT_NE(what.find("--save-scn"), std::string::npos) << what;
    EXPECT_NE(what.find("\"second lander\" of late.toml"), std::string::npos) << what;
    EXPECT_NE(what.find("space"), std::string::npos) << what;
  }
}

}  // namespace

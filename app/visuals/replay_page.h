// touchdown-sim --replay FILE: one HTML file that plays the run in 3D in a browser, with
// nothing fetched from anywhere. The page's script (three.js and the player, bundled from
// web/ when building) is read from beside the program and copied in, with the run's frames
// as JSON.
#pragma once

#include <string>

#include "app/visuals/run_record.h"

namespace app {

// The run as the player reads it: frames at about kReplayFramesPerSecond of simulated time
// (fewer for long runs with many vessels), positions to the centimetre.
std::string ReplayData(const RunRecord &record);

// The page: data and script inline, made safe for the HTML they stand in.
std::string ReplayPage(const RunRecord &record, const std::string &script);

inline constexpr double kReplayFramesPerSecond = 25.0;

// Pieces the live page's stream shares with the replay page, so both draw the same scene.
// "carrier", "walker", "car" or "craft": the shape the page draws.
const char *VesselKind(const VesselTrack &v);
// The terrain grid for the scene, or null without heights.
void AppendTerrainJson(std::string &out, const TerrainGrid &grid);
const char *MarkKindName(Mark::Kind kind);
// Script text made safe to stand inside a script element.
std::string ScriptSafe(const std::string &js);
// JSON text made safe to stand inside a script element (type application/json).
std::string ScriptJson(const std::string &json);

}  // namespace app

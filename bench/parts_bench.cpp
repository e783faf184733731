// The module's parts on their own: the ground probe, the anchor table's lookup and its
// common case (anchoring a vessel that already is), and the movement dispatch with keys held.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "anchor/anchor_table.h"
#include "anchor/ground_probe.h"
#include "anchor/movement.h"
#include "bench/fleet.h"
#include "module/key_table.h"
#include "module/test_access.h"
#include "module/vessel_class.h"

namespace tdbench {

namespace {

OBJHANDLE FakeHandle(uintptr_t i) { return reinterpret_cast<OBJHANDLE>((i + 1) << 4); }

void ProbeGround(benchmark::State &state) {
  Fleet fleet(Situation::kFlight, 1);
  const VESSEL *vessel = oapiGetVesselInterface(fleet.Vessels()[0]);
  VECTOR3 drop_global;
  double terrain_alt_m;
  for (auto _ : state) {
    benchmark::DoNotOptimize(td::ProbeGround(*vessel, drop_global, terrain_alt_m));
  }
}
BENCHMARK(ProbeGround)->Name("probe/ground");

// The lookup the contact pass makes for every vessel: in an empty table, and in a full one,
// where a vessel that is not anchored is the worst case and one in the last slot the next.
void AnchorLookup(benchmark::State &state, int filled, uintptr_t sought) {
  td::ResetAnchorTable();
  for (int slot = 0; slot < filled; ++slot) td::test_access::SetSlotVessel(slot, FakeHandle(slot));
  OBJHANDLE handle = FakeHandle(sought);
  for (auto _ : state) {
    benchmark::DoNotOptimize(handle);
    benchmark::DoNotOptimize(td::FindAnchorSlot(handle));
  }
  td::ResetAnchorTable();
}
BENCHMARK_CAPTURE(AnchorLookup, empty, 0, 1000)->Name("anchor_lookup/empty");
BENCHMARK_CAPTURE(AnchorLookup, full_absent, td::kAnchorSlotCount, 1000)
    ->Name("anchor_lookup/full_absent");
BENCHMARK_CAPTURE(AnchorLookup, full_last, td::kAnchorSlotCount, td::kAnchorSlotCount - 1)
    ->Name("anchor_lookup/full_last_slot");

// Anchoring asked for a vessel that already hangs in the last slot of a full table.
void AnchorAgain(benchmark::State &state) {
  Fleet fleet(Situation::kAnchored, td::kAnchorSlotCount);
  VESSEL *vessel = oapiGetVesselInterface(fleet.Vessels().back());
  for (auto _ : state) td::AnchorVessel(vessel);
  if (td::FindAnchorSlot(fleet.Vessels().back()) != td::kAnchorSlotCount - 1) {
    state.SkipWithError("the vessel is not in the last slot");
  }
}
BENCHMARK(AnchorAgain)->Name("anchor_call/already_anchored");

// A walker or car as the focus, anchored, with a step key and a turn key held: every dispatch
// steps it (probe, attachment edit) and turns it.
void MovementDispatch(benchmark::State &state, const char *class_name) {
  Fleet fleet(Situation::kAnchored, 1);
  const OBJHANDLE mover = fleet.Vessels()[0];
  fleet.World().Vessel(mover)->class_name = class_name;
  fleet.World().KeyDown(td::kKeyW);
  fleet.World().KeyDown(td::kKeyD);
  for (auto _ : state) td::DispatchMovement(Fleet::kStep_s);
  fleet.World().KeyUp(td::kKeyW);
  fleet.World().KeyUp(td::kKeyD);
  if (fleet.World().Vessel(mover)->parent == nullptr) state.SkipWithError("the mover came loose");
}
const std::string kRoverClass = std::string(td::kCarClassPrefix) + "\\Rover";
BENCHMARK_CAPTURE(MovementDispatch, walker, td::kWalkerClass)
    ->Name("movement/walker_step_and_turn");
BENCHMARK_CAPTURE(MovementDispatch, car, kRoverClass.c_str())->Name("movement/car_step_and_turn");

}  // namespace

}  // namespace tdbench

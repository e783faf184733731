// The host's free functions, acting on the current world.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "math/vector.h"
#include "sim/world_impl.h"

using sim::HostQuery;

DWORD oapiGetVesselCount() {
  sim::World::Impl *w = HostQuery();
  if (w == nullptr) return 0;
  return static_cast<DWORD>(w->live.size());
}

OBJHANDLE oapiGetVesselByIndex(int index) {
  sim::World::Impl *w = HostQuery();
  if (w == nullptr || index < 0 || static_cast<size_t>(index) >= w->live.size()) return nullptr;
  sim::VesselRecord *v = w->by_serial[w->live[static_cast<size_t>(index)]].first;
  sim::HandOut(*w, *v);
  return v->handle;
}

VESSEL *oapiGetVesselInterface(OBJHANDLE hVessel) {
  sim::World::Impl *w = HostQuery();
  if (w == nullptr) return nullptr;
  sim::VesselRecord *v = sim::ModuleVessel(*w, hVessel, __func__);
  if (v == nullptr) return nullptr;
  // Asked by a handle of an ended session, the interface is the new vessel's, not handed out.
  if (v->module_session == w->session) sim::HandOut(*w, *v);
  return w->Interface(hVessel);
}

VESSEL *oapiGetFocusInterface() {
  sim::World::Impl *w = HostQuery();
  if (w == nullptr) return nullptr;
  sim::VesselRecord *v = w->LiveVessel(w->focus);
  if (v == nullptr) return nullptr;
  sim::HandOut(*w, *v);
  return w->Interface(w->focus);
}

bool oapiIsVessel(OBJHANDLE hVessel) {
  sim::World::Impl *w = HostQuery();
  return w != nullptr && sim::ModuleVessel(*w, hVessel, __func__) != nullptr;
}

void oapiGetGlobalPos(OBJHANDLE hObj, VECTOR3 *pos) {
  sim::World::Impl *w = HostQuery();
  if (w == nullptr || pos == nullptr) return;
  if (const sim::BodySpec *body = w->Body(hObj)) {
    *pos = sim::AnsweredBodyPos(*w, *body);
  } else if (const sim::VesselRecord *v = sim::ModuleVessel(*w, hObj, __func__)) {
    *pos = sim::AnsweredPos(*w, *v);
  } else {
    *pos = VECTOR3{};  // like every other answer about an object that is not there
  }
}

double oapiGetSize(OBJHANDLE hObj) {
  sim::World::Impl *w = HostQuery();
  if (w == nullptr) return 0.0;
  const sim::BodySpec *body = w->Body(hObj);
  if (body == nullptr) sim::NoteIfStale(*w, hObj, __func__);
  return body != nullptr ? body->radius_m : 0.0;
}

double oapiGetMass(OBJHANDLE hObj) {
  sim::World::Impl *w = HostQuery();
  if (w == nullptr) return 0.0;
  if (const sim::BodySpec *body = w->Body(hObj)) return body->mass_kg;
  if (const sim::VesselRecord *v = sim::ModuleVessel(*w, hObj, __func__)) return v->mass_kg;
  return 0.0;
}

BOOL oapiGetEquPos(OBJHANDLE hVessel, double *longitude, double *latitude, double *radius) {
  sim::World::Impl *w = HostQuery();
  if (w == nullptr) return 0;
  const sim::VesselRecord *v = sim::ModuleVessel(*w, hVessel, __func__);
  if (v == nullptr) return 0;
  // The surface parameters of the update: from the new state, never the start of the step.
  const auto [ref, pos_global] = sim::SurfaceSource(*w, *v);
  const sim::BodySpec *body = w->Body(ref);
  if (body == nullptr) return 0;
  // In the body's turning frame, as the update left it.
  VECTOR3 loc = td::VecSub(pos_global, body->pos_global);
  if (body->turn_rad != 0.0) loc = sim::BodyRotation(*body).MulTransposed(loc);
  const double r = td::VecLength(loc);
  if (longitude != nullptr) *longitude = std::atan2(loc.z, loc.x);
  if (latitude != nullptr) *latitude = std::asin(loc.y / r);
  if (radius != nullptr) *radius = r;
  return 1;
}

void InitLib(HINSTANCE hModule) {
  sim::World::Impl *w = HostQuery();
  if (w != nullptr) w->init_lib_instances.push_back(hModule);
  sim::InitModuleByName(w, hModule);
}

int Date2Int(char *date) {
  HostQuery();
  static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
  char month[4] = {};
  int day = 0, year = 0;
  if (date == nullptr || std::sscanf(date, "%3s %d %d", month, &day, &year) != 3) return 0;
  const char *found = std::strstr(kMonths, month);
  if (std::strlen(month) != 3 || found == nullptr || (found - kMonths) % 3 != 0) return 0;
  const int month_number = static_cast<int>(found - kMonths) / 3 + 1;
  return (year % 100) * 10000 + month_number * 100 + day;
}

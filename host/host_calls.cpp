// Calls every host function that host/orbiter_api.h declares, so that a compile of this file
// references each one under the compiler's own name for it. The Windows build compiles it
// twice, with MinGW and with clang in Microsoft mode, and pairs the two names of each function
// into the import library a DLL for the real host links against. It is never linked.
#include "host/orbiter_api.h"

#pragma GCC diagnostic ignored "-Wunused-result"

void CallEveryHostFunction(const VESSEL &v, HINSTANCE instance, char *text, OBJHANDLE handle,
                           ATTACHMENTHANDLE point, VECTOR3 &a, VECTOR3 &b, VECTOR3 &c) {
  double longitude, latitude, radius;
  oapiGetVesselCount();
  oapiGetVesselByIndex(0);
  oapiGetVesselInterface(handle);
  oapiGetFocusInterface();
  oapiIsVessel(handle);
  oapiGetGlobalPos(handle, &a);
  oapiGetSize(handle);
  oapiGetMass(handle);
  oapiGetEquPos(handle, &longitude, &latitude, &radius);
  InitLib(instance);
  Date2Int(text);
  v.GetHandle();
  v.GetClassNameA();
  v.GetGlobalPos(a);
  v.GetGlobalVel(a);
  v.GetMass();
  v.GetCOG_elev();
  v.GetThrustVector(a);
  v.GetSurfaceRef();
  v.Global2Local(a, b);
  v.Local2Global(a, b);
  v.AddForce(a, b);
  v.CreateAttachment(true, a, b, c, text);
  v.AttachChild(handle, point, point);
  v.DetachChild(point);
  v.GetAttachmentParams(point, a, b, c);
  v.SetAttachmentParams(point, a, b, c);
}

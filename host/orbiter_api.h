// The subset of the simulator's published module interface that touchdown uses, declared
// with the host's own names, types, constness and default arguments, so that the module's
// sources compile unchanged against the host's SDK headers. The host defines all of it:
// the simulator executable on Windows, the stand-in host (sim/) elsewhere.
#pragma once

#ifdef _WIN32
#include <windows.h>
// The host's executable exports what modules import from it, under the names the host's
// compiler gives them: the stand-in host's export list maps them to ours (the build makes
// it), so nothing here is exported under a name of our compiler's.
#ifdef TD_HOST_EXPORTS
#define OAPIFUNC
#else
#define OAPIFUNC __declspec(dllimport)
#endif
#else
#include <cstdint>

typedef uint32_t DWORD;
typedef int BOOL;
struct HINSTANCE__;
typedef HINSTANCE__ *HINSTANCE;
#define OAPIFUNC __attribute__((visibility("default")))
#endif

typedef void *OBJHANDLE;
typedef void *ATTACHMENTHANDLE;

// The host's 3-vector. The anonymous struct inside a union is a compiler extension that
// the host's SDK relies on; __extension__ keeps -Wpedantic quiet about it.
typedef union {
  double data[3];
  __extension__ struct { double x, y, z; };
} VECTOR3;

OAPIFUNC DWORD oapiGetVesselCount();
OAPIFUNC OBJHANDLE oapiGetVesselByIndex(int index);
class VESSEL;
OAPIFUNC VESSEL *oapiGetVesselInterface(OBJHANDLE hVessel);
OAPIFUNC VESSEL *oapiGetFocusInterface();
OAPIFUNC bool oapiIsVessel(OBJHANDLE hVessel);
OAPIFUNC void oapiGetGlobalPos(OBJHANDLE hObj, VECTOR3 *pos);
OAPIFUNC double oapiGetSize(OBJHANDLE hObj);
OAPIFUNC double oapiGetMass(OBJHANDLE hObj);
OAPIFUNC BOOL oapiGetEquPos(OBJHANDLE hVessel, double *longitude, double *latitude, double *radius);
OAPIFUNC void InitLib(HINSTANCE hModule);
OAPIFUNC int Date2Int(char *date);

struct VesselState;  // the host's own record of a vessel; opaque to modules

// The host's SDK declares some handles as `const OBJHANDLE` return values; the qualifier
// means nothing on a return type and GCC says so, which we must not turn into an error.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wignored-qualifiers"

class OAPIFUNC VESSEL {
 public:
  VESSEL(OBJHANDLE hVessel, int fmodel = 1);
  ~VESSEL();

  const OBJHANDLE GetHandle() const;
  char *GetClassNameA() const;
  void GetGlobalPos(VECTOR3 &pos) const;
  void GetGlobalVel(VECTOR3 &vel) const;
  double GetMass() const;
  double GetCOG_elev() const;
  bool GetThrustVector(VECTOR3 &T) const;
  const OBJHANDLE GetSurfaceRef() const;
  void Global2Local(const VECTOR3 &global, VECTOR3 &local) const;
  void Local2Global(const VECTOR3 &local, VECTOR3 &global) const;
  void AddForce(const VECTOR3 &F, const VECTOR3 &r) const;
  ATTACHMENTHANDLE CreateAttachment(bool toparent, const VECTOR3 &pos, const VECTOR3 &dir,
                                    const VECTOR3 &rot, const char *id, bool loose = false) const;
  bool AttachChild(OBJHANDLE child, ATTACHMENTHANDLE attachment,
                   ATTACHMENTHANDLE child_attachment) const;
  bool DetachChild(ATTACHMENTHANDLE attachment, double vel = 0.0) const;
  void GetAttachmentParams(ATTACHMENTHANDLE attachment, VECTOR3 &pos, VECTOR3 &dir,
                           VECTOR3 &rot) const;
  void SetAttachmentParams(ATTACHMENTHANDLE attachment, const VECTOR3 &pos, const VECTOR3 &dir,
                           const VECTOR3 &rot) const;

 protected:
  OBJHANDLE hVessel_;
  VesselState *state_;
  int fmodel_;
};

#pragma GCC diagnostic pop

// The platform types host/orbiter_api.h takes from <windows.h>, as the Windows SDK defines
// them, for a compile in Microsoft mode, where MinGW's headers do not work and no SDK is
// installed. Only the names of host functions are read from that compile, and these types
// are all that goes into the names.
#pragma once

typedef unsigned long DWORD;
typedef int BOOL;
struct HINSTANCE__ {
  int unused;
};
typedef struct HINSTANCE__ *HINSTANCE;

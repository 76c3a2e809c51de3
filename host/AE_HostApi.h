// Everything the plug-in uses of the After Effects host, declared by us under the
// host's names. Including this header also checks every layout at compile time.
#pragma once

#include "AE_Target.h"
#include "AE_Types.h"
#include "AE_Effect.h"
#include "AE_Suites.h"
#include "AE_LayoutChecks.h"

// The owner of a FindFirstFileA search, for the tests of the Windows build.
#pragma once

#include "framework/Owner.h"
#include "platform/winapi.h"

using TFindHandle = TOwner<HANDLE, &FindClose, -1>;

// The one include for the operating system: the real SDK on Windows, the
// project's stand-in of the same small subset everywhere else.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <msxml2.h>
#include <ole2.h>
#include <oleauto.h>
#include <windows.h>
#else
#include "stand-in/msxml.h"
#include "stand-in/win_functions.h"
#include "stand-in/win_types.h"
#endif

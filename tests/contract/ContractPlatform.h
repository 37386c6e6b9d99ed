#pragma once
#include "platform/Platform.h"

// The implementation under test: the simulated machine natively, the real Windows calls in
// the cross-compiled build that runs under Wine.
platform::Platform& contractPlatform();

// True when the tests run against the real Windows calls.
bool contractIsWin32();

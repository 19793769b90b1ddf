#pragma once
// The name the Win32 tests include the shared test helpers by.
#include "unit/test_support.h"

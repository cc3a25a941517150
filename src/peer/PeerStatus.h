#pragma once

// The status values and message codes of the peer's operations; they live in base/, which every
// library of the package shares.

#include "base/Status.h"

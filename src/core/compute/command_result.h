#pragma once
// The result type lives in the core root now; kept here for the compute commands.
#include "core/command_result.h"

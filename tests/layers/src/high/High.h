// A header of the upper folder that uses the lower one, as it may.
#pragma once

#include "low/Low.h"

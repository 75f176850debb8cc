// A header of the lower folder that reaches up with angle brackets and into the tests, both of
// which the check must refuse; the system's headers stay out of it.
#pragma once

#include <high/High.h>
#include <sys/types.h>

#include "tests/support/Rig.h"

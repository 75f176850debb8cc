// A header of the lower folder that reaches up, which the check must refuse.
#pragma once

#include "high/High.h"

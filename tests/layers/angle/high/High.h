// A header of the upper folder.
#pragma once

#pragma once

// The fixture moved to the shared test support.
#include "../support/ChosenDatabase.h"

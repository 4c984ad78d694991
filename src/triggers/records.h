// The trigger records live with the world; the trigger engine reads them from there.
#pragma once

#include "world/trigger_records.h"

#include "triggers/triggers.h"

#include "shell/program.h"

void RunTriggers(Program&, Platform&) {}

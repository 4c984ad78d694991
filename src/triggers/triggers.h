// Level scripts: trigger events, conditions, variables, timers and actions.
#pragma once

struct Program;
class Platform;

// The runner: once per frame in which the world stepped, when switched on.
void RunTriggers(Program& prog, Platform& plat);

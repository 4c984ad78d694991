// Every key of the program in one table: the handlers are dispatched from it (by the frame loop) and the
// help window is written from it, so the help lists every key there is.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

enum class KeyAction : uint8_t {
    Pause,
    Pan,
    Home,
    Wireframe,
    Help,
    Delete,
    Duplicate,
    Copy,
    Cut,
    Paste,
    Grid,
    Undo,
    Redo,
    Rewind,
    New,
    Save,
    SaveAs,
    Quit,
    StepOnce,
    Speed,
    ScrubBack,
    ScrubForward,
    ScrubBackStep,
    ScrubForwardStep,
};

// When a binding fires: on the frame the key is let go, the frame it goes down, or every frame it is held.
enum class KeyEdge : uint8_t { Released, Pressed, Held };

// What the modifiers must be: Control and Shift each needed, refused, or either. A modifier counts as held
// in the frame it is let go together with the key (ControlHeld).
enum class Mod : uint8_t { Either, Needed, Refused };

struct KeyBinding {
    int key = 0;
    Mod control = Mod::Either;
    Mod shift = Mod::Either;
    KeyEdge edge = KeyEdge::Released;
    KeyAction action = KeyAction::Pause;
    const char* label = ""; // the keys as the help shows them; empty: made from the key and modifiers
    const char* help = "";  // what it does, as the help shows it
};

const std::vector<KeyBinding>& KeyTable();

// This frame's key actions, in table order, each at most once; none while a window takes the keyboard.
std::vector<KeyAction> KeyActionsOf(const InputState& in);

// The help's lines for the keys, in table order: "Ctrl+Y or Ctrl+Shift+Z: redo".
std::vector<std::string> KeyHelpLines();

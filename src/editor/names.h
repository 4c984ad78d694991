// What the interface calls things: the names of tools and object kinds, and one-line hints on their use.
#pragma once

#include <string>

// The name of a tool as the user reads it ("Icebox" is "Ice box"); a custom image's tool keeps its name.
std::string ToolName(const std::string& tool);
// How the tool is used, in a few words ("click to place", "drag from one end to the other").
std::string ToolHint(const std::string& tool);
// The name of an object kind, from an entity's type ("icebox" is "Ice box", "wall_red" is "Wall").
std::string KindName(const std::string& type);
// The same name inside a sentence, as history messages use it ("undo: recolour wall"); "object" for an
// entity without a type.
std::string KindWord(const std::string& type);

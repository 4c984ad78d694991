// The tools' work in the world, inside the editor's input handling.
#pragma once

struct EditorScene;

// Applies the current tool for this frame's button states and mouse world position.
void ApplyTool(const EditorScene& sc);

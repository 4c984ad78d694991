#include "editor/editor.h"

#include "platform/platform.h"
#include "shell/program.h"

void BuildEditorInterface(Program& prog, Platform&) {
    prog.editor.labels.clear();
    prog.editor.labels.push_back({10, 200, "", 0, 0, 0});
}

void ApplyPanels(Program&, Platform&) {}

void ToolbarUpdate(Program& prog, Platform&) {
    FadeStatus(prog.editor);
}

void ToolWindowInput(Program&, Platform&) {}

void CloseToolGroups(Program&) {}

void EditorInput(Program& prog, Platform&) {
    const InputState& in = prog.shell.input;
    prog.editor.leftState = NextLeftButtonState(prog.editor.leftState, in.left);
    if (in.released[Key::F1]) prog.shell.texturedView = prog.shell.texturedView ? 0 : 1;
    if (in.released[Key::Space]) prog.shell.paused = !prog.shell.paused;
}

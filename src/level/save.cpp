// The background save and the batch steps of the command line.
//
// The save writes a text snapshot of the world taken on the main thread when it starts, so nothing the
// main thread does while the worker runs can race the writer; the tool stays "locked" and the simulation
// held while it runs all the same.
#include <iostream>
#include <system_error>

#include "common/text.h"
#include "level/level.h"
#include "platform/platform.h"
#include "shell/program.h"

SaveJob::~SaveJob() {
    if (worker.joinable()) worker.join();
}

namespace {

void RunSave(SaveJob& job) {
    job.ok = WriteKeepingBackup(job.path, job.text, &job.why);
    job.done.store(true, std::memory_order_release);
}

void FinishSave(Program& prog) {
    Shell& sh = prog.shell;
    SaveJob& job = *sh.save;
    if (job.worker.joinable()) job.worker.join();
    bool ok = job.ok;
    sh.saving = false;
    if (ok) MarkLevelKnown(sh.overwrite, job.path);
    prog.editor.currentTool = job.savedTool;
    SetStatus(prog.editor, ok ? "saving done." : "saving failed");
    sh.save.reset();
}

} // namespace

void StartSave(Program& prog) {
    Shell& sh = prog.shell;
    if (sh.saving) return;
    if (MustAskBeforeSaving(sh.overwrite, sh.levelPath, sh.frame))
        return SetStatus(prog.editor, OverwriteQuestion(sh.levelPath));
    SetStatus(prog.editor, "saving...");
    sh.saving = true;
    sh.save = std::make_unique<SaveJob>();
    SaveJob& job = *sh.save;
    job.savedTool = prog.editor.currentTool;
    prog.editor.currentTool = "locked";
    job.path = sh.levelPath;
    job.text = LevelText(prog.world, prog.camera);
    try {
        job.worker = std::thread(RunSave, std::ref(job));
    } catch (const std::system_error&) {
        RunSave(job); // no thread to be had: write it here
    }
}

void PollSave(Program& prog) {
    Shell& sh = prog.shell;
    if (!sh.saving || !sh.save) return;
    prog.editor.currentTool = "locked";
    if (sh.headless || sh.save->done.load(std::memory_order_acquire)) FinishSave(prog);
}

void WaitForSave(Program& prog) {
    if (prog.shell.saving && prog.shell.save) FinishSave(prog);
}

bool LoadLevelAtStart(Program& prog, Platform& plat, const std::string& path) {
    Shell& sh = prog.shell;
    std::string stored = StoredPath(path);
    sh.levelPath = stored;
    size_t cut = stored.rfind('\\');
    sh.currentFolder = cut == std::string::npos ? std::string() : stored.substr(0, cut + 1);
    LoadReport report;
    if (!OpenLevel(prog, plat, stored, &report)) {
        std::cerr << "file not found...\n";
        return false;
    }
    if (report.dropped > 0)
        std::cerr << "tumblebox: " << path << ": " << report.dropped
                  << (report.dropped == 1 ? " record" : " records") << " could not be loaded\n";
    return true;
}

bool SaveLevelAtEnd(Program& prog, const std::string& path) {
    WaitForSave(prog);
    std::string why;
    if (!WriteKeepingBackup(StoredPath(path), LevelText(prog.world, prog.camera), &why)) {
        std::cerr << "tumblebox: cannot write " << path << ": " << why << "\n";
        return false;
    }
    return true;
}

// The editing interface: tools, toolbar, per-frame input, status line, property panels and the level
// browser.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/geometry.h"

struct World;
struct Camera;
struct InputState;
struct Images;
struct Gui;
struct Rng;
struct OverwriteGuard;
class Platform;

struct EditorLabel {
    int16_t x = 0, y = 0;
    std::string text;
    int16_t red = 255, green = 255, blue = 255;
};

struct ToolbarButton {
    int16_t x = 0, y = 0, width = 0, height = 0;
    std::string caption;
    int16_t hover = 0; // 1 while the mouse is over it
    int16_t state = 0; // 0 idle, 1 pressed, 2 clicked
    int16_t visible = 1;
};

struct TextField {
    int16_t x = 0, y = 0, width = 0, height = 0;
    std::string text;
    int16_t state = 0; // 1 focused
};

// Small squares in screen pixels, made in bursts by the editor and drawn by the overlay.
struct Spark {
    float x = 0, y = 0;   // position
    float cx = 0, cy = 0; // centre point (kinds 2 and 3 orbit it)
    float vx = 0, vy = 0;
    float ax = 0, ay = 0;
    float size = 1;
    int16_t fade = 1;
    int16_t kind = 0; // 0 plain, 1 trail, 2 orbit, 3 orbit and trail, 4 flicker, 5 drag
    float red = 255, green = 255, blue = 255;
    float turn = 0; // degrees per frame of orbiting kinds
};

// One trackbar row of a property panel.
enum class PanelRowKind { Friction, Elasticity, Gravity, Mass, WaterFriction, WaterGravity };

struct PanelRow {
    PanelRowKind kind = PanelRowKind::Friction;
    int32_t label = 0; // widget ids in the panel's window
    int32_t trackbar = 0;
    float opened = 0; // the knob as the panel set it; the row writes only once the knob has left it
    bool moved = false;
    float written = 0; // the value the row last wrote (for the history: a new value is a change)
    bool wroteOnce = false;
};

struct PanelSwatch {
    int32_t image = 0; // image widget id
    std::string colour;
};

// An open property panel. The target is kept by id (entities, regions) or by uid (half-spaces, water
// spaces), never by slot or position: a delete round trip repacks every table.
struct Panel {
    int32_t window = 0;
    std::string kind; // "entity", "halfspace", "waterspace" or "region"
    int32_t targetId = 0;
    uint32_t targetUid = 0;
    std::vector<PanelRow> rows;
    std::vector<PanelSwatch> swatches;
    int32_t deleteButton = 0;
};

// An open tool-group pop-up.
struct ToolGroupWindow {
    int32_t window = 0;
    int group = 0; // index of its button in "Tools :"
};

// The "Save as" window (0: closed) and its widgets.
struct SaveAsState {
    int32_t window = 0;
    std::string folder; // stored form, ending in '\'
    std::string name;   // the text typed
    int32_t nameLabel = 0, messageLabel = 0, saveButton = 0, cancelButton = 0;
};

// A tooltip: what the mouse rests on that has a name, and for how many frames it has rested there.
struct Tooltip {
    std::string key; // what is under the mouse; empty for nothing with a tip
    std::string title;
    std::string hint;
    int frames = 0;
};
constexpr int kTooltipDelay = 30; // half a second at 60 frames a second

// The mouse on its way from a group's button to the group's open pop-up: it may cross other group buttons,
// and the space between the windows, without the pop-up changing or closing.
struct PopUpAim {
    int fromX = 0, fromY = 0; // last mouse point on the open group's button
    bool known = false;
    int restFrames = 0; // frames the mouse has not moved
    int lastX = 0, lastY = 0;
};
// Resting this long on another group's button (or beside the windows) ends the grace.
constexpr int kAimRestFrames = 12;

// The grid the placement tools snap to while it is on, in world units.
constexpr int kGridStep = 25;

// What the editor asks the frame loop to do to the world as a whole or the files: the level the browser
// loads, the toolbar's "Save", "New" and "Rewind", the save "Save as" starts, and the pause a new half-space
// or water space starts. The frame loop carries them out in the order asked, right after the step that
// asked (shell/frame.cpp); "New" and "Rewind" not while a save runs.
enum class EditorRequestKind { Load, Save, SaveAs, New, Rewind, Pause };
struct EditorRequest {
    EditorRequestKind kind = EditorRequestKind::Save;
    std::string path; // Load, SaveAs: the stored path (a save's target once it is written)
    std::string name; // Load: the file as the browser lists it, for the history
};

struct Editor {
    std::string currentTool;
    int16_t leftState = 0; // 0 up, 1 pressed this frame, 2 held, 3 released this frame
    Vec2 anchor;           // (0, 0): no drag under way
    int32_t selected = 1;  // particle slot; starts on an empty slot, never on nothing
    int32_t previousSelected = 0;
    Vec2 mouseWorld; // (0, 0) while a window lies under the mouse
    Vec2 previousMouseWorld;
    Vec2 mouseWorldDelta;
    Vec2 pointerWorld; // the mouse's world point even over a window: movements are measured from it
    int previousMouseX = 0, previousMouseY = 0;
    bool pointerKnown = false;
    int16_t overToolbar = 0;
    std::vector<ToolbarButton> toolbar;
    std::vector<EditorLabel> labels; // label 0 is the status line, label 1 the level path
    std::vector<TextField> textFields;
    std::vector<Spark> sparks;

    int32_t toolsWindow = 0;             // "Tools :"
    std::vector<int32_t> toolsButtons;   // its ten buttons, in order
    std::vector<ToolGroupWindow> groups; // open pop-ups
    int32_t browserWindow = 0;           // "Load Level"
    std::vector<Panel> panels;
    // World resets the panels have seen: a reset that is not the editor's own delete (a level loaded by
    // a trigger, say) replaces the world, and the panels of the old world close.
    uint32_t worldResetsSeen = 0;
    uint32_t shaping = 0;     // uid of the half-space or water space the held button is shaping
    bool closeGroups = false; // the mouse is over no window: the pop-ups close this frame
    SaveAsState saveAs;
    std::shared_ptr<struct PreviewCache> previews; // the level browser's pictures (editor/preview.cpp)

    // What the user changed in the world this frame ("place box", "delete wall"...), for the history;
    // empty when nothing. changeLoadedFile: the change put a level file's world in place; changeTarget:
    // it set the save target too (a load or New), which its undo and redo put back.
    std::string change;
    bool changeLoadedFile = false;
    bool changeTarget = false;
    Tooltip tooltip;
    PopUpAim aim;
    int32_t helpWindow = 0; // "Help", 0 when closed
    bool grid = false;      // G: the grid is drawn and placements snap to it
    Vec2 home;              // the camera position the current level was loaded with (Home returns to it)
    // A right drag of one particle: the body it holds and how often that body had passed a portal; a body
    // that passes one is let go until the button is released.
    int32_t dragEntityId = 0;
    uint32_t dragPortalPasses = 0;
    bool dragLetGo = false;

    // The selection: entity ids (ids outlive the repacking of a delete round trip), in the order chosen.
    std::vector<int32_t> selection;
    // A Left Control + left press in the world: a click toggles the body under it, a drag draws the
    // selection rectangle from `selectFrom`. The tools rest while it lasts and for a few frames after it
    // (the GUI reports a click in the frame after the release).
    bool selecting = false;
    Vec2 selectFrom;
    int selectFromX = 0, selectFromY = 0;
    int toolRest = 0;
    // The last copy or cut, as level text (the system clipboard has it too; it wins when it holds text).
    std::string clipboard;
    std::vector<EditorRequest> requests; // asked this frame, not yet carried out
};

// What the editor asks of the shell, which owns the world as a whole and the files: it carries these out
// at once, where the editor needs the outcome before it goes on (a status line, a selection, a history
// step). `program` is handed back to each.
struct EditorHost {
    void* program = nullptr;
    // Ends a running save first: nothing changes the world meanwhile.
    void (*waitForSave)(void* program) = nullptr;
    // The delete round trips (level/): false when there was nothing to delete.
    bool (*deleteEntity)(void* program, Platform& plat, int32_t entitySlot) = nullptr;
    bool (*deleteEntities)(void* program, Platform& plat, const std::vector<int32_t>& entitySlots) = nullptr;
    bool (*deleteFreeParticle)(void* program, Platform& plat, int32_t particleSlot) = nullptr;
    // The level browser's picture of `world` through `cam`, into image `image`.
    void (*drawPicture)(void* program, Platform& plat, World& world, const Camera& cam, int image, int width,
                        int height) = nullptr;
};

// The shell's state the editor reads, and the few parts it sets: the save target and the browser's folder
// (the browser and "Save as" choose them).
struct EditorShell {
    InputState& input; // this frame's sample: read only, but for the keyboardTaken flag "Save as" raises
    std::string& levelPath;
    std::string& currentFolder;
    const bool& paused;
    const bool& saving; // a save may start or end while the editor works
    OverwriteGuard& overwrite;
    const int64_t& frame;
    bool headless = false;
    double screenWidth = 1280, screenHeight = 1024;
};

// What the editor works on in a frame, handed to it by the frame loop (shell/levels.h: EditorSceneOf).
struct EditorScene {
    Editor& editor;
    Gui& gui;
    World& world;
    Camera& camera;
    Images& images;
    Rng& rng;
    Rng& drawingRng; // the frame's own generator (sparks): never the world's
    EditorShell shell;
    EditorHost host;
};

// Where the panels' half-space and water-space targets and the shaped space stand in their lists, so that
// they can be found again after the world is repacked (a round trip gives every element a new uid).
struct PanelPlaces {
    std::vector<int> panels;
    int shaping = -1;
    bool shapingWater = false;
    size_t halfSpaces = 0, waterSpaces = 0;
};
PanelPlaces NotePanelPlaces(const EditorScene& sc);
void PutPanelsBack(const EditorScene& sc, const PanelPlaces& places);

// The left-button state after one frame with the button down or up.
int16_t NextLeftButtonState(int16_t current, bool down);

// The fading one-line message: red at first, fading to black over 255 frames, then emptied.
void SetStatus(Editor& ed, const std::string& text);
void FadeStatus(Editor& ed);
const std::string& StatusText(const Editor& ed);

// The frame loop's steps.
void BuildEditorInterface(const EditorScene& sc, Platform& plat);
void ApplyPanels(const EditorScene& sc, Platform& plat);
// The toolbar in two steps: the buttons (their requests are carried out between the two), then "Save as",
// the browser's picture, help, the text fields and the fading status line.
void ToolbarUpdate(const EditorScene& sc, Platform& plat);
void ToolbarFinish(const EditorScene& sc, Platform& plat);
void ToolWindowInput(const EditorScene& sc, Platform& plat);
// Asks every tool-group pop-up to close; they are gone before the frame is drawn.
void CloseToolGroups(const EditorScene& sc);
void EditorInput(const EditorScene& sc, Platform& plat);

// The tool-group pop-ups, numbered by their button in "Tools :" (0 "player" .. 8 "custom").
constexpr int kToolGroupCount = 9;
// Opens pop-up `group` (closing every other one); its window id.
int32_t OpenToolGroup(const EditorScene& sc, Platform& plat, int group);

// The level browser.
void OpenLoadLevelWindow(const EditorScene& sc, Platform& plat);
// Step of ToolbarFinish: while the browser is open, the folder it lists and the selected level's picture
// and counts, or "cannot be read". Files are read on a worker thread (at once in headless runs) and each
// picture is kept until its file changes.
void BrowserPreviewUpdate(const EditorScene& sc, Platform& plat);
void LoadLevelWindowHandler(const EditorScene& sc, Platform& plat);

// "Save as" (the toolbar button, Ctrl+Shift+S): the window with the file name, its folder, "Save" and
// "Cancel".
void OpenSaveAsWindow(const EditorScene& sc, Platform& plat);
// Step of ToolbarUpdate: while the window is open, the keyboard (typing, Backspace, Enter saves, Escape
// cancels) and its buttons. It marks the keyboard taken: no key acts elsewhere meanwhile.
void SaveAsWindowUpdate(const EditorScene& sc, Platform& plat);
// The stored path a name typed in "Save as" names, inside `folder`: ".lvl" is added to a name without an
// extension. Empty, with the reason in `why`, for a name a path cannot hold, another extension, or a name
// that leaves the levels folder tree.
std::string SaveAsPath(const std::string& folder, const std::string& name, std::string& why);

// Property panels; x, y is the mouse's screen position. Each returns the panel window's id.
int32_t OpenEntityPanel(const EditorScene& sc, int32_t entitySlot, int x, int y);
int32_t OpenHalfSpacePanel(const EditorScene& sc, uint32_t uid, int x, int y);
int32_t OpenRegionPanel(const EditorScene& sc, int32_t regionId, int x, int y);
int32_t OpenWaterSpacePanel(const EditorScene& sc, uint32_t uid, int x, int y);
// The "Edit" tool: every entity whose box holds the world point gets a panel; otherwise the first
// half-space, region or water space holding it. Returns the number of panels opened.
int OpenPanelsAt(const EditorScene& sc, Vec2 world, int x, int y);
// Closes every panel (a load replaces the world they edit).
void CloseAllPanels(const EditorScene& sc, Platform& plat);

// The first half-space whose solid side holds the point (index into the list), or -1; likewise the first
// region containing it and the first water space whose water holds it.
int HalfSpaceAt(const EditorScene& sc, Vec2 world);
int RegionAt(const EditorScene& sc, Vec2 world);
int WaterSpaceAt(const EditorScene& sc, Vec2 world);

// Deleting. The entity in `entitySlot` with everything it owns and its markers; a particle of the world
// entity alone with the constraints that touch it. Both rebuild the world from its own level text and
// keep the panels on their targets. A running save ends first. False when there was nothing to delete.
bool DeleteEntity(const EditorScene& sc, Platform& plat, int32_t entitySlot);
bool DeleteFreeParticle(const EditorScene& sc, Platform& plat, int32_t particleSlot);

// The tool group (0..8) holding a tool, or -1.
int ToolGroupOf(const Images& images, const std::string& tool);

// Names on the interface: the tooltip under the mouse, and the current tool marked in its pop-up and in
// "Tools :". Once a frame, after the GUI update.
void UpdateHints(Editor& ed, Gui& gui, const Images& images, const InputState& in,
                 const std::string& levelPath);

// The help window: opens it, or closes it when it is open.
void ToggleHelpWindow(Editor& ed, Gui& gui, Platform& plat);

// What the editor's keys do (the frame loop dispatches them from the key table).
void PanKeys(Camera& cam, const InputState& in); // the arrow keys pan as the screen edges do
void GridKey(Editor& ed);
// Ctrl+D: the selection, or else the body under the mouse, 20 units right and down. The shell ends a running
// save first when DuplicateWanted says there is something to copy: nothing changes the world while a save
// runs.
bool DuplicateWanted(const Editor& ed, const World& w, const Gui& gui);
void DuplicateKey(Editor& ed, World& w, struct Rng& rng, const Gui& gui);
void HomeKey(Camera& cam, const Editor& ed, double screenWidth);
void DeleteKey(const EditorScene& sc, Platform& plat); // the object under the mouse
// The body whose outline (the convex hull of its particles) holds the world point, the one drawn on top
// (the last in table order) when several do; 0 for none.
int32_t BodyAt(const World& w, Vec2 world);
// Places a copy of the body 20 units right and down: its kind, properties and shape, with its liquid and
// its lights. The new entity's slot, or 0 when there was nothing to copy or no room.
int32_t DuplicateBody(World& w, struct Rng& rng, Editor& ed, int32_t entitySlot);
// The nearest grid point.
Vec2 SnapToGrid(Vec2 world);

// ---- Selection (editor/selection.cpp) ------------------------------------------------------------------

// The slots of the selected bodies still in the world, in selection order.
std::vector<int32_t> SelectedSlots(const World& w, const std::vector<int32_t>& selection);
// What the selection keys act on: the selected bodies, or else the body under the mouse (none while a window
// lies under it).
std::vector<int32_t> ActedBodies(const EditorScene& sc);
bool IsSelected(const Editor& ed, int32_t entityId);
// Step of EditorInput: Left Control + left button in the world. True while it holds the left button (the
// tools then rest).
bool SelectionInput(const EditorScene& sc);
// Step of EditorInput: Left Control + wheel turns, Left Shift + wheel scales what the keys act on (the wheel
// does not zoom then). True when it changed the world.
bool TurnOrScaleWheel(const EditorScene& sc);
// Escape with a selection: clears it; false when there was none.
bool ClearSelectionKey(Editor& ed);

// Turns the bodies in `slots` by `degrees` (clockwise on the screen) about the mean of their particles:
// positions and old positions alike, their liquid with them.
void TurnBodies(World& w, const std::vector<int32_t>& slots, double degrees);
// Scales the bodies in `slots` by `factor` about the mean of their particles, with the rest lengths of the
// constraints between their particles and their liquid. Refused, with the reason in `why`, when a side of a
// body would become shorter than kMinSide or longer than kMaxSide.
constexpr double kMinSide = 2, kMaxSide = 10000;
bool ScaleBodies(World& w, const std::vector<int32_t>& slots, double factor, std::string& why);
// Moves the bodies in `slots` by `d`, positions and old positions alike.
void MoveBodies(World& w, const std::vector<int32_t>& slots, Vec2 d);

// Deletes every body in `slots` with everything it owns, in one round trip. False when none is left.
bool DeleteEntities(const EditorScene& sc, Platform& plat, const std::vector<int32_t>& slots);

// ---- Copy and paste (editor/clipboard.cpp) ---------------------------------------------------------------

// Adds copies of the bodies in `slots` of `from` to `to`, moved by `shift`, with new ids: their particles and
// constraints, the world's constraints between them (braces and joints, not a player's control), their
// liquid, lights and markers. `from` may be `to`. Nothing is added, and false returned, when a table of `to`
// cannot hold them all. The copies' entity ids go to `newIds`.
bool CopyBodies(const World& from, const std::vector<int32_t>& slots, World& to, struct Rng& rng, Vec2 shift,
                std::vector<int32_t>* newIds);
// The bodies as the text of a level of their own.
std::string BodiesText(const World& w, const std::vector<int32_t>& slots);
// Ctrl+C and Ctrl+X: the selection (or the body under the mouse) to the clipboard; a cut deletes it as well.
void CopyKey(const EditorScene& sc, Platform& plat, bool cut);
// Ctrl+V: the clipboard's bodies with the centre of their bounds at the mouse; they become the selection.
// Text that holds no body pastes nothing, and the status line says why; so does a full table.
void PasteKey(const EditorScene& sc, Platform& plat);

// A burst of sparks at a screen point.
void SparkBurst(const EditorScene& sc, float x, float y);

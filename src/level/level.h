// Level files, text in and world out: writing a world as level text, reading a level text into a world
// (and the camera), and the text surgery of the delete round trip. What a replaced world means for the
// rest of the program (panels, triggers, messages, the current level) is the shell's business.
//
// Paths are given in their stored form ('\' separators, as the level browser and the level files keep
// them); files are opened through NativePath.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct World;
struct Camera;
struct Rng;

// ---- Writing -------------------------------------------------------------------------------------------

// The whole world as the text of a level file (CR LF line ends).
std::string LevelText(const World& w, const Camera& cam);

// Writes `contents` beside `storedPath` and renames it into place once it is complete, so the file is
// either the old one or the whole new one. A read-only or non-regular target, a missing folder or a failed
// write leaves the old file untouched and returns false with the reason in `why`. A durable write also
// reaches the disk before it returns (not needed for working copies).
bool WriteFileAtomically(const std::string& storedPath, std::string_view contents, std::string* why = nullptr,
                         bool durable = true);

// Writes the level to `storedPath` (atomically, as above).
bool WriteLevel(const World& w, const Camera& cam, const std::string& storedPath, std::string* why = nullptr);

// ---- Reading -------------------------------------------------------------------------------------------

// What a read left out.
struct LoadReport {
    int32_t dropped = 0; // records not loaded: full tables or lists, ids of 0 or less, owners that do
                         // not exist, unusable values, over-long lines, texts for full triggers
    int32_t missingParticles = 0;     // constraint ends that named no particle (also counted in `dropped`)
    int32_t firstMissingParticle = 0; // the id the first of them named
    // The first line of a trigger file left out because its text would read back as a record once
    // written in a level (also counted in `dropped`).
    std::string unwritableTriggerText;
};

// The status line after a load: "loading done." with the number of records dropped, if any, and the first
// trigger text left out.
std::string LoadDoneStatus(const LoadReport& report);

// Replaces the world and the camera's position and zoom with a level text: the world is reset, then every
// line is read. Liquid boxes are filled from `rng`.
LoadReport ReadLevelText(World& w, Camera& cam, Rng& rng, std::string_view text);
// The same from a file; false when it cannot be opened, and then nothing changes.
bool ReadLevelFile(World& w, Camera& cam, Rng& rng, const std::string& storedPath,
                   LoadReport* report = nullptr);
// Reads the trigger lines of a file into the trigger list; a missing file posts the notice path + "not
// found".
void LoadTriggerFile(World& w, const std::string& storedPath);

// True when `storedPath` names a regular file that can be opened for reading.
bool LevelFileReadable(const std::string& storedPath);

// ---- Deleting by round trip: the text surgery ---------------------------------------------------------

// The level text `text` of `w` with the records of the entity in `entitySlot` blanked in place: its
// entity, particle and liquid-box lines and every constraint touching one of its particles, whoever owns
// it. The text is returned unchanged when the slot holds no entity.
std::string BlankEntityLines(const World& w, std::string text, int32_t entitySlot);
// The same for several entities in one pass over the text; slots that hold no entity are passed over.
std::string BlankEntitiesLines(const World& w, std::string text, const std::vector<int32_t>& entitySlots);
// The level text without the line of the world entity's particle `particleId` and the lines of the
// constraints that touch it.
std::string DropFreeParticleLines(std::string_view text, int32_t particleId);

// ---- World progression -----------------------------------------------------------------------------------

// levels\cave_3.lvl -> levels\cave_4.lvl; empty when the file name has no "_".
std::string NextWorldPath(const std::string& levelPath);

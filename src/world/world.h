// The world: particle, constraint, entity and contact tables, the list-held objects, id counters, player
// descriptors and trigger records. References between records are slot indices; slot 0 of the particle
// and constraint tables is never used, so 0 also means "no particle" / "no constraint".
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/geometry.h"

constexpr int kTableSlots = 10001;          // slots 0..10000
constexpr int kMaxRecords = 9999;           // live records per table (the slot after the last stays free)
constexpr int kMaxEntityParticles = 999;    // particles one entity lists
constexpr int kMaxEntityConstraints = 1000; // constraints one entity lists
constexpr int kLiquidBoxSlots = 103;        // slots 0..102, live boxes in 1..count
constexpr int kMaxLiquidBoxes = 102;
constexpr int kMaxLiquidParticles = 500;
constexpr int kWorldEntity = 0; // entity slot of the world entity (id 1)

struct Particle {
    Vec2 p;
    Vec2 oldp;
    Vec2 a;
    int32_t id = 0;      // 0 marks a free slot
    int32_t parent = 0;  // entity slot
    int32_t type = 0;    // carried to and from level files
    uint8_t contact = 0; // 0 none, 1 touched vertex, 2 end of a touched side
};

struct Constraint {
    int32_t p1 = 0; // particle slot
    int32_t p2 = 0;
    float e = 0;      // stiffness
    float length = 0; // rest length
    int32_t id = 0;
    int32_t parent = 0; // entity slot
};

struct Entity {
    std::vector<int32_t> particles;   // particle slots in creation order (at most 999)
    std::vector<int32_t> constraints; // constraint slots in creation order (at most 1000)
    Vec2 center;
    Vec2 bmin;
    Vec2 bmax;
    float m = 0;
    float f = 0;
    int32_t id = 0;
    std::string type;
    uint32_t portalPasses = 0; // times a portal has sent it elsewhere (not stored in level files)

    int particlecount() const { return static_cast<int>(particles.size()); }
    int constraintcount() const { return static_cast<int>(constraints.size()); }
};

struct Contact {
    int16_t kind = 0;  // 0 entity contact, 2 half-space contact
    int32_t edge1 = 0; // particle slots; 0 for none
    int32_t edge2 = 0;
    int32_t vertex = 0;
    Vec2 push;
    float speed = 0;
    float impact = 0;
    int32_t serial = 0; // 0 marks a consumed or free slot
};

struct HalfSpace {
    Vec2 p;
    Vec2 v;
    Vec2 normal;
    std::string type;
    uint32_t uid = 0; // stable handle for references from panels and the editor
};

struct WaterSpace {
    Vec2 p;
    Vec2 v;
    Vec2 normal;
    Vec2 a;
    float xf = 0;
    std::string type;
    uint32_t uid = 0;
};

struct LiquidParticle {
    Vec2 p;
    Vec2 oldp;
    Vec2 a;
    std::string type; // "water", "fisch", "poison", ...
};

struct LiquidBox {
    std::vector<LiquidParticle> particles; // live particles (at most 500), index 0 is the first
    double radius = 0;
    int32_t container = -1; // entity slot
};

struct Portal {
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    uint32_t connected = 0; // uid of the portal an entity is sent to; 0 = none
    int32_t id = 0;
    uint32_t uid = 0;
};

struct Region {
    int32_t minx = 0, miny = 0, maxx = 0, maxy = 0;
    int16_t entitycount = 0;
    int32_t id = 0;
    std::string type; // colour name
    uint32_t uid = 0;
};

struct Marker {
    int32_t entity = 0;   // entity slot
    int32_t entityId = 0; // id of that entity when the marker was made (a check against stale slots)
    int32_t image = 0;
    uint32_t uid = 0;
};

struct Light {
    int32_t image = 0;
    int32_t particle = 0; // followed particle slot when there is no owner
    int32_t owner = -1;   // entity slot, -1 none; the light then follows the owner's centre
    int32_t ownerId = 0;
    double rad = 0;
    double range = 0;
    uint32_t uid = 0;
};

struct Trigger {
    std::array<std::string, 11> events;     // slots 1..10
    std::array<std::string, 11> conditions; // slots 1..10
    std::string conditionType = "or";
    std::array<std::string, 31> actions; // slots 1..30
    int16_t id = 0;
};

struct Variable {
    std::string value;
    std::string name;
};

struct Timer {
    int32_t count = 0;
    int32_t id = 0;
};

struct Tip {
    std::string text;
    int32_t k1 = 0;
    int16_t k2 = 0, k3 = 0, k4 = 0;
};

struct Notice {
    std::string text;
    int32_t duration = 0;
    int red = 0, green = 0, blue = 0;
};

struct PlayerEntry {
    int32_t entity = 0; // entity slot
    float value = 0;
};

struct PlayerDescriptor {
    int32_t entity = 0;    // entity slot
    int32_t diagonal1 = 0; // constraint slots
    int32_t diagonal2 = 0;
    int32_t listIndex = 0;
    int32_t control = 0; // constraint slot of the control constraint, 0 none
    uint8_t shockDisabled = 0;
    uint8_t grabDisabled = 0;
};

struct WaterContact {
    int32_t particle = 0;
    int32_t water = 0; // index into the water-space list at the time of the pass
};

struct CollisionPair {
    int32_t a = 0; // entity slots
    int32_t b = 0;
};

// The most entity pairs one step lists. Every pair is walked in each of the step's passes, so the limit
// bounds the step's time whatever a level file holds: 10,000 bodies spread over a level, each touching a
// dozen others, stay inside it, while a pile on one spot does not (1,666 boxes, the most the tables hold,
// make 1,386,945 pairs until they part; 4,999 sticks, 12.5 million). A step that finds more than the
// limit keeps the first ones in slot order, looks no further, and is counted (World::cutPairLists).
constexpr int32_t kMaxCollisionPairs = 1 << 16; // 65,536

struct SimParams {
    int32_t iterations = 10;
    float dt = 0.5f;
    float velocityfactor = 0.0f;
    float speedlimit = 50.0f;
    int16_t boxmargin = 2;
    Vec2 gravity{0, 1};
};

struct World {
    World();

    std::vector<Particle> particles;     // kTableSlots slots
    std::vector<Constraint> constraints; // kTableSlots slots
    std::vector<Entity> entities;        // kTableSlots slots, slot 0 the world entity
    std::vector<Contact> contacts;       // kTableSlots slots
    int32_t particleCount = 0;
    int32_t constraintCount = 0;
    int32_t entityCount = 0;
    int32_t contactCount = 0;
    // The highest count each table (particles, constraints, entities, contacts) had before a recount
    // lowered it, since the last reset: the slots ResetWorld must clear besides 1..count.
    std::array<int32_t, 4> recountedFrom{};

    std::vector<LiquidBox> liquidBoxes; // kLiquidBoxSlots slots
    int32_t liquidBoxCount = 0;

    std::vector<HalfSpace> halfSpaces;
    std::vector<WaterSpace> waterSpaces;
    std::vector<Portal> portals;
    std::vector<Region> regions;
    std::vector<Marker> markers;
    std::vector<Light> lights;

    std::vector<Trigger> triggers;
    int32_t currentTrigger = -1; // index of the trigger that lines and actions address
    std::vector<Variable> variables;
    std::vector<Timer> timers;
    std::vector<Tip> tips;
    std::vector<Notice> notices;
    int32_t levelTime = 0;
    std::string weather;
    std::array<int16_t, 3> weatherBackground{};

    std::vector<PlayerEntry> players;
    std::array<PlayerDescriptor, 2> playerDescriptors{};

    std::vector<WaterContact> waterContacts;
    std::vector<CollisionPair> collisionPairs;
    int64_t cutPairLists = 0; // steps whose pair list was full, so that later pairs were left out

    SimParams sim;

    int32_t nextParticleId = 1;
    int32_t nextConstraintId = 1;
    int32_t nextEntityId = 2; // id 1 is the world entity's
    int32_t contactSerial = 1;
    int32_t nextPortalId = 1;
    int32_t nextRegionId = 1;
    int32_t nextTriggerId = 0;
    uint32_t nextUid = 1;

    // Records the tables refused since the counter was last read (a full table or entity list).
    int32_t refusedCreations = 0;

    // How many times ResetWorld has run: references taken before a reset (buff anchors) are stale after it,
    // even when a new record reuses the slot and the id.
    uint32_t resets = 0;

    uint32_t NewUid() { return nextUid++; }
};

// Creation. Each returns the new slot, or 0 when the table (or the entity's list) is full.
int32_t NewParticle(World& w, int32_t entity, float x, float y);
int32_t NewConstraint(World& w, int32_t entity, int32_t p1, int32_t p2, float e);
int32_t NewEntity(World& w, float m, float f);

// Lookups: the first match in slot order, or 0 (particles) / -1 (entities) when there is none.
int32_t FindParticleById(const World& w, int32_t id);
int32_t FindEntityById(const World& w, int32_t id);

void RecountTables(World& w);
void ResetWorld(World& w);
void UpdateEntityBounds(World& w);

// True when the tables have room for an object of this many records (builders check before they start,
// so a refused object leaves nothing half-built).
bool HasRoomFor(const World& w, int entities, int particles, int constraints);

// Appenders of the list-held objects.
HalfSpace& NewHalfSpace(World& w, int32_t px, int32_t py, float vx, float vy);
WaterSpace& NewWaterSpace(World& w, int32_t px, int32_t py, float vx, float vy, float xf);
Portal& NewPortal(World& w, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
Portal* FindPortalByUid(World& w, uint32_t uid);
Portal* FindPortalById(World& w, int32_t id);
Region& NewRegion(World& w, int32_t x1, int32_t y1, int32_t x2, int32_t y2);

// The position a light follows: its owner's centre, or its particle's position.
Vec2 LightPosition(const World& w, const Light& l);

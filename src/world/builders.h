// The object catalogue: a builder for every placeable kind. Each builder returns the slot of the entity it
// made (the entity table's last slot), or 0 when a full table refused the object; a refused object leaves
// nothing half-built in the tables.
#pragma once

#include <cstdint>
#include <string>

#include "common/random.h"
#include "world/world.h"

int32_t NewBox(World& w, Rng& rng, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t m, double f,
               double e, int32_t diagonalsToWorld);
int32_t NewQuad(World& w, Rng& rng, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t m, double f,
                double e);
int32_t NewWall(World& w, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t halfThickness, double f);
int32_t NewStrap(World& w, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t halfThickness, double f);
int32_t NewCircle(World& w, int32_t cx, int32_t cy, int32_t radius, int32_t count, double f, double e);
int32_t NewWarning(World& w, int32_t x, int32_t y);
int32_t NewPin(World& w, int32_t x, int32_t y);
int32_t NewLatern(World& w, Rng& rng, int32_t x, int32_t y);
int32_t NewBarrel(World& w, Rng& rng, int32_t x, int32_t y);
int32_t NewFirecave(World& w, Rng& rng, int32_t x, int32_t y);
int32_t NewAquarium(World& w, Rng& rng, int32_t x, int32_t y);
int32_t NewPoisonBox(World& w, Rng& rng, int32_t x, int32_t y);
int32_t NewPlayer(World& w, Rng& rng, int32_t x, int32_t y);
int32_t NewPlayer2(World& w, Rng& rng, int32_t x, int32_t y);
// A custom image's object centred at (x, y); halfHeight and halfWidth are the image's halves.
int32_t NewCustomObject(World& w, Rng& rng, int32_t halfHeight, int32_t halfWidth, const std::string& name,
                        double x, double y);

// The largest liquid particle radius: the catalogue's boxes use 3; a level asking for more gets this one.
constexpr double kMaxLiquidRadius = 12;
// The liquid particles of all boxes together (the catalogue's boxes hold 35 each): every pair of a box's
// particles is tested each frame, so 102 full boxes would cost 25 million tests a frame (5,000 make at
// most 2.5 million).
constexpr int kMaxWorldLiquidParticles = 5000;

// A liquid box bound to `entity`, holding `count` particles named `kind` (at most 500), each at the
// container's centre plus a random offset of 0..1 per axis, with a radius brought into 0..kMaxLiquidRadius
// (0 when it is not a number). A box holds fewer particles when the world's boxes hold
// kMaxWorldLiquidParticles together; that counts as a refused creation. Returns the box slot, or 0 when
// the table is full.
int32_t NewLiquidBox(World& w, Rng& rng, int32_t entity, double radius, int32_t count,
                     const std::string& kind);

// Adds a light following `particle`, or the centre of the entity with id `ownerId` when that is not 0.
// `image` is "green", "red", "blue", "purple" or a sprite number. Returns 1, or 0 when particle is 0.
int AddLight(World& w, int32_t particle, double range, double rad, const std::string& image, int32_t ownerId);

// Completes the descriptor of the first or second player from the entity table. 1 when it was completed.
int FindPlayer(World& w);
int FindPlayer2(World& w);

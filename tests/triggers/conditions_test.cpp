// Conditions, variables and the substitution of variable references.
#include <gtest/gtest.h>

#include "trigger_test_util.h"
#include "triggers/effects_pending.h"

namespace {

int Evaluate(World& w, const Effects& fx, std::initializer_list<const char*> conditions) {
    AddTrigger(w, {{}, conditions, {}});
    w.currentTrigger = static_cast<int32_t>(w.triggers.size()) - 1;
    return EvaluateConditions(w, fx);
}

TEST(TriggerConditions, VariablesAreCompared) {
    World w;
    ResetWorld(w);
    Effects fx;
    NewVariable(w, "score", "5");
    NewVariable(w, "score", "7"); // a second of the same name is never found
    EXPECT_EQ(Evaluate(w, fx, {"varvalue(score,5)"}), 1);
    EXPECT_EQ(Evaluate(w, fx, {"varvalue(score,05)", "varvalue(score,7)", "varvalue(Score,5)"}), 0);
    // Empty slots and texts without a word count nothing and say nothing.
    EXPECT_EQ(Evaluate(w, fx, {"", "nothing here"}), 0);
    EXPECT_TRUE(w.notices.empty());
    EXPECT_EQ(Evaluate(w, fx, {"VarValue(score,5)", "isdark()"}), 1);
    ASSERT_EQ(w.notices.size(), 1u);
    EXPECT_EQ(w.notices[0].text, "unknown condition : isdark");
    EXPECT_EQ(w.notices[0].duration, 1000);
    EXPECT_EQ(w.notices[0].red, 255);
}

TEST(TriggerConditions, RectanglesThatShareAnEdgeDoNotOverlap) {
    World w;
    ResetWorld(w);
    Effects fx;
    EXPECT_EQ(Evaluate(w, fx, {"rectsoverlap(0,0,10,10,5,5,20,20)"}), 1);
    EXPECT_EQ(Evaluate(w, fx, {"rectsoverlap(0,0,10,10,10,0,20,10)"}), 0);
}

TEST(TriggerConditions, CollisionsOfThisFrame) {
    World w;
    ResetWorld(w);
    Effects fx;
    int32_t a = MakeBox(w, 0, 0, 10, "box");     // id 2
    int32_t b = MakeBox(w, 10, 0, 10, "barrel"); // id 3
    Contact& c = w.contacts[1];
    c.kind = 0;
    c.vertex = w.entities[static_cast<size_t>(b)].particles[0];
    c.edge1 = w.entities[static_cast<size_t>(a)].particles[1];
    c.edge2 = w.entities[static_cast<size_t>(a)].particles[2];
    w.contactCount = 1;
    EXPECT_EQ(Evaluate(w, fx, {"collision(2,3)", "collision(3,2)", "collisiontype(barrel,box)"}), 3);
    EXPECT_EQ(Evaluate(w, fx, {"collision(2,99)", "collisiontype(box,box)", "collisiontype(Box,barrel)"}), 0);
    c.kind = 2; // a half-space contact is no collision between bodies
    EXPECT_EQ(Evaluate(w, fx, {"collision(2,3)"}), 0);
}

TEST(TriggerConditions, Buffs) {
    World w;
    ResetWorld(w);
    Effects fx;
    Rng rng;
    int32_t a = MakeBox(w, 0, 0, 10, "box");
    UpdateEntityBounds(w);
    StartBuff(fx, w, rng, "fire", EntityAnchor(w, a), 50);
    EXPECT_EQ(Evaluate(w, fx, {"entityhasbuff(2,fire)", "entitydoesnthavebuff(2,water)"}), 2);
    EXPECT_EQ(
        Evaluate(w, fx, {"entityhasbuff(2,water)", "entitydoesnthavebuff(2,fire)", "entityhasbuff(9,fire)"}),
        0);
}

TEST(TriggerVariables, SetIncreaseAndCount) {
    World w;
    ResetWorld(w);
    NewVariable(w, "n", "abc");
    NewVariable(w, "n", "1");
    IncreaseVariable(w, "n", 2); // not a number: read as 0
    EXPECT_EQ(w.variables[0].value, "2");
    SetVariable(w, "n", "x");
    EXPECT_EQ(w.variables[0].value, "x");
    EXPECT_EQ(w.variables[1].value, "1"); // only the first of a name
    SetVariable(w, "missing", "1");
    IncreaseVariable(w, "missing", 1);
    EXPECT_EQ(w.variables.size(), 2u);
    SetVariable(w, "n", "9223372036854775807");
    IncreaseVariable(w, "n", 1); // stays at the largest 64-bit value
    EXPECT_EQ(w.variables[0].value, "9223372036854775807");

    Region& r = NewRegion(w, 0, 0, 100, 100);
    r.id = 5;
    BoxMoving(w, {50, 50}, {50, 50}, "box");
    BoxMoving(w, {60, 60}, {60, 60}, "box", 0); // static bodies count by type
    BoxMoving(w, {50, 50}, {50, 50}, "crate");
    BoxMoving(w, {150, 50}, {150, 50}, "box");
    r.entitycount = 7; // what the events of the frame counted
    CountInRegion(w, "n", 5, "box");
    EXPECT_EQ(w.variables[0].value, "2");
    CountInRegion(w, "n", 5, "ALL");
    EXPECT_EQ(w.variables[0].value, "7");
    CountInRegion(w, "n", 6, "box"); // no such region
    EXPECT_EQ(w.variables[0].value, "7");
}

TEST(TriggerVariables, Substitution) {
    World w;
    ResetWorld(w);
    NewVariable(w, "points", "12");
    NewVariable(w, "label", "score var[points]");
    EXPECT_EQ(SubstituteVariables(w, "Var[label]/VAR[points]!"), "score 12/12!");
    EXPECT_EQ(SubstituteVariables(w, "var[score]"), "VAR(score) NOT FOUND");
    EXPECT_EQ(SubstituteVariables(w, "plain text"), "plain text");

    // Texts that would never finish end the substitution where they stand.
    EXPECT_EQ(SubstituteVariables(w, "var[points] and var[points"), "12 and var[points");
    NewVariable(w, "self", "again var[self]");
    EXPECT_EQ(SubstituteVariables(w, "var[points] var[self]"), "12 var[self]");
    NewVariable(w, "ping", "var[pong]");
    NewVariable(w, "pong", "x var[ping]");
    std::string cycle = SubstituteVariables(w, "var[ping]");
    EXPECT_LE(cycle.size(), 4096u);
    EXPECT_EQ(cycle.rfind("x x x", 0), 0u);
}

} // namespace

// Conditions, variables and the substitution of variable references.
#include <gtest/gtest.h>

#include "trigger_test_util.h"

namespace {

int Evaluate(World& w, std::initializer_list<const char*> conditions) {
    static const Effects fx;
    AddTrigger(w, {{}, conditions, {}});
    w.currentTrigger = static_cast<int32_t>(w.triggers.size()) - 1;
    return EvaluateConditions(w, fx);
}

TEST(TriggerConditions, WordsAndTheirArguments) {
    World w;
    ResetWorld(w);
    NewVariable(w, "score", "5");
    NewVariable(w, "score", "7"); // a second of the same name is never found
    EXPECT_EQ(Evaluate(w, {"varvalue(score,5)", "VarValue(score,5)", "rectsoverlap(0,0,10,10,5,5,20,20)"}),
              3);
    EXPECT_EQ(Evaluate(w, {"varvalue(score,05)", "varvalue(score,7)", "varvalue(Score,5)",
                           "rectsoverlap(0,0,10,10,10,0,20,10)", "", "no word"}),
              0);
    EXPECT_TRUE(w.notices.empty());
    EXPECT_EQ(Evaluate(w, {"isdark()"}), 0);
    EXPECT_EQ(NoticeTexts(w), (std::vector<std::string>{"unknown condition : isdark"}));

    // A contact of this frame: the vertex of one body on a side of the other, in either order.
    int32_t a = MakeBox(w, 0, 0, 10, "box");     // id 2
    int32_t b = MakeBox(w, 10, 0, 10, "barrel"); // id 3
    Contact& c = w.contacts[1];
    c.vertex = w.entities[static_cast<size_t>(b)].particles[0];
    c.edge1 = w.entities[static_cast<size_t>(a)].particles[1];
    w.contactCount = 1;
    EXPECT_EQ(Evaluate(w, {"collision(2,3)", "collision(3,2)", "collisiontype(box,barrel)"}), 3);
    EXPECT_EQ(Evaluate(w, {"collision(2,99)", "collisiontype(box,box)", "collisiontype(Box,barrel)"}), 0);
    c.kind = 2; // a half-space contact
    EXPECT_EQ(Evaluate(w, {"collision(2,3)"}), 0);
}

TEST(TriggerVariables, SetIncreaseAndCount) {
    World w;
    ResetWorld(w);
    NewVariable(w, "n", "abc");
    NewVariable(w, "n", "1");
    IncreaseVariable(w, "n", 2); // not a number: read as 0
    EXPECT_EQ(w.variables[0].value, "2");
    SetVariable(w, "n", "9223372036854775807");
    IncreaseVariable(w, "n", 1); // stays at the largest 64-bit value
    EXPECT_EQ(w.variables[0].value, "9223372036854775807");
    EXPECT_EQ(w.variables[1].value, "1"); // only the first of a name changes

    NewRegion(w, 0, 0, 100, 100).id = 5;
    BoxMoving(w, {50, 50}, {50, 50}, "box");
    BoxMoving(w, {60, 60}, {60, 60}, "box", 0); // static bodies count by type
    BoxMoving(w, {50, 50}, {50, 50}, "crate");
    BoxMoving(w, {150, 50}, {150, 50}, "box");
    w.regions[0].entitycount = 7; // what the events of the frame counted
    CountInRegion(w, "n", 5, "box");
    EXPECT_EQ(w.variables[0].value, "2");
    CountInRegion(w, "n", 5, "ALL");
    EXPECT_EQ(w.variables[0].value, "7");
}

TEST(TriggerVariables, SubstitutionAlwaysEnds) {
    World w;
    ResetWorld(w);
    NewVariable(w, "points", "12");
    NewVariable(w, "label", "score var[points]");
    EXPECT_EQ(SubstituteVariables(w, "Var[label]/VAR[points]!"), "score 12/12!");
    EXPECT_EQ(SubstituteVariables(w, "var[score]"), "VAR(score) NOT FOUND");
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

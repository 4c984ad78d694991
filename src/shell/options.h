// The command line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Options {
    bool headless = false;
    int64_t frames = -1; // -1: until Escape or the window is closed
    bool seedSet = false;
    uint32_t seed = 0;
    std::string load;       // level to load at start
    bool run = false;       // start with the world running
    bool triggers = false;  // run the level's triggers
    std::string input;      // scripted input to replay
    std::string record;     // where to record this session's input
    std::string save;       // level to write after the last frame
    std::string screenshot; // PNG to write after the last frame
    bool help = false;
    bool version = false;
};

enum class ParseStatus { Ok, Usage };

// Parses argv[1..]; on a usage error fills `error` with one line.
ParseStatus ParseOptions(const std::vector<std::string>& args, Options& out, std::string& error);

const char* UsageText();

// Reads the command line into `opt`. Returns the exit status when the program ends here (a usage error, on
// stderr: 2; --help or --version, on stdout: 0), or -1 to go on.
int TakeCommandLine(int argc, char** argv, Options& opt);

struct RecordedOptions;
// The options a replayed recording states, for those the command line does not give.
void TakeRecordedOptions(const RecordedOptions& recorded, Options& opt);

// Text helpers: the command splitter, number reading and writing, paths.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// A line of the form word(arg1,arg2,...) split into its word and up to 20 arguments (slots 1..20; slot 0
// unused). Arguments are not trimmed; a comma inside nested brackets also splits.
struct ParsedCommand {
    std::string word;
    std::array<std::string, 21> args;
    int count = 0; // arguments the line set (at most 20)
};

constexpr int kMaxCommandArgs = 20;

ParsedCommand ParseCommand(std::string_view line);

// Splits like ParseCommand but writes only the arguments the line sets, so slots a shorter line does not
// reach keep their earlier text (the level reader's rule). Returns the number of arguments set.
int SplitArgumentsKeeping(std::string_view line, std::array<std::string, 21>& args);

// Leading decimal integer after blanks and tabs, with an optional sign; reading stops at the first
// non-digit; text that is not a number gives 0. Values beyond 32 bits saturate.
int32_t ReadInt(std::string_view text);
int64_t ReadInt64(std::string_view text);

// The C text-to-double rule (leading blanks, decimal or exponent forms, inf, nan), then narrowed to single
// precision. Text that is not a number gives 0.
float ReadFloat(std::string_view text);
double ReadDouble(std::string_view text);

// Six decimals in plain notation, "+Infinity" and "-Infinity" for the infinities.
std::string FormatFloat6(float v);

// Plain decimal of a double rounded to the nearest integer, halves to even.
std::string FormatRounded(double v);

std::string ToLower(std::string_view s);
bool ContainsNoCase(std::string_view haystack, std::string_view needle);

// Stored paths use '\' as the folder separator; files are opened with '/'.
std::string NativePath(std::string_view stored);
// The stored form of a path given on the command line or found on disk.
std::string StoredPath(std::string_view native);

#include "common/text.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// Shared splitter: calls set(i, text) for each argument i = 1..min(n, 20).
template <typename Set> int SplitArguments(std::string_view line, Set set) {
    size_t open = line.find('(');
    size_t start = (open == std::string_view::npos) ? 0 : open + 1;
    size_t commas = 0;
    for (char c : line)
        if (c == ',') ++commas;
    size_t n = commas + 1;
    int stored = 0;
    for (size_t i = 1; i <= n; ++i) {
        bool last = (i == n);
        size_t end = (start <= line.size()) ? line.find(last ? ')' : ',', start) : std::string_view::npos;
        std::string_view arg;
        if (end != std::string_view::npos) arg = line.substr(start, end - start);
        if (i <= static_cast<size_t>(kMaxCommandArgs)) {
            set(static_cast<int>(i), arg);
            stored = static_cast<int>(i);
        } else {
            break; // further arguments are ignored
        }
        if (end == std::string_view::npos) {
            // no separator: the remaining arguments are empty
            for (size_t k = i + 1; k <= n && k <= static_cast<size_t>(kMaxCommandArgs); ++k) {
                set(static_cast<int>(k), std::string_view());
                stored = static_cast<int>(k);
            }
            break;
        }
        start = end + 1;
    }
    return stored;
}

} // namespace

ParsedCommand ParseCommand(std::string_view line) {
    ParsedCommand out;
    size_t open = line.find('(');
    out.word = std::string(open == std::string_view::npos ? std::string_view() : line.substr(0, open));
    out.count = SplitArguments(line, [&](int i, std::string_view a) { out.args[i] = std::string(a); });
    return out;
}

int SplitArgumentsKeeping(std::string_view line, std::array<std::string, 21>& args) {
    return SplitArguments(line, [&](int i, std::string_view a) { args[i].assign(a.data(), a.size()); });
}

int64_t ReadInt64(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool neg = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        neg = text[i] == '-';
        ++i;
    }
    int64_t v = 0;
    bool saturated = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        int d = text[i] - '0';
        if (!saturated) {
            if (v > (INT64_MAX - d) / 10) {
                saturated = true;
                v = INT64_MAX;
            } else {
                v = v * 10 + d;
            }
        }
        ++i;
    }
    return neg ? (v == INT64_MAX && saturated ? INT64_MIN : -v) : v;
}

int32_t ReadInt(std::string_view text) {
    int64_t v = ReadInt64(text);
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

double ReadDouble(std::string_view text) {
    // strtod needs a terminated string; arguments are short, but bound the copy anyway.
    std::string s(text.substr(0, 512));
    const char* begin = s.c_str();
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(begin, &end);
    if (end == begin) return 0.0;
    return v;
}

float ReadFloat(std::string_view text) {
    return static_cast<float>(ReadDouble(text));
}

std::string FormatFloat6(float v) {
    if (std::isinf(v)) return v > 0 ? "+Infinity" : "-Infinity";
    if (std::isnan(v)) return "0.000000";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6f", static_cast<double>(v));
    return buf;
}

std::string FormatRounded(double v) {
    if (!std::isfinite(v)) return "0";
    double r = std::nearbyint(v);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0f", r);
    std::string s = buf;
    if (s == "-0") s = "0";
    return s;
}

std::string ToLower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool ContainsNoCase(std::string_view haystack, std::string_view needle) {
    return ToLower(haystack).find(ToLower(needle)) != std::string::npos;
}

std::string NativePath(std::string_view stored) {
    std::string out(stored);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

std::string StoredPath(std::string_view native) {
    std::string out(native);
    for (char& c : out)
        if (c == '/') c = '\\';
    return out;
}

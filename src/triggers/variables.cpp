// Trigger variables, the substitution of var[name] references, and trigger timers.
#include <algorithm>
#include <climits>

#include "common/text.h"
#include "triggers/records.h"
#include "triggers/triggers.h"

namespace {

// Bounds of one substitution: a reference that keeps expanding stops here.
constexpr int kMaxReplacements = 256;
constexpr size_t kMaxSubstitutedLength = 4096;

// Position of the first "var[" in any case, or npos.
size_t FindReference(std::string_view s) {
    for (size_t i = 0; i + 4 <= s.size(); ++i) {
        if ((s[i] == 'v' || s[i] == 'V') && (s[i + 1] == 'a' || s[i + 1] == 'A') &&
            (s[i + 2] == 'r' || s[i + 2] == 'R') && s[i + 3] == '[')
            return i;
    }
    return std::string_view::npos;
}

// True when `value` holds a reference to `name` itself.
bool RefersTo(std::string_view value, std::string_view name) {
    for (size_t at = FindReference(value); at != std::string_view::npos;) {
        std::string_view rest = value.substr(at + 4);
        if (rest.size() > name.size() && rest.substr(0, name.size()) == name && rest[name.size()] == ']')
            return true;
        size_t next = FindReference(rest);
        at = next == std::string_view::npos ? next : at + 4 + next;
    }
    return false;
}

Variable* FindVariableMutable(World& w, std::string_view name) {
    for (Variable& v : w.variables)
        if (v.name == name) return &v;
    return nullptr;
}

const Region* FindRegion(const World& w, int32_t id) {
    for (const Region& r : w.regions)
        if (r.id == id) return &r;
    return nullptr;
}

} // namespace

const Variable* FindVariable(const World& w, std::string_view name) {
    for (const Variable& v : w.variables)
        if (v.name == name) return &v;
    return nullptr;
}

std::string SubstituteVariables(const World& w, std::string_view text) {
    std::string s(text);
    for (int replacements = 0; replacements < kMaxReplacements; ++replacements) {
        const size_t at = FindReference(s);
        if (at == std::string::npos) break;
        const size_t close = s.find(']', at + 4);
        if (close == std::string::npos) break; // a reference that never closes stays as written
        const std::string name = s.substr(at + 4, close - at - 4);
        const Variable* v = FindVariable(w, name);
        if (v != nullptr && RefersTo(v->value, name)) break; // it would expand without end
        const std::string value = v != nullptr ? v->value : "VAR(" + name + ") NOT FOUND";
        const size_t length = s.size() - (close + 1 - at) + value.size();
        if (length > kMaxSubstitutedLength) break;
        s.replace(at, close + 1 - at, value);
    }
    return s;
}

void NewVariable(World& w, const std::string& name, const std::string& value) {
    if (static_cast<int>(w.variables.size()) >= kMaxVariables) {
        PostNotice(w, "newvar(" + name + ") -> too many variables", 1000, 255, 0, 0);
        return;
    }
    w.variables.push_back({value, name});
}

void SetVariable(World& w, std::string_view name, const std::string& value) {
    if (Variable* v = FindVariableMutable(w, name)) v->value = value;
}

void IncreaseVariable(World& w, std::string_view name, int64_t amount) {
    Variable* v = FindVariableMutable(w, name);
    if (v == nullptr) return;
    int64_t now = ReadInt64(v->value);
    int64_t sum = 0;
    if (__builtin_add_overflow(now, amount, &sum)) sum = amount > 0 ? INT64_MAX : INT64_MIN;
    v->value = std::to_string(sum);
}

void CountInRegion(World& w, std::string_view name, int32_t regionId, std::string_view kind) {
    const Region* r = FindRegion(w, regionId);
    Variable* v = FindVariableMutable(w, name);
    if (r == nullptr || v == nullptr) return;
    if (ToLower(kind) == "all") {
        v->value = std::to_string(r->entitycount);
        return;
    }
    int32_t count = 0;
    for (int32_t i = 1; i <= w.entityCount; ++i) {
        const Entity& e = w.entities[static_cast<size_t>(i)];
        const Vec2& c = e.center;
        if (e.type == kind && r->minx < c.x && c.x < r->maxx && r->miny < c.y && c.y < r->maxy) ++count;
    }
    v->value = std::to_string(count);
}

void CreateTimer(World& w, int32_t id) {
    if (static_cast<int>(w.timers.size()) >= kMaxTimers) {
        PostNotice(w, "createtimer(" + std::to_string(id) + ") -> too many timers", 1000, 255, 0, 0);
        return;
    }
    w.timers.push_back({0, id});
}

void ResetTimer(World& w, int32_t id) {
    for (Timer& t : w.timers)
        if (t.id == id) t.count = 0;
}

void DeleteTimer(World& w, int32_t id) {
    std::erase_if(w.timers, [id](const Timer& t) { return t.id == id; });
}

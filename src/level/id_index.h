// Slot lookup by id for the level code: the first slot a positive id was seen in, so lookups give what a
// scan in slot order gives, without its cost. Open addressing; grows as records are added.
#pragma once

#include <cstdint>
#include <vector>

class IdIndex {
public:
    // Remembers `slot` for `id` unless the id is known already (the first slot wins). Ids below 1 are
    // never stored.
    void Add(int32_t id, int32_t slot) {
        if (id <= 0) return;
        if ((size_ + 1) * 2 > keys_.size()) Grow();
        size_t i = Find(id);
        if (keys_[i] == id) return;
        keys_[i] = id;
        slots_[i] = slot;
        ++size_;
    }
    bool Has(int32_t id) const { return id > 0 && !keys_.empty() && keys_[Find(id)] == id; }
    // The slot for `id`, or `missing`.
    int32_t Get(int32_t id, int32_t missing) const {
        if (id <= 0 || keys_.empty()) return missing;
        size_t i = Find(id);
        return keys_[i] == id ? slots_[i] : missing;
    }

private:
    size_t Find(int32_t id) const {
        size_t mask = keys_.size() - 1;
        uint32_t h = static_cast<uint32_t>(id);
        h = ((h >> 16) ^ h) * 0x45d9f3bu;
        h = ((h >> 16) ^ h) * 0x45d9f3bu;
        size_t i = ((h >> 16) ^ h) & mask;
        while (keys_[i] != 0 && keys_[i] != id) i = (i + 1) & mask;
        return i;
    }
    void Grow() {
        std::vector<int32_t> oldKeys = std::move(keys_);
        std::vector<int32_t> oldSlots = std::move(slots_);
        size_t capacity = oldKeys.empty() ? 64 : oldKeys.size() * 2;
        keys_.assign(capacity, 0);
        slots_.assign(capacity, 0);
        for (size_t i = 0; i < oldKeys.size(); ++i) {
            if (oldKeys[i] == 0) continue;
            size_t j = Find(oldKeys[i]);
            keys_[j] = oldKeys[i];
            slots_[j] = oldSlots[i];
        }
    }

    std::vector<int32_t> keys_; // 0: empty
    std::vector<int32_t> slots_;
    size_t size_ = 0;
};

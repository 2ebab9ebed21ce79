// A map from the addresses the host hands out (vessel handles, sub-handles) to what they are.
//
// Handles are looked up on every host call a module makes, several times per vessel in a
// walk over the vessel list, so the lookup must be cheap: open addressing with linear probing
// over a power-of-two array, a multiplicative hash of the address. Handles are never withdrawn
// (a deleted vessel's record stays as a tombstone), so the table only grows; it allocates only
// when it doubles, never on a lookup.
#ifndef VEMO_SIM_HANDLETABLE_H
#define VEMO_SIM_HANDLETABLE_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

template <class V>
class HandleTable {
public:
    // Adds or replaces the value of a non-null address.
    void set(const void *key, V value) {
        if (!key)
            return;
        if ((count_ + 1) * 4 > slots_.size() * 3)
            grow();
        Entry &e = slots_[probe(key)];
        if (!e.key) {
            e.key = key;
            ++count_;
        }
        e.value = value;
    }
    // The value of an address, or null when the address was never added.
    const V *find(const void *key) const {
        if (!key || slots_.empty())
            return nullptr;
        const Entry &e = slots_[probe(key)];
        return e.key ? &e.value : nullptr;
    }
    std::size_t size() const { return count_; }

private:
    struct Entry {
        const void *key = nullptr;
        V value{};
    };

    // The slot holding key, or the empty slot where it belongs.
    std::size_t probe(const void *key) const {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = hash(key, shift_);
        while (slots_[i].key && slots_[i].key != key)
            i = (i + 1) & mask;
        return i;
    }
    // Fibonacci hashing: the top bits of the product mix every bit of the address, including
    // the low ones that alignment leaves at zero.
    static std::size_t hash(const void *key, unsigned shift) {
        const std::uint64_t x = reinterpret_cast<std::uintptr_t>(key);
        return static_cast<std::size_t>((x * 0x9E3779B97F4A7C15ull) >> shift);
    }
    void grow() {
        std::vector<Entry> old;
        old.swap(slots_);
        slots_.assign(old.empty() ? kFirstSize : old.size() * 2, Entry{});
        shift_ = 64;
        for (std::size_t n = slots_.size(); n > 1; n >>= 1)
            --shift_;
        for (const Entry &e : old)
            if (e.key)
                slots_[probe(e.key)] = e;
    }

    static constexpr std::size_t kFirstSize = 64;  // slots; a power of two

    std::vector<Entry> slots_;
    std::size_t count_ = 0;
    unsigned shift_ = 64;  // 64 - log2(slots)
};

}  // namespace sim

#endif

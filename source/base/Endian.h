// Little- and big-endian integer fields that keep their bytes in file order whatever the host
// does. Records that are file formats are built from these, so their layout never depends on the
// compiler's packing or the machine's byte order.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace base {

template <typename T> inline T LoadLE(const std::uint8_t* p) {
    using U = std::make_unsigned_t<T>;
    U v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        v |= static_cast<U>(static_cast<U>(p[i]) << (8 * i));
    return static_cast<T>(v);
}

template <typename T> inline void StoreLE(std::uint8_t* p, T value) {
    using U = std::make_unsigned_t<T>;
    U v = static_cast<U>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

template <typename T> inline T LoadBE(const std::uint8_t* p) {
    using U = std::make_unsigned_t<T>;
    U v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        v = static_cast<U>((v << 8) | p[i]);
    return static_cast<T>(v);
}

template <typename T> inline void StoreBE(std::uint8_t* p, T value) {
    using U = std::make_unsigned_t<T>;
    U v = static_cast<U>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * (sizeof(T) - 1 - i)));
}

// An integer stored as little-endian bytes; alignment 1, size sizeof(T).
template <typename T> struct LE {
    std::array<std::uint8_t, sizeof(T)> bytes{};
    LE() = default;
    LE(T v) { StoreLE<T>(bytes.data(), v); } // NOLINT: implicit by design
    LE& operator=(T v) {
        StoreLE<T>(bytes.data(), v);
        return *this;
    }
    operator T() const { return LoadLE<T>(bytes.data()); } // NOLINT: implicit by design
    T get() const { return LoadLE<T>(bytes.data()); }
};

// An integer stored as big-endian bytes.
template <typename T> struct BE {
    std::array<std::uint8_t, sizeof(T)> bytes{};
    BE() = default;
    BE(T v) { StoreBE<T>(bytes.data(), v); } // NOLINT: implicit by design
    BE& operator=(T v) {
        StoreBE<T>(bytes.data(), v);
        return *this;
    }
    operator T() const { return LoadBE<T>(bytes.data()); } // NOLINT: implicit by design
    T get() const { return LoadBE<T>(bytes.data()); }
};

// An IEEE-754 double stored little-endian.
struct LEDouble {
    std::array<std::uint8_t, 8> bytes{};
    LEDouble() = default;
    LEDouble(double v) { set(v); } // NOLINT: implicit by design
    LEDouble& operator=(double v) {
        set(v);
        return *this;
    }
    operator double() const { return get(); } // NOLINT: implicit by design
    double get() const { return std::bit_cast<double>(LoadLE<std::uint64_t>(bytes.data())); }
    void set(double v) { StoreLE<std::uint64_t>(bytes.data(), std::bit_cast<std::uint64_t>(v)); }
};

using le_i16 = LE<std::int16_t>;
using le_u16 = LE<std::uint16_t>;
using le_i32 = LE<std::int32_t>;
using le_u32 = LE<std::uint32_t>;
using le_i64 = LE<std::int64_t>;
using le_u64 = LE<std::uint64_t>;
using be_u16 = BE<std::uint16_t>;
using be_u32 = BE<std::uint32_t>;

static_assert(sizeof(le_i32) == 4 && alignof(le_i32) == 1);
static_assert(sizeof(le_i64) == 8 && alignof(le_i64) == 1);
static_assert(sizeof(LEDouble) == 8 && alignof(LEDouble) == 1);

} // namespace base

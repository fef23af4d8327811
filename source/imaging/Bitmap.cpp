#include "imaging/Bitmap.h"

#include <array>
#include <atomic>
#include <cstring>
#include <mutex>
#include <utility>

namespace imaging {

namespace {

using Block = std::unique_ptr<std::uint8_t[]>;

// Blocks smaller than this are left to the heap; the cache never holds more than kMaxTotal bytes
// in at most kSlots blocks, the least recently freed going first. A block serves a request of n
// bytes when it holds n to 2n bytes.
constexpr std::size_t kMinCached = std::size_t{1} << 20;
constexpr std::size_t kMaxTotal = std::size_t{192} << 20;
constexpr std::size_t kSlots = 4;

class BlockCache {
public:
    BlockCache() = default;
    ~BlockCache() { destroyed.store(true); }
    BlockCache(const BlockCache&) = delete;
    BlockCache& operator=(const BlockCache&) = delete;

    // Set once the cache is gone (at exit, while other static bitmaps may still be freed).
    static inline std::atomic<bool> destroyed{false};

    Block Take(std::size_t bytes, std::size_t& capacity) {
        if (bytes < kMinCached)
            return nullptr;
        const std::lock_guard<std::mutex> lock(mutex_);
        Entry* best = nullptr;
        for (Entry& e : entries_)
            if (e.block && e.capacity >= bytes && e.capacity / 2 <= bytes &&
                (best == nullptr || e.capacity < best->capacity))
                best = &e;
        if (best == nullptr)
            return nullptr;
        capacity = best->capacity;
        total_ -= best->capacity;
        best->capacity = 0;
        return std::move(best->block);
    }

    void Give(Block block, std::size_t capacity) noexcept {
        if (capacity < kMinCached || capacity > kMaxTotal)
            return;                        // freed on return
        std::array<Block, kSlots> evicted; // freed after the lock is let go
        std::size_t nEvicted = 0;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            while (total_ + capacity > kMaxTotal || Used() == kSlots) {
                Entry* oldest = nullptr;
                for (Entry& e : entries_)
                    if (e.block && (oldest == nullptr || e.age < oldest->age))
                        oldest = &e;
                total_ -= oldest->capacity;
                oldest->capacity = 0;
                evicted[nEvicted++] = std::move(oldest->block);
            }
            for (Entry& e : entries_) {
                if (!e.block) {
                    e.block = std::move(block);
                    e.capacity = capacity;
                    e.age = ++clock_;
                    total_ += capacity;
                    break;
                }
            }
        }
    }

    void Clear() {
        std::array<Block, kSlots> freed;
        const std::lock_guard<std::mutex> lock(mutex_);
        for (std::size_t i = 0; i < kSlots; ++i) {
            freed[i] = std::move(entries_[i].block);
            entries_[i].capacity = 0;
        }
        total_ = 0;
    }

private:
    struct Entry {
        Block block;
        std::size_t capacity = 0;
        std::uint64_t age = 0;
    };

    std::size_t Used() const {
        std::size_t n = 0;
        for (const Entry& e : entries_)
            n += e.block ? 1 : 0;
        return n;
    }

    std::mutex mutex_;
    std::array<Entry, kSlots> entries_;
    std::size_t total_ = 0;
    std::uint64_t clock_ = 0;
};

BlockCache& Cache() {
    static BlockCache cache;
    return cache;
}

} // namespace

void PixelBlockReturn::operator()(std::uint8_t* block) const noexcept {
    Block owned(block);
    if (capacity >= kMinCached && !BlockCache::destroyed.load())
        Cache().Give(std::move(owned), capacity);
}

void Bitmap::ReleaseCachedMemory() {
    if (!BlockCache::destroyed.load())
        Cache().Clear();
}

Bitmap::~Bitmap() = default;

Bitmap::Bitmap(const Bitmap& other) : Bgr() {
    SetSizeUninitialised(other.Width, other.Height);
    if (ByteSize > 0)
        std::memcpy(Bits, other.Bits, static_cast<std::size_t>(ByteSize));
}

Bitmap& Bitmap::operator=(const Bitmap& other) {
    if (this != &other) {
        Bitmap copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Bitmap::Bitmap(Bitmap&& other) noexcept {
    *this = std::move(other);
}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
    if (this != &other) {
        RowPad = std::exchange(other.RowPad, 0);
        RowStride = std::exchange(other.RowStride, 0);
        ByteSize = std::exchange(other.ByteSize, 0);
        Width = std::exchange(other.Width, 0);
        Height = std::exchange(other.Height, 0);
        Rows = std::move(other.Rows);
        other.Rows.clear();
        Bits = std::exchange(other.Bits, nullptr);
        memory_ = std::move(other.memory_);
    }
    return *this;
}

void Bitmap::Allocate(std::int32_t width, std::int32_t height, bool zeroed) {
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide ||
        static_cast<std::int64_t>(width) * height > kMaxPixels) {
        memory_.reset();
        SetGeometry(0, 0, nullptr);
        return;
    }
    const std::size_t stride = static_cast<std::size_t>(width) * 3 + width % 4;
    const std::size_t bytes = stride * static_cast<std::size_t>(height);
    // The old block goes back first, so a picture resized to its own size keeps its memory.
    memory_.reset();
    SetGeometry(0, 0, nullptr);
    std::size_t capacity = bytes;
    Block block;
    if (bytes >= kMinCached && !BlockCache::destroyed.load())
        block = Cache().Take(bytes, capacity);
    const bool fresh = !block;
    if (fresh)
        block = zeroed ? std::make_unique<std::uint8_t[]>(bytes)
                       : std::make_unique_for_overwrite<std::uint8_t[]>(bytes);
    memory_ = std::unique_ptr<std::uint8_t[], PixelBlockReturn>(block.release(),
                                                                PixelBlockReturn{capacity});
    SetGeometry(width, height, memory_.get());
    if (fresh && zeroed)
        return;
    if (zeroed) {
        std::memset(Bits, 0, bytes);
    } else if (RowPad != 0) {
        for (std::int32_t y = 0; y < height; ++y)
            std::memset(Row(y) + static_cast<std::size_t>(width) * 3, 0,
                        static_cast<std::size_t>(RowPad));
    }
}

void Bitmap::SetSize(std::int32_t width, std::int32_t height) {
    Allocate(width, height, true);
}

void Bitmap::SetSizeUninitialised(std::int32_t width, std::int32_t height) {
    Allocate(width, height, false);
}

Bitmap Bitmap::CreateSized(std::int32_t width, std::int32_t height) {
    Bitmap b;
    b.SetSize(width, height);
    return b;
}

Bitmap Bitmap::CreateUninitialised(std::int32_t width, std::int32_t height) {
    Bitmap b;
    b.SetSizeUninitialised(width, height);
    return b;
}

Bitmap Bitmap::CreateFromImage(const QImage& image) {
    Bitmap b;
    if (image.isNull())
        return b;
    const QImage bgr = image.format() == QImage::Format_BGR888
                           ? image
                           : image.convertToFormat(QImage::Format_BGR888);
    b.SetSize(bgr.width(), bgr.height());
    if (b.IsEmpty())
        return b;
    const std::size_t rowBytes = static_cast<std::size_t>(b.Width) * 3;
    for (int y = 0; y < b.Height; ++y)
        std::memcpy(b.Row(y), bgr.constScanLine(y), rowBytes);
    return b;
}

QImage Bitmap::View() {
    if (IsEmpty())
        return QImage();
    return QImage(Bits, Width, Height, RowStride, QImage::Format_BGR888);
}

QImage Bitmap::View() const {
    if (IsEmpty())
        return QImage();
    return QImage(static_cast<const uchar*>(Bits), Width, Height, RowStride, QImage::Format_BGR888);
}

} // namespace imaging

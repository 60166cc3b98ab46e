#include "Binary.h"

#include "TsAssert.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <new>

std::atomic<int16_t> g_binaryLastError{0};

namespace {

constexpr int kNewGrowth = 8;
constexpr int16_t kMaxRefCount = std::numeric_limits<int16_t>::max();

std::atomic<int> g_allocationsLeft{-1};

// Every allocation of this file goes through here so that the test hook can
// make one fail.
bool AllocationAllowed()
{
    int left = g_allocationsLeft.load();
    while (left >= 0) {
        if (left == 0)
            return false;
        if (g_allocationsLeft.compare_exchange_weak(left, left - 1))
            return true;
    }
    return true;
}

std::unique_ptr<uint8_t[]> AllocateBlock(int size)
{
    if (!AllocationAllowed())
        return nullptr;
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
}

// n rounded up to a multiple of the step; the top of the 16-bit range is the
// last capacity there is, so it stands in for 32768.
int RoundUp(int n, int step)
{
    if (step <= 0)
        step = kNewGrowth;
    long rounded = (static_cast<long>(n) + step - 1) / step * step;
    return static_cast<int>(std::min<long>(rounded, BINARY_MAX_SIZE));
}

int Fail(int code)
{
    g_binaryLastError = static_cast<int16_t>(code);
    return code;
}

} // namespace

namespace binary_testing {
void FailAllocationsAfter(int n) { g_allocationsLeft = n < 0 ? -1 : n; }
} // namespace binary_testing

// Shared by every handle that points to it. The handles own it through the
// reference count; the data block is owned by the header. Handles that share
// a header may live on different threads (a buffer goes from the UI thread to
// a worker and back), so the count is atomic. The bytes, the count and the
// capacity are written only by a sole owner, whose handle one thread holds.
struct CBinary::Header {
    std::unique_ptr<uint8_t[]> data;
    int16_t count = 0;
    int16_t capacity = 0;
    int16_t growth = kNewGrowth;
    std::atomic<int16_t> refcount{1};

    // One handle more, unless the 16-bit count is full.
    bool TryShare()
    {
        int16_t n = refcount.load(std::memory_order_relaxed);
        while (n < kMaxRefCount)
            if (refcount.compare_exchange_weak(n, static_cast<int16_t>(n + 1), std::memory_order_relaxed))
                return true;
        return false;
    }
    // One handle less; the last one frees the header and its bytes. The
    // release orders this handle's reads before a free on another thread.
    void Unshare()
    {
        if (refcount.fetch_sub(1, std::memory_order_acq_rel) == 1)
            delete this;
    }
    // Only this handle points here: it may write in place.
    bool SoleOwner() const { return refcount.load(std::memory_order_acquire) <= 1; }

    static Header* Create(int capacity, int growth)
    {
        if (!AllocationAllowed())
            return nullptr;
        std::unique_ptr<Header> h(new (std::nothrow) Header);
        if (!h)
            return nullptr;
        h->data = AllocateBlock(capacity);
        if (!h->data)
            return nullptr;
        h->capacity = static_cast<int16_t>(capacity);
        h->growth = static_cast<int16_t>(growth);
        return h.release();
    }
};

CBinary::CBinary(const void* bytes, int length) { Append(bytes, length); }

CBinary::CBinary(const CBinary& other)
{
    if (!other.m_pHeader)
        return;
    if (other.m_pHeader->TryShare()) {
        m_pHeader = other.m_pHeader;
    } else {
        // The 16-bit count is full: this handle gets its own copy instead.
        Append(other.m_pHeader->data.get(), other.m_pHeader->count);
    }
}

CBinary::~CBinary() { Release(); }

CBinary& CBinary::operator=(const CBinary& other)
{
    if (m_pHeader == other.m_pHeader)
        return *this;
    CBinary copy(other);
    Release();
    m_pHeader = copy.m_pHeader;
    copy.m_pHeader = nullptr;
    return *this;
}

void CBinary::Release()
{
    if (!m_pHeader)
        return;
    m_pHeader->Unshare();
    m_pHeader = nullptr;
}

int CBinary::Reserve(int n)
{
    if (n > BINARY_MAX_SIZE)
        return Fail(BINARY_NO_MEMORY);
    if (!m_pHeader) {
        if (n <= 0)
            return BINARY_OK;
        Header* h = Header::Create(RoundUp(n, kNewGrowth), kNewGrowth);
        if (!h)
            return Fail(BINARY_NO_MEMORY);
        m_pHeader = h;
        return BINARY_OK;
    }
    Header* h = m_pHeader;
    if (n <= 0)
        n = h->count;
    if (h->SoleOwner()) {
        if (h->capacity >= n)
            return BINARY_OK;
        int size = RoundUp(n, h->growth);
        std::unique_ptr<uint8_t[]> block = AllocateBlock(size);
        if (!block)
            return Fail(BINARY_NO_MEMORY);
        if (h->count > 0)
            std::memcpy(block.get(), h->data.get(), static_cast<size_t>(h->count));
        h->data = std::move(block);
        h->capacity = static_cast<int16_t>(size);
        return BINARY_OK;
    }
    // Shared: this handle gets its own copy (copy-on-write).
    int size = std::max<int>(h->capacity, RoundUp(n, h->growth));
    Header* copy = Header::Create(size, h->growth);
    if (!copy)
        return Fail(BINARY_NO_MEMORY);
    if (h->count > 0)
        std::memcpy(copy->data.get(), h->data.get(), static_cast<size_t>(h->count));
    copy->count = h->count;
    m_pHeader = copy;
    // The others may have let go meanwhile: then the old bytes go now.
    h->Unshare();
    return BINARY_OK;
}

int CBinary::Append(const void* bytes, int n)
{
    if (n < 0 || (!bytes && n > 0))
        return Fail(BINARY_BAD_ARGUMENT);
    if (n == 0)
        return BINARY_OK;
    int count = GetSize();
    if (count + n > BINARY_MAX_SIZE)
        return Fail(BINARY_NO_MEMORY);
    // Bytes from inside this buffer would be freed by a growing Reserve.
    std::vector<uint8_t> own;
    const uint8_t* src = static_cast<const uint8_t*>(bytes);
    if (m_pHeader && std::less_equal<const uint8_t*>()(m_pHeader->data.get(), src) &&
        std::less<const uint8_t*>()(src, m_pHeader->data.get() + m_pHeader->capacity)) {
        own.assign(src, src + n);
        src = own.data();
    }
    int rc = Reserve(count + n);
    if (rc != BINARY_OK)
        return rc;
    std::memcpy(m_pHeader->data.get() + count, src, static_cast<size_t>(n));
    m_pHeader->count = static_cast<int16_t>(count + n);
    return BINARY_OK;
}

int CBinary::Append(const CBinary& other)
{
    if (other.IsEmpty())
        return BINARY_OK;
    CBinary keep(other); // keeps the bytes alive when other is this handle
    return Append(keep.GetBuffer(), keep.GetSize());
}

int CBinary::Add(uint8_t byte) { return Append(&byte, 1); }

int CBinary::Assign(const void* bytes, int n)
{
    Empty(); // Append copes with bytes that lie in our own block
    Append(bytes, n);
    return 1;
}

void CBinary::Empty()
{
    if (!m_pHeader)
        return;
    if (m_pHeader->SoleOwner())
        m_pHeader->count = 0;
    else
        Release();
}

bool CBinary::IsEmpty() const { return !m_pHeader || m_pHeader->count <= 0; }

const uint8_t* CBinary::GetBuffer() const { return m_pHeader ? m_pHeader->data.get() : nullptr; }

int CBinary::GetSize() const { return m_pHeader ? m_pHeader->count : 0; }

int CBinary::GetCapacity() const { return m_pHeader ? m_pHeader->capacity : 0; }

int CBinary::GetRefCount() const { return m_pHeader ? m_pHeader->refcount.load() : 0; }

bool CBinary::SharesWith(const CBinary& other) const { return m_pHeader && m_pHeader == other.m_pHeader; }

uint8_t CBinary::GetAt(int iPosition) const
{
    // The assertion's text is the expression as written.
    // clang-format off
    TS_ASSERT(iPosition>=0);
    TS_ASSERT(iPosition<GetSize());
    // clang-format on
    if (!m_pHeader || !m_pHeader->data || iPosition < 0 || iPosition >= m_pHeader->count)
        return 0;
    return m_pHeader->data[static_cast<size_t>(iPosition)];
}

int CBinary::SetAt(int iPosition, uint8_t byte)
{
    // The assertion's text is the expression as written.
    // clang-format off
    TS_ASSERT(iPosition>=0);
    TS_ASSERT(iPosition<GetSize());
    // clang-format on
    int rc = BINARY_OK;
    if (!m_pHeader || !m_pHeader->data || iPosition < 0 || iPosition >= m_pHeader->count) {
        rc = BINARY_BAD_POSITION;
    } else if (m_pHeader->data[static_cast<size_t>(iPosition)] != byte) {
        rc = Reserve(m_pHeader->count);
        if (rc == BINARY_OK)
            m_pHeader->data[static_cast<size_t>(iPosition)] = byte;
    }
    g_binaryLastError = static_cast<int16_t>(rc);
    return rc;
}

int CBinary::RemoveFirst()
{
    if (IsEmpty())
        return BINARY_BAD_ARGUMENT;
    int rc = Reserve(m_pHeader->count);
    if (rc != BINARY_OK)
        return rc;
    uint8_t* d = m_pHeader->data.get();
    std::memmove(d, d + 1, static_cast<size_t>(m_pHeader->count - 1));
    --m_pHeader->count;
    return BINARY_OK;
}

uint32_t CBinary::ToInteger() const
{
    uint32_t value = 0;
    const uint8_t* d = GetBuffer();
    for (int i = 0, n = GetSize(); i < n; ++i)
        value = (value << 8) | d[i];
    return value;
}

int CBinary::Compare(const CBinary& a, const CBinary& b)
{
    int na = a.GetSize();
    int nb = b.GetSize();
    int common = std::min(na, nb);
    if (common > 0) {
        int c = std::memcmp(a.GetBuffer(), b.GetBuffer(), static_cast<size_t>(common));
        if (c != 0)
            return c < 0 ? -1 : 1;
    }
    if (na == nb)
        return 0;
    return na < nb ? -1 : 1;
}

CBinary operator+(const CBinary& a, const CBinary& b)
{
    CBinary sum(a);
    sum.Append(b);
    return sum;
}

int CBinaryGroup::Add(const CBinary& item)
{
    m_aContain.push_back(item);
    return 0;
}

CBinary CBinaryGroup::GetAt(int iSequence) const
{
    bool inside = iSequence >= 0 && static_cast<size_t>(iSequence) < m_aContain.size();
    TS_ASSERT_TEXT(inside, "iSequence<m_aContain.size()");
    if (!inside)
        return CBinary();
    return m_aContain[static_cast<size_t>(iSequence)];
}

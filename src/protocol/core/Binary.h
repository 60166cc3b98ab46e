#pragma once
// The byte string of the protocol side: a small handle to a shared,
// reference-counted buffer. Copying a handle shares the bytes; the first write
// through a shared handle makes a private copy (copy-on-write).
//
// Sizes, capacity, growth step and reference count are 16-bit signed values,
// so one buffer holds at most 32767 bytes; an operation that would pass that is
// refused with -2 and changes nothing.
//
// Threads: one handle is used by one thread at a time, but handles that share
// bytes may be on different threads (the reference count is atomic); a handle
// that writes while its bytes are shared takes its own copy first, so the
// others never see the write.
#include <atomic>
#include <cstdint>
#include <vector>

// Result codes of the CBinary operations.
constexpr int BINARY_OK = 0;
constexpr int BINARY_NO_MEMORY = -2;    // allocation failed, or more than BINARY_MAX_SIZE bytes
constexpr int BINARY_BAD_ARGUMENT = -3; // bad argument, or nothing to do on an empty buffer
constexpr int BINARY_BAD_POSITION = -7; // position outside the bytes

constexpr int BINARY_MAX_SIZE = 32767;

// Last failure of an operation (and the result of every SetAt). Nothing decides
// on it; callers test the operations' own results. Atomic because the worker
// and the UI thread both use buffers.
extern std::atomic<int16_t> g_binaryLastError;

class CBinary {
public:
    CBinary() = default;
    // An empty handle, then Append(bytes, length).
    CBinary(const void* bytes, int length);
    // Shares the other's bytes.
    CBinary(const CBinary& other);
    virtual ~CBinary();
    // Releases its own bytes, then shares the other's.
    CBinary& operator=(const CBinary& other);

    // Makes the buffer private and able to hold n bytes (n <= 0: the current
    // count). 0, or -2 when memory runs out or n passes BINARY_MAX_SIZE.
    int Reserve(int n);
    // n < 0, or a null pointer with n > 0: -3; n = 0: 0 and nothing changes.
    int Append(const void* bytes, int n);
    int Append(const CBinary& other);
    int Add(uint8_t byte);
    // Empty, then Append; returns 1.
    int Assign(const void* bytes, int n);
    // A sole owner keeps its allocation for reuse; a shared handle detaches.
    void Empty();
    bool IsEmpty() const;

    // The bytes, null for an empty handle. Read only: writes go through SetAt so
    // that shared buffers are copied first.
    const uint8_t* GetBuffer() const;
    int GetSize() const;
    // 0 outside the bytes (reported as an assertion).
    uint8_t GetAt(int iPosition) const;
    // 0 or -7 (outside the bytes, reported as an assertion); always stored in
    // g_binaryLastError. Writing the byte that is already there keeps sharing.
    int SetAt(int iPosition, uint8_t byte);
    // Drops the first byte: -3 when there is none.
    int RemoveFirst();
    // The bytes as one big-endian number; only the last four bytes count.
    uint32_t ToInteger() const;

    // -1, 0 or 1: unsigned bytes over the shorter length, then the shorter is smaller.
    static int Compare(const CBinary& a, const CBinary& b);

    // Allocated bytes; 0 for an empty handle.
    int GetCapacity() const;
    // Number of handles that share these bytes; 0 for an empty handle.
    int GetRefCount() const;
    // True when both handles point to the same bytes.
    bool SharesWith(const CBinary& other) const;

private:
    struct Header;
    void Release();
    Header* m_pHeader = nullptr;
};

// A new handle that first shares a, then appends b; a is left unchanged.
CBinary operator+(const CBinary& a, const CBinary& b);

// Ordered list of buffers; each element shares its bytes with the handle it was
// copied from. Callers read the size from m_aContain.
class CBinaryGroup {
public:
    CBinaryGroup() = default;
    CBinaryGroup(const CBinaryGroup& other) = default;
    CBinaryGroup& operator=(const CBinaryGroup& other) = default;
    virtual ~CBinaryGroup() = default;

    // Appends a copy (sharing) of the handle; returns 0.
    int Add(const CBinary& item);
    // A copy (sharing) of the element; an empty handle outside the list
    // (reported as an assertion).
    CBinary GetAt(int iSequence) const;

    std::vector<CBinary> m_aContain;
};

namespace binary_testing {
// Test hook: the next n allocations succeed, then every one fails until reset
// with -1. Lets tests show that a failed allocation leaves the handle alone.
void FailAllocationsAfter(int n);
} // namespace binary_testing

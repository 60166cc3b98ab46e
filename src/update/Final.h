#pragma once
// A base that closes a class to derivation: only T may construct it, and as a
// virtual base it is constructed by the most derived class, so a class derived
// from T does not compile.
namespace vornix_lib {

template <class T> class Final {
    friend T;

private:
    Final() = default;
    Final(const Final&) = default;
    Final& operator=(const Final&) = default;
};

} // namespace vornix_lib

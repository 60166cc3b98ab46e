#pragma once
// Runs a piece of code when the scope ends, on every way out: state that a
// step changes for its own duration (a frame mode, a sync header) is put back
// by it, so no early return can leave the change behind.
#include <utility>

template <class Restore> class ScopeGuard {
public:
    explicit ScopeGuard(Restore restore) : m_restore(std::move(restore)) {}
    ~ScopeGuard() { m_restore(); }
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;

private:
    Restore m_restore;
};

template <class Restore> ScopeGuard(Restore) -> ScopeGuard<Restore>;

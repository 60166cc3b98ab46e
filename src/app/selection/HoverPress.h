#pragma once
// The mouse's part of an owner-drawn item that lights while the mouse is over
// it and acts on the release that ends a press on it: the state shown, the
// state a visit of the mouse goes back to, the press waiting for its release
// and whether a visit (with its leave notice) is on. The brand logos and the
// selection items each keep one; what a state looks like and what a release
// does stay theirs.
class CHoverPress {
public:
    explicit CHoverPress(int normal) : m_nSavedState(normal), m_nState(normal) {}

    int State() const { return m_nState; }
    // The mouse came over: the state before the visit is kept and `hover`
    // shown. False while a visit is on already (its leave notice is asked).
    bool Enter(int hover);
    // The mouse left: a press is dropped and the state from before the visit
    // comes back.
    void Leave();
    // A state that outlasts a visit of the mouse (a press that selects, the
    // parent's return to normal).
    void Keep(int state);
    void Press() { m_bPressed = true; }
    // A release: true when it ends a press, which it clears.
    bool Release();
    // No press and no visit held.
    void Forget();

private:
    int m_nSavedState;
    int m_nState;
    bool m_bPressed = false;
    bool m_bTracking = false;
};

#pragma once
// The top pane's navigation controls (close button, back button, sensor tab
// bar), locked while something runs that must not be left and unlocked when
// it ends. The top pane implements it; the update controller, which lives
// below the panes, gives the controls back through it. Any thread.
class INavigationLock {
public:
    virtual ~INavigationLock() = default;
    // Close button, back button (state 4) and sensor tab bar disabled.
    virtual void LockNavigation() = 0;
    // Close button enabled, back button at state 0 and enabled, sensor tab
    // bar enabled.
    virtual void UnlockNavigation() = 0;
};

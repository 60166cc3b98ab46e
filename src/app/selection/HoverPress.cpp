#include "HoverPress.h"

bool CHoverPress::Enter(int hover)
{
    if (m_bTracking)
        return false;
    m_nSavedState = m_nState;
    m_nState = hover;
    m_bTracking = true;
    return true;
}

void CHoverPress::Leave()
{
    Forget();
    m_nState = m_nSavedState;
}

void CHoverPress::Keep(int state)
{
    m_nState = state;
    m_nSavedState = state;
}

bool CHoverPress::Release()
{
    if (!m_bPressed)
        return false;
    m_bPressed = false;
    return true;
}

void CHoverPress::Forget()
{
    m_bPressed = false;
    m_bTracking = false;
}

#pragma once
// The start-up window: a picture over the page area until a Brelk has been
// seen once. F2 enters the program without a Brelk; Esc does nothing.
#include "Image.h"
#include "Wnd.h"

#include <functional>
#include <memory>

class CStartUp : public Wnd {
public:
    static constexpr int kId = 16100;

    // onEnter runs when the user presses F2.
    explicit CStartUp(std::function<void()> onEnter);
    ~CStartUp() override;

protected:
    int OnCreate() override;
    bool OnEraseBkgnd(Graphics& g) override;
    void OnPaint(Graphics& g) override;
    bool PreTranslateKeyDown(UINT vk) override;

private:
    std::unique_ptr<Image> m_picture; // PNG 201
    std::function<void()> m_onEnter;
};

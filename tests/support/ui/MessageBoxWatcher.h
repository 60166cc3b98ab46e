#pragma once
// Watches for the real message boxes (the windowing layer's own, not a
// stand-in) while it lives: each one that shows is grabbed into a PNG, its
// text and the texts of its buttons are noted, and the button with the
// answer's text is pressed, as a user reads and answers it.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class MessageBoxWatcher {
public:
    struct Seen {
        std::wstring text;
        std::wstring caption;
        // As the buttons read, left to right, without their shortcut marks.
        std::vector<std::wstring> buttons;
        std::string grabPath; // empty when the grab could not be saved
    };
    // On the UI thread. Boxes are grabbed into grabFolder/<grabName>-<n>.png
    // (n from 1) and answered with the button that reads `answer`.
    MessageBoxWatcher(std::wstring answer, std::string grabFolder, std::string grabName);
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    std::vector<Seen> SeenBoxes() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};

#pragma once

#include <QPointer>

// The life cycle of a window of which one instance exists at a time: it is
// created and loaded (Form_Load) when first referenced, and discarded when
// it closes, so that the next reference creates a fresh window with its
// initial captions. Window derives from SingleWindow<Window> beside its
// QDialog and makes SingleWindow<Window> a friend, for its constructor.
template <typename Window> class SingleWindow {
public:
    // The one shared instance, created (and loaded) on first reference.
    static Window& instance() {
        if (!s_current) {
            auto* window = new Window;
            s_current = window;
            s_shared = window;
            window->Form_Load();
        }
        return *s_current;
    }
    // Whether an instance exists now.
    static bool exists() { return !s_current.isNull(); }

protected:
    SingleWindow() = default;
    ~SingleWindow() {
        // Before the widgets go: nothing they do as they go finds a half-gone window.
        if (s_shared == this)
            forget();
    }
    SingleWindow(const SingleWindow&) = delete;
    SingleWindow& operator=(const SingleWindow&) = delete;

    // The window closes: it is no longer the shared instance. True the
    // first time only, when the window has its unloading to do; deleting
    // it is the window's own affair, since a handler of the window itself
    // may be what closed it.
    bool discard() {
        if (m_unloaded)
            return false;
        m_unloaded = true;
        if (s_shared == this)
            forget();
        return true;
    }
    bool unloaded() const { return m_unloaded; }

private:
    static void forget() {
        s_current = nullptr;
        s_shared = nullptr;
    }

    static inline QPointer<Window> s_current;
    // The same window as this part of it, to be told apart from others
    // also while the window is being destroyed.
    static inline SingleWindow* s_shared = nullptr;
    bool m_unloaded = false;
};

#pragma once

#include "platform/dialogs/scripted_user.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPushButton>

#include <functional>
#include <optional>

// A scripted user that can also act while a message box is open (take a
// disk out, put another in) before giving its answer.
class ActingUser : public platform::ScriptedUser {
public:
    void expectBoxActing(std::function<void()> act, platform::Answer answer,
                         const std::optional<QString>& prompt = std::nullopt) {
        m_acts.append(std::move(act));
        ScriptedUser::expectBox(answer, prompt);
    }
    void expectBox(platform::Answer answer, const std::optional<QString>& prompt = std::nullopt) {
        expectBoxActing(nullptr, answer, prompt);
    }

    platform::Answer ask(const platform::MessageBox& box) override {
        if (!m_acts.isEmpty())
            if (const std::function<void()> act = m_acts.takeFirst())
                act();
        return ScriptedUser::ask(box);
    }

    // Notes a step that failed while a box or window was open, where a
    // QVERIFY could not stop the run; problems() reports it.
    void check(bool ok, const char* what) {
        if (!ok)
            m_trouble << QLatin1String(what);
    }
    QStringList problems() const { return ScriptedUser::problems() + m_trouble; }

private:
    QList<std::function<void()>> m_acts;
    QStringList m_trouble;
};

// A window's control by its design name, and a click on a button of it.
template <typename T> T* control(const QWidget& window, const char* name) {
    return window.findChild<T*>(QString::fromLatin1(name));
}

inline void click(const QWidget& window, const char* name) {
    if (auto* b = control<QPushButton>(window, name))
        b->click();
}

// Windows closed by the copy run are deleted once control is back in an
// event loop; the tests have none, so they let it happen here.
inline void discardClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

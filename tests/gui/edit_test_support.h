#pragma once
// Waiting for the WYSIWYG component in the desktop tests: the event loop runs until a
// condition holds, without the sleeps of QTest's waits (they slow the web engine's page
// loads down to seconds), and a document is loaded or the sent changes settled.

#include "editor/gui/html_edit_component.h"

#include <QEventLoop>
#include <QSignalSpy>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

namespace parvane::testing {

inline constexpr int kEditTimeout = 20000;

inline bool WaitFor(const std::function<bool()>& done, int timeout = kEditTimeout) {
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start(2);
    limit.start(timeout);
    loop.exec();
    return done();
}

// Waits until everything sent to the page is applied and its state is known. (The
// callback shares its result through shared state, in case the wait gives up first.)
// A change the page reports while the round trip is under way (a key's effect, fetched a
// moment later) leaves the component busy after it: then another round is waited for.
inline bool Settle(THtmlEditComponent& edit) {
    for (int round = 0; round < 100; ++round) {
        auto done = std::make_shared<bool>(false);
        edit.Sync([done] { *done = true; });
        if (!WaitFor([&] { return *done; }))
            return false;
        if (!edit.Busy())
            return true;
    }
    return false;
}

inline bool Load(THtmlEditComponent& edit, const std::string& html,
                 const std::string& folder = "") {
    QSignalSpy complete(&edit, &THtmlEditComponent::DocumentComplete);
    edit.SetDocumentHTML(html);
    if (!folder.empty())
        edit.SetBaseURL(folder);
    return WaitFor([&] { return complete.count() > 0 && edit.DocumentLoaded(); }) && Settle(edit);
}

} // namespace parvane::testing

#pragma once
// Reading and driving a page in the WYSIWYG component from the desktop tests: find text,
// elements by tag, run a command to its end, evaluate an expression in the editor's
// script world.

#include "edit_test_support.h"
#include "editor/gui/html_edit_component.h"

#include <QSignalSpy>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace parvane::testing {

inline bool FindText(THtmlEditComponent& edit, const std::string& text) {
    auto found = std::make_shared<bool>(false);
    edit.FindText(text, [found](bool ok) { *found = ok; });
    return Settle(edit) && *found;
}

inline THtmlElementCollection ElementsByTag(THtmlEditComponent& edit, const std::string& tag) {
    auto result = std::make_shared<std::optional<THtmlElementCollection>>();
    edit.ElementsByTagName(tag,
                           [result](THtmlElementCollection found) { *result = std::move(found); });
    WaitFor([&] { return result->has_value(); });
    return result->value_or(THtmlElementCollection());
}

// Runs a command and waits for its end; false when it was not issued or failed.
inline bool RunCommand(THtmlEditComponent& edit, int id, const QVariant& value = {},
                       int option = 0) {
    QSignalSpy finished(&edit, &THtmlEditComponent::CommandFinished);
    if (!edit.ExecCommand(id, option, value).toBool())
        return false;
    if (!WaitFor([&] { return finished.count() > 0; }))
        return false;
    const bool ok = finished.takeFirst().at(1).toBool();
    return Settle(edit) && ok;
}

inline QVariant EvaluateInEditor(THtmlEditComponent& edit, const QString& expression) {
    auto result = std::make_shared<std::optional<QVariant>>();
    edit.View()->page()->runJavaScript(expression, QWebEngineScript::ApplicationWorld,
                                       [result](const QVariant& value) { *result = value; });
    WaitFor([&] { return result->has_value(); });
    return result->value_or(QVariant());
}

} // namespace parvane::testing

#include "editor/gui/edit_operation.h"
#include "editor/gui/editor_dialogs.h"
#include "editor/gui/html_edit_component.h"

#include <utility>

namespace parvane {

void ConnectEditorDialogs(TDHTMLEditOperation& operation, std::function<TEditorDialogHost()> host) {
    const auto run = [&operation,
                      host = std::move(host)](bool (*command)(const TEditorDialogHost&)) {
        return [&operation, host, command] {
            TEditorDialogHost current = host();
            if (!current.Editor)
                current.Editor = operation.Edit();
            if (!current.LastPictureFolder)
                current.LastPictureFolder = &operation.LastPictureFolder;
            if (current.Editor && current.Dialogs) {
                // Whatever the dialog writes, through Apply and OK, is one undo step.
                const THtmlEditComponent::TUndoStep step(current.Editor);
                command(current);
            }
        };
    };
    TEditorDialogHooks& hooks = operation.Dialogs;
    hooks.InsertTable = run(&RunInsertTableDialog);
    hooks.TableProperties = run(&RunTablePropertiesDialog);
    hooks.CellProperties = run(&RunCellPropertiesDialog);
    hooks.InsertPicture = run(&RunInsertPicture);
    hooks.PictureProperties = run(&RunPicturePropertiesDialog);
    hooks.InsertHyperlink = run(&RunHyperlinkDialog);
    hooks.PageProperties = run(&RunPagePropertiesDialog);
    hooks.AppendRow = [&operation] {
        if (operation.Edit()) {
            const THtmlEditComponent::TUndoStep step(operation.Edit());
            AppendTableRow(*operation.Edit());
        }
    };
    hooks.AppendColumn = [&operation] {
        if (operation.Edit()) {
            const THtmlEditComponent::TUndoStep step(operation.Edit());
            AppendTableColumn(*operation.Edit());
        }
    };
}

} // namespace parvane

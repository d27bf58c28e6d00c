// Row and column commands on the table around the caret, which Chromium's editing does not
// have. Spanning cells are kept whole: a span that crosses the new row or column grows, and
// one that loses a row or column shrinks.
(function (Pv) {
    'use strict';

    function rowSpanOf(cell, rowsLeft) {
        return cell.rowSpan === 0 ? rowsLeft : Math.max(1, cell.rowSpan);
    }

    // Which cell covers each row and column of the table, and where each cell starts.
    function gridOf(table) {
        const rows = Array.from(table.rows);
        const cells = rows.map(function () { return []; });
        const origin = new Map();
        let width = 0;
        rows.forEach(function (row, r) {
            let c = 0;
            for (const cell of row.cells) {
                while (cells[r][c]) {
                    c++;
                }
                const rowSpan = Math.min(rowSpanOf(cell, rows.length - r), rows.length - r);
                const colSpan = Math.max(1, cell.colSpan);
                for (let i = 0; i < rowSpan; i++) {
                    for (let j = 0; j < colSpan; j++) {
                        cells[r + i][c + j] = cell;
                    }
                }
                origin.set(cell, { row: r, col: c, rowSpan: rowSpan, colSpan: colSpan });
                c += colSpan;
                width = Math.max(width, c);
            }
        });
        return { rows: rows, cells: cells, origin: origin, width: width };
    }

    function cellAt(node) {
        const element = Pv.elementAt(node);
        return element ? element.closest('td, th') : null;
    }

    // The cells at both ends of the selection, when the selection starts in a table cell.
    function selectedCells() {
        const range = Pv.range();
        if (!Pv.isEditable(range) || Pv.selectedControl(range)) {
            return null;
        }
        const first = cellAt(range.startContainer);
        if (!first) {
            return null;
        }
        const table = first.closest('table');
        let last = cellAt(range.endContainer);
        if (!last || last.closest('table') !== table) {
            last = first;
        }
        return { table: table, first: first, last: last };
    }

    Pv.caretInTable = function () {
        return selectedCells() !== null;
    };

    function newCell(like) {
        const cell = document.createElement(like && like.tagName === 'TH' ? 'th' : 'td');
        cell.innerHTML = '&nbsp;';
        return cell;
    }

    function placeCaret(cell) {
        if (cell && cell.isConnected) {
            Pv.select(cell, 'start');
        }
    }

    function isAfter(where) {
        return where === 'below' || where === 'after' || where === 'right';
    }

    // Inserts a row above the caret's row, or below it for 'below'.
    Pv.insertRow = function (where) {
        const at = selectedCells();
        if (!at) {
            return false;
        }
        const grid = gridOf(at.table);
        const origin = grid.origin.get(at.first);
        const after = isAfter(where);
        const index = after ? origin.row + origin.rowSpan : origin.row;
        const row = document.createElement('tr');
        const grown = new Set();
        for (let c = 0; c < grid.width; c++) {
            const above = index > 0 ? grid.cells[index - 1][c] : undefined;
            const below = index < grid.rows.length ? grid.cells[index][c] : undefined;
            if (above && above === below) {
                if (!grown.has(above)) {
                    grown.add(above);
                    above.rowSpan = grid.origin.get(above).rowSpan + 1;
                }
                continue;
            }
            row.appendChild(newCell(null));
        }
        const neighbour = grid.rows[after ? index - 1 : index];
        neighbour.parentNode.insertBefore(row, after ? neighbour.nextSibling : neighbour);
        return true;
    };

    // Inserts a column left of the caret's column, or right of it for 'right'.
    Pv.insertColumn = function (where) {
        const at = selectedCells();
        if (!at) {
            return false;
        }
        const grid = gridOf(at.table);
        const origin = grid.origin.get(at.first);
        const index = isAfter(where) ? origin.col + origin.colSpan : origin.col;
        const grown = new Set();
        grid.rows.forEach(function (row, r) {
            const left = index > 0 ? grid.cells[r][index - 1] : undefined;
            const right = grid.cells[r][index];
            if (left && left === right) {
                if (!grown.has(left)) {
                    grown.add(left);
                    left.colSpan = grid.origin.get(left).colSpan + 1;
                }
                return;
            }
            if (right && grid.origin.get(right).row !== r) {
                return; // the row where that cell starts got a cell as tall as it
            }
            const cell = newCell(right || left);
            if (right && grid.origin.get(right).rowSpan > 1) {
                cell.rowSpan = grid.origin.get(right).rowSpan;
            }
            let before = null;
            for (const other of row.cells) {
                if (grid.origin.get(other).col >= index) {
                    before = other;
                    break;
                }
            }
            row.insertBefore(cell, before);
        });
        return true;
    };

    function removeRow(table, r) {
        const grid = gridOf(table);
        const seen = new Set();
        const next = grid.rows[r + 1];
        for (let c = 0; c < grid.width; c++) {
            const cell = grid.cells[r][c];
            if (!cell || seen.has(cell)) {
                continue;
            }
            seen.add(cell);
            const origin = grid.origin.get(cell);
            if (origin.rowSpan < 2) {
                continue;
            }
            cell.rowSpan = origin.rowSpan - 1;
            if (origin.row === r && next) {
                // A tall cell starting here moves down into the next row, at its column.
                let before = null;
                for (const other of next.cells) {
                    if (grid.origin.get(other).col > origin.col) {
                        before = other;
                        break;
                    }
                }
                next.insertBefore(cell, before);
            }
        }
        grid.rows[r].remove();
    }

    function removeTableIfEmpty(table) {
        if (table.querySelector('td, th')) {
            return false;
        }
        const parent = table.parentNode;
        const range = document.createRange();
        range.setStartBefore(table);
        range.collapse(true);
        table.remove();
        const selection = document.getSelection();
        selection.removeAllRanges();
        if (parent && parent.isConnected) {
            selection.addRange(range);
        }
        return true;
    }

    // Deletes every row the selection touches.
    Pv.deleteRows = function () {
        const at = selectedCells();
        if (!at) {
            return false;
        }
        const grid = gridOf(at.table);
        const first = grid.origin.get(at.first);
        const last = grid.origin.get(at.last);
        const top = Math.min(first.row, last.row);
        const bottom = Math.max(first.row + first.rowSpan, last.row + last.rowSpan) - 1;
        const column = first.col;
        for (let r = bottom; r >= top; r--) {
            removeRow(at.table, r);
        }
        if (!removeTableIfEmpty(at.table)) {
            const after = gridOf(at.table);
            const row = after.cells[Math.min(top, after.rows.length - 1)];
            placeCaret(row[Math.min(column, row.length - 1)] || after.rows[0].cells[0]);
        }
        return true;
    };

    // Deletes every column the selection touches.
    Pv.deleteColumns = function () {
        const at = selectedCells();
        if (!at) {
            return false;
        }
        const grid = gridOf(at.table);
        const first = grid.origin.get(at.first);
        const last = grid.origin.get(at.last);
        const left = Math.min(first.col, last.col);
        const right = Math.max(first.col + first.colSpan, last.col + last.colSpan) - 1;
        const row = first.row;
        for (let c = right; c >= left; c--) {
            const current = gridOf(at.table);
            const seen = new Set();
            current.rows.forEach(function (unused, r) {
                const cell = current.cells[r][c];
                if (!cell || seen.has(cell)) {
                    return;
                }
                seen.add(cell);
                const origin = current.origin.get(cell);
                if (origin.colSpan > 1) {
                    cell.colSpan = origin.colSpan - 1;
                } else {
                    cell.remove();
                }
            });
        }
        if (!removeTableIfEmpty(at.table)) {
            const after = gridOf(at.table);
            const cells = after.cells[Math.min(row, after.rows.length - 1)] || [];
            placeCaret(cells[Math.min(left, cells.length - 1)] || at.table.querySelector('td, th'));
        }
        return true;
    };
})(ParvaneEditor);

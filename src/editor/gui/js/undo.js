// The editor's one undo history. Every change of the document, whoever makes it (typing,
// the browser's formatting commands, our own commands, the dialogs' writes from C++, drag
// and drop, paste), is recorded from the DOM's mutation records and grouped into steps;
// Undo plays a step's records backwards, Redo forwards. The browser's own undo is never
// used: it does not see changes made through the DOM, so it would skip the dialogs' writes
// and undo earlier typing instead.
(function (Pv) {
    'use strict';

    // Steps kept; the oldest go first.
    const LIMIT = 500;
    // Steps of these kinds take in the next change of the same kind (a typed word is one
    // step, not one per letter).
    const MERGING = new Set(['typing', 'delete']);

    const done = [];
    const undone = [];
    let observer = null;
    let open = null;
    let replaying = false;

    function selectionState() {
        const range = Pv.range();
        return range ? {
            sc: range.startContainer, so: range.startOffset,
            ec: range.endContainer, eo: range.endOffset,
        } : null;
    }

    function restoreSelection(state) {
        if (!state || !state.sc.isConnected || !state.ec.isConnected) {
            return;
        }
        try {
            const range = document.createRange();
            range.setStart(state.sc, Math.min(state.so, lengthOf(state.sc)));
            range.setEnd(state.ec, Math.min(state.eo, lengthOf(state.ec)));
            const selection = document.getSelection();
            selection.removeAllRanges();
            selection.addRange(range);
        } catch (error) {
            // A position that no longer exists: the selection stays where it is.
        }
    }

    function lengthOf(node) {
        return node.nodeType === Node.ELEMENT_NODE ? node.childNodes.length
            : (node.data || '').length;
    }

    function copyRecord(record) {
        return {
            type: record.type,
            target: record.target,
            name: record.attributeName,
            ns: record.attributeNamespace,
            oldValue: record.oldValue,
            added: Array.from(record.addedNodes),
            removed: Array.from(record.removedNodes),
            prev: record.previousSibling,
            next: record.nextSibling,
        };
    }

    function take(records) {
        if (replaying || !records.length) {
            return;
        }
        if (!open) {
            open = { kind: 'change', records: [], before: selectionState() };
        }
        for (const record of records) {
            open.records.push(copyRecord(record));
        }
    }

    function flush() {
        if (observer) {
            take(observer.takeRecords());
        }
    }

    function attributeValue(target, name, ns) {
        return ns ? target.getAttributeNS(ns, name) : target.getAttribute(name);
    }

    function setAttributeValue(target, name, ns, value) {
        if (value === null) {
            if (ns) {
                target.removeAttributeNS(ns, name);
            } else {
                target.removeAttribute(name);
            }
        } else if (ns) {
            target.setAttributeNS(ns, name, value);
        } else {
            target.setAttribute(name, value);
        }
    }

    // Attribute and text records whose end value equals their start value change nothing
    // (a dialog's Apply followed by OK writes the same values twice).
    function withoutNoOps(records) {
        const keyOf = function (record) {
            return record.type === 'attributes' ? (record.ns || '') + '\u0001' + record.name : '';
        };
        const current = function (record) {
            return record.type === 'attributes'
                ? attributeValue(record.target, record.name, record.ns) : record.target.data;
        };
        const first = new Map();
        for (const record of records) {
            if (record.type === 'childList') {
                continue;
            }
            let byKey = first.get(record.target);
            if (!byKey) {
                byKey = new Map();
                first.set(record.target, byKey);
            }
            if (!byKey.has(keyOf(record))) {
                byKey.set(keyOf(record), record.oldValue);
            }
        }
        return records.filter(function (record) {
            return record.type === 'childList' ||
                current(record) !== first.get(record.target).get(keyOf(record));
        });
    }

    function close() {
        flush();
        if (!open) {
            return;
        }
        const step = open;
        open = null;
        step.records = withoutNoOps(step.records);
        if (!step.records.length) {
            return;
        }
        step.after = selectionState();
        done.push(step);
        if (done.length > LIMIT) {
            done.shift();
        }
        undone.length = 0;
    }

    // Starts a step of a kind, or goes on with the open one when both may merge.
    function begin(kind) {
        flush();
        if (open && open.kind === kind && MERGING.has(kind)) {
            return;
        }
        close();
        open = { kind: kind, records: [], before: selectionState() };
    }

    function insertionPoint(record) {
        if (record.next && record.next.parentNode === record.target) {
            return record.next;
        }
        if (record.prev && record.prev.parentNode === record.target) {
            return record.prev.nextSibling;
        }
        return record.prev ? null : record.target.firstChild;
    }

    function swapChildren(record, remove, insert) {
        for (let i = remove.length - 1; i >= 0; i--) {
            if (remove[i].parentNode === record.target) {
                record.target.removeChild(remove[i]);
            }
        }
        const before = insertionPoint(record);
        for (const node of insert) {
            record.target.insertBefore(node, before);
        }
    }

    function revert(record) {
        if (record.type === 'attributes') {
            record.newValue = attributeValue(record.target, record.name, record.ns);
            setAttributeValue(record.target, record.name, record.ns, record.oldValue);
        } else if (record.type === 'characterData') {
            record.newValue = record.target.data;
            record.target.data = record.oldValue;
        } else {
            swapChildren(record, record.added, record.removed);
        }
    }

    function replay(record) {
        if (record.type === 'attributes') {
            setAttributeValue(record.target, record.name, record.ns, record.newValue);
        } else if (record.type === 'characterData') {
            record.target.data = record.newValue;
        } else {
            swapChildren(record, record.removed, record.added);
        }
    }

    function quietly(work) {
        flush();
        replaying = true;
        try {
            work();
        } finally {
            if (observer) {
                observer.takeRecords();
            }
            replaying = false;
        }
    }

    // Whether a node came into the page in the step still open.
    function isNew(node) {
        flush();
        if (!open) {
            return false;
        }
        for (const record of open.records) {
            for (const added of record.added) {
                if (added === node || (added.nodeType === Node.ELEMENT_NODE && added.contains(node))) {
                    return true;
                }
            }
        }
        return false;
    }

    Pv.history = {
        start: function () {
            observer = new MutationObserver(take);
            observer.observe(document, {
                subtree: true, childList: true, attributes: true, attributeOldValue: true,
                characterData: true, characterDataOldValue: true,
            });
        },
        begin: begin,
        close: close,
        canUndo: function () {
            flush();
            return done.length > 0 || (!!open && open.records.length > 0);
        },
        canRedo: function () {
            flush();
            return undone.length > 0 && !(open && open.records.length > 0);
        },
        undo: function () {
            close();
            const step = done.pop();
            if (!step) {
                return false;
            }
            quietly(function () {
                for (let i = step.records.length - 1; i >= 0; i--) {
                    revert(step.records[i]);
                }
            });
            undone.push(step);
            restoreSelection(step.before);
            return true;
        },
        redo: function () {
            close();
            const step = undone.pop();
            if (!step) {
                return false;
            }
            quietly(function () {
                for (const record of step.records) {
                    replay(record);
                }
            });
            done.push(step);
            restoreSelection(step.after);
            return true;
        },
    };

    const NAVIGATION_KEYS = new Set(['ArrowLeft', 'ArrowRight', 'ArrowUp', 'ArrowDown', 'Home',
        'End', 'PageUp', 'PageDown', 'Tab']);

    // The browser's editing: which step each of its changes belongs to.
    Pv.watchEditing = function () {
        document.addEventListener('beforeinput', function (event) {
            const type = event.inputType || '';
            if (type === 'historyUndo' || type === 'historyRedo') {
                event.preventDefault();
                if (type === 'historyUndo') {
                    Pv.history.undo();
                } else {
                    Pv.history.redo();
                }
                return;
            }
            if (type === 'insertText' || type === 'insertCompositionText' ||
                type === 'insertReplacementText') {
                begin('typing');
                if (type === 'insertText' && Pv.typeIntoPlaceholderCell(event)) {
                    event.preventDefault();
                }
            } else if (type.startsWith('delete') && type !== 'deleteByDrag' &&
                type !== 'deleteByCut') {
                begin('delete');
            } else if (type === 'insertFromDrop') {
                // A move within the page is one step: the removal came just before.
                if (!open || open.kind !== 'drag') {
                    begin('drag');
                }
            } else if (type === 'deleteByDrag') {
                begin('drag');
            } else {
                begin('input:' + type);
            }
        }, true);
        document.addEventListener('input', function (event) {
            const type = event.inputType || '';
            if (type === 'insertFromDrop' || (open && open.kind === 'input:' + type)) {
                close();
            }
            if (!replaying) {
                if (type.startsWith('insert')) {
                    Pv.dropTypingStyle(isNew);
                }
                Pv.fixNesting();
            }
        }, true);
        document.addEventListener('keydown', function (event) {
            if (NAVIGATION_KEYS.has(event.key)) {
                close();
            }
        }, true);
        document.addEventListener('mousedown', function () { close(); }, true);
    };
})(ParvaneEditor);

// The editing state sent to C++: selection, command statuses, the elements under the
// selection with their tables, and the page's HTML when it changed. C++ answers its
// synchronous questions from the last one of these.
(function (Pv) {
    'use strict';

    // Element contents (outer and inner HTML, text) above this size are not sent.
    const CONTENT_LIMIT = 256 * 1024;
    const TEXT_LIMIT = 256 * 1024;
    // Tables with more cells than this are sent without their rows.
    const CELL_LIMIT = 20000;

    Pv.contentDirty = true;
    Pv.changed = false;

    function attributesOf(element) {
        const result = [];
        for (const attribute of element.attributes) {
            result.push([attribute.name.toLowerCase(), attribute.value]);
        }
        return result;
    }

    function recordOf(element) {
        const record = {
            tag: element.tagName.toUpperCase(),
            parent: Pv.handleOf(element.parentElement),
            attrs: attributesOf(element),
            width: element.style ? element.style.width : '',
        };
        if (record.tag === 'TD' || record.tag === 'TH') {
            record.cellIndex = element.cellIndex;
        }
        return record;
    }

    function Collector() {
        this.elements = {};
        this.cells = 0;
    }

    Collector.prototype.add = function (element) {
        const handle = Pv.handleOf(element);
        if (handle && !this.elements[handle]) {
            this.elements[handle] = recordOf(element);
        }
        return handle;
    };

    // The element and its ancestors, with contents up to the first one too large to send
    // (or for the element alone when ownContentOnly).
    Collector.prototype.addChain = function (element, ownContentOnly) {
        let withContent = true;
        const tables = [];
        for (let node = element; node; node = node.parentElement) {
            const handle = this.add(node);
            const record = this.elements[handle];
            if (node.tagName === 'TABLE') {
                tables.push(node);
            }
            if (node === document.body || node === document.documentElement) {
                continue;
            }
            if (withContent && record.outer === undefined) {
                const outer = node.outerHTML;
                if (outer.length > CONTENT_LIMIT) {
                    withContent = false;
                    continue;
                }
                record.outer = outer;
                record.inner = node.innerHTML;
                const text = node.innerText;
                record.text = text.length > TEXT_LIMIT ? text.slice(0, TEXT_LIMIT) : text;
            }
            if (ownContentOnly) {
                withContent = false;
            }
        }
        for (const table of tables) {
            this.addTable(table);
        }
        return element ? Pv.handleOf(element) : 0;
    };

    // A table's rows and each row's cells, so that table dialogs can read them at once.
    Collector.prototype.addTable = function (table) {
        const handle = this.add(table);
        if (this.elements[handle].rows !== undefined) {
            return;
        }
        let count = 0;
        for (const row of table.rows) {
            count += row.cells.length;
        }
        if (this.cells + count > CELL_LIMIT) {
            return;
        }
        this.cells += count;
        const rows = [];
        for (const row of table.rows) {
            const rowHandle = this.add(row);
            this.add(row.parentElement);
            const cells = [];
            for (const cell of row.cells) {
                cells.push(this.add(cell));
            }
            this.elements[rowHandle].cells = cells;
            rows.push(rowHandle);
        }
        this.elements[handle].rows = rows;
    };

    function escapeText(text) {
        return text.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;')
            .replace(/\u00a0/g, '&nbsp;');
    }

    function doctypeText(doctype) {
        let text = '<!DOCTYPE ' + doctype.name;
        if (doctype.publicId) {
            text += ' PUBLIC "' + doctype.publicId + '"';
        }
        if (doctype.systemId) {
            text += (doctype.publicId ? '' : ' SYSTEM') + ' "' + doctype.systemId + '"';
        }
        return text + '>';
    }

    function nodeText(node) {
        switch (node.nodeType) {
        case Node.ELEMENT_NODE: return node.outerHTML;
        case Node.TEXT_NODE: return escapeText(node.data);
        case Node.COMMENT_NODE: return '<!--' + node.data + '-->';
        case Node.DOCUMENT_TYPE_NODE: return doctypeText(node);
        default: return '';
        }
    }

    // The whole page as HTML, and where its body element lies in that text.
    Pv.serialise = function () {
        const parts = [];
        let length = 0;
        let bodyStart = -1;
        let bodyLength = 0;
        function push(text) {
            parts.push(text);
            length += text.length;
        }
        const root = document.documentElement;
        for (const node of document.childNodes) {
            if (parts.length) {
                push('\n');
            }
            if (node !== root) {
                push(nodeText(node));
                continue;
            }
            const shell = root.cloneNode(false).outerHTML;
            const close = '</' + root.localName + '>';
            push(shell.slice(0, shell.length - close.length));
            for (const child of root.childNodes) {
                if (child === document.body) {
                    bodyStart = length;
                    const body = child.outerHTML;
                    bodyLength = body.length;
                    push(body);
                } else {
                    push(nodeText(child));
                }
            }
            push(close);
        }
        return { html: parts.join(''), bodyStart: bodyStart, bodyLength: bodyLength };
    };

    Pv.recordsOf = function (elements) {
        const collector = new Collector();
        const handles = [];
        for (const element of elements) {
            handles.push(collector.addChain(element, true));
        }
        return { handles: handles, elements: collector.elements };
    };

    Pv.snapshot = function (withHtml) {
        const context = Pv.context();
        const range = context.range;
        const type = Pv.selectionType(range);
        const collector = new Collector();
        const control = type === 'Control' ? Pv.selectedControl(range) : null;
        const first = Pv.firstCharElement(range);
        let text = type === 'Text' ? document.getSelection().toString() : '';
        if (text.length > TEXT_LIMIT) {
            text = text.slice(0, TEXT_LIMIT);
        }
        const snapshot = {
            type: type,
            text: text,
            current: collector.addChain(control || (type === 'None' && range
                ? Pv.elementAt(range.startContainer) : first)),
            rangeParent: collector.addChain(range ? Pv.elementAt(range.commonAncestorContainer) : null),
            start: collector.addChain(range ? Pv.elementAt(range.startContainer) : null),
            end: collector.addChain(range ? Pv.elementAt(range.endContainer) : null),
            firstChar: collector.addChain(first),
            body: document.body ? collector.add(document.body) : 0,
            status: Pv.statuses(context),
            values: Pv.formatValues(context),
            changed: Pv.changed,
            elements: collector.elements,
        };
        if (withHtml || Pv.contentDirty) {
            Object.assign(snapshot, Pv.serialise());
            Pv.contentDirty = false;
        }
        return snapshot;
    };
})(ParvaneEditor);

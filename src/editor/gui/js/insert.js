// Putting new content into the page as DOM nodes. The browser's insertHTML is not used: it
// rewrites the inserted markup with the computed styles of the page (a picture would carry
// the style sheet's font size, a table would lose a border-collapse the sheet already has)
// and adds line breaks of its own. Blocks inserted into a paragraph split it, so that the
// saved page never holds a list or a table inside a <p>.
(function (Pv) {
    'use strict';

    // Elements that hold paragraphs and other blocks.
    const FLOW = new Set(['BODY', 'DIV', 'TD', 'TH', 'LI', 'BLOCKQUOTE', 'DD', 'CENTER', 'FORM',
        'FIELDSET', 'SECTION', 'ARTICLE', 'ASIDE', 'MAIN', 'HEADER', 'FOOTER', 'NAV', 'FIGURE',
        'DETAILS', 'CAPTION', 'HTML', 'TEMPLATE']);
    // Elements that end an open paragraph when the parser meets them.
    const BLOCKS = new Set(['ADDRESS', 'ARTICLE', 'ASIDE', 'BLOCKQUOTE', 'CENTER', 'DETAILS',
        'DIALOG', 'DIR', 'DIV', 'DL', 'FIELDSET', 'FIGCAPTION', 'FIGURE', 'FOOTER', 'HEADER',
        'HGROUP', 'MAIN', 'MENU', 'NAV', 'OL', 'P', 'SECTION', 'SUMMARY', 'UL', 'H1', 'H2', 'H3',
        'H4', 'H5', 'H6', 'PRE', 'LISTING', 'FORM', 'TABLE', 'HR', 'XMP', 'PLAINTEXT']);
    // Elements that keep a paragraph above them apart from what they hold.
    const SCOPES = new Set(['TABLE', 'TD', 'TH', 'CAPTION', 'BUTTON', 'OBJECT', 'MARQUEE',
        'APPLET', 'TEMPLATE', 'HTML']);

    function isBlock(node) {
        return node.nodeType === Node.ELEMENT_NODE && BLOCKS.has(node.tagName);
    }

    // The highest element around node that cannot hold blocks, below the nearest element
    // that can; null when node sits in such an element directly.
    function paragraphAround(node) {
        let holder = null;
        for (let element = Pv.elementAt(node); element && !FLOW.has(element.tagName);
            element = element.parentElement) {
            holder = element;
        }
        return holder && holder.parentNode ? holder : null;
    }

    function isEmpty(element) {
        return !element.textContent.length &&
            !element.querySelector('img, table, hr, iframe, object, embed, input, video, audio');
    }

    function copyWithoutId(element) {
        const copy = element.cloneNode(false);
        copy.removeAttribute('id');
        return copy;
    }

    // Splits holder at a position inside it: holder keeps what comes before, the returned
    // copy what comes after (null when nothing does).
    function splitAt(holder, container, offset) {
        const range = document.createRange();
        range.setStart(container, offset);
        range.setEnd(holder, holder.childNodes.length);
        const tail = range.extractContents();
        const second = copyWithoutId(holder);
        second.appendChild(tail);
        return isEmpty(second) ? null : second;
    }

    function caretAfter(node) {
        const range = document.createRange();
        range.setStartAfter(node);
        range.collapse(true);
        const selection = document.getSelection();
        selection.removeAllRanges();
        selection.addRange(range);
    }

    // Inserts the nodes of a fragment in place of the range, then puts the caret after them.
    Pv.insertFragment = function (range, fragment) {
        const nodes = Array.from(fragment.childNodes);
        if (!range.collapsed) {
            range.deleteContents();
        }
        if (!nodes.length) {
            return true;
        }
        let container = range.startContainer;
        let offset = range.startOffset;
        const holder = nodes.some(isBlock) ? paragraphAround(container) : null;
        if (holder) {
            const second = splitAt(holder, container, offset);
            const parent = holder.parentNode;
            const next = holder.nextSibling;
            for (const node of nodes) {
                parent.insertBefore(node, next);
            }
            if (second) {
                parent.insertBefore(second, next);
            }
            if (isEmpty(holder)) {
                holder.remove();
            }
        } else {
            if (container.nodeType === Node.TEXT_NODE) {
                const rest = offset > 0 ? container.splitText(offset) : container;
                offset = Array.prototype.indexOf.call(rest.parentNode.childNodes, rest);
                container = rest.parentNode;
            } else if (container.nodeType !== Node.ELEMENT_NODE) {
                offset = Array.prototype.indexOf.call(container.parentNode.childNodes, container);
                container = container.parentNode;
            }
            const before = container.childNodes[offset] || null;
            for (const node of nodes) {
                container.insertBefore(node, before);
            }
        }
        caretAfter(nodes[nodes.length - 1]);
        Pv.fixNesting();
        return true;
    };

    // The HTML fragment as nodes, parsed inertly (no script runs, no style is computed).
    Pv.parseFragment = function (html) {
        const template = document.createElement('template');
        template.innerHTML = html;
        return document.importNode(template.content, true);
    };

    // Replaces the selection, or inserts at one of its ends, by an HTML fragment.
    Pv.pasteHtml = function (where, html) {
        const selection = document.getSelection();
        if (!selection.rangeCount) {
            if (!document.body) {
                return false;
            }
            Pv.select(document.body, 'end');
        }
        if (where === 'start' || where === 'end') {
            const range = selection.getRangeAt(0).cloneRange();
            range.collapse(where === 'start');
            selection.removeAllRanges();
            selection.addRange(range);
        } else if (where === 'afterFirst') {
            selection.collapseToStart();
            selection.modify('move', 'forward', 'character');
        }
        const range = selection.getRangeAt(0);
        if (!Pv.isEditable(range)) {
            return false;
        }
        return Pv.insertFragment(range, Pv.parseFragment(html));
    };

    // Plain text at the selection: one line stays in the paragraph, several become
    // paragraphs of their own.
    Pv.insertPlainText = function (text) {
        const range = Pv.range();
        if (!Pv.isEditable(range)) {
            return false;
        }
        const lines = String(text || '').replace(/\r\n?/g, '\n').split('\n');
        while (lines.length > 1 && lines[lines.length - 1] === '') {
            lines.pop();
        }
        const fragment = document.createDocumentFragment();
        if (lines.length === 1) {
            fragment.appendChild(document.createTextNode(lines[0]));
        } else {
            for (const line of lines) {
                const paragraph = document.createElement('p');
                paragraph.textContent = line;
                if (line) {
                    fragment.appendChild(paragraph);
                }
            }
        }
        return Pv.insertFragment(range, fragment);
    };

    // Moves blocks out of the paragraphs that hold them: the browser's list commands can
    // leave a list inside a <p>, which a parser reads back as an empty paragraph, the list
    // and another empty paragraph.
    Pv.fixNesting = function () {
        if (!document.body) {
            return;
        }
        const selector = Array.from(BLOCKS, function (tag) { return 'p ' + tag; }).join(',');
        // The paragraph that wrongly holds element, if any.
        function paragraphOf(element) {
            let paragraph = null;
            for (let node = element.parentElement; node; node = node.parentElement) {
                if (SCOPES.has(node.tagName)) {
                    break;
                }
                if (node.tagName === 'P') {
                    paragraph = node;
                }
            }
            return paragraph;
        }
        for (let guard = 0; guard < 1000; guard++) {
            let found = null;
            let paragraph = null;
            for (const element of document.body.querySelectorAll(selector)) {
                paragraph = paragraphOf(element);
                if (paragraph) {
                    found = element;
                    break;
                }
            }
            if (!found) {
                return;
            }
            const parent = paragraph.parentNode;
            const range = document.createRange();
            range.setStartAfter(found);
            range.setEnd(paragraph, paragraph.childNodes.length);
            const tail = copyWithoutId(paragraph);
            tail.appendChild(range.extractContents());
            parent.insertBefore(found, paragraph.nextSibling);
            if (!isEmpty(tail)) {
                parent.insertBefore(tail, found.nextSibling);
            }
            if (isEmpty(paragraph)) {
                paragraph.remove();
            }
        }
    };

    function isRedundant(span) {
        const own = getComputedStyle(span);
        const inherited = getComputedStyle(span.parentElement);
        for (let i = 0; i < span.style.length; i++) {
            const name = span.style[i];
            if (own.getPropertyValue(name) !== inherited.getPropertyValue(name)) {
                return false;
            }
        }
        return true;
    }

    // The browser wraps typed text in a span that repeats the style the text has anyway
    // (the font size of the page's style sheet, say): such spans of this step go again.
    Pv.dropTypingStyle = function (isNew) {
        const range = Pv.range();
        if (!range || !range.collapsed) {
            return;
        }
        const container = range.startContainer;
        const offset = range.startOffset;
        let changed = false;
        for (let element = Pv.elementAt(container); element && element.parentElement &&
            !FLOW.has(element.tagName);) {
            const parent = element.parentElement;
            if (element.tagName === 'SPAN' && element.attributes.length === 1 &&
                element.hasAttribute('style') && isNew(element) && isRedundant(element)) {
                while (element.firstChild) {
                    parent.insertBefore(element.firstChild, element);
                }
                element.remove();
                changed = true;
            }
            element = parent;
        }
        if (changed && container.isConnected) {
            const caret = document.createRange();
            caret.setStart(container, offset);
            caret.collapse(true);
            const selection = document.getSelection();
            selection.removeAllRanges();
            selection.addRange(caret);
        }
    };

    // A cell that holds only the space that keeps it open: the first letter typed into it
    // takes the space's place.
    Pv.typeIntoPlaceholderCell = function (event) {
        const range = Pv.range();
        if (!range || !range.collapsed || typeof event.data !== 'string' || !event.data) {
            return false;
        }
        const element = Pv.elementAt(range.startContainer);
        const cell = element ? element.closest('td, th') : null;
        if (!cell || cell.textContent !== '\u00a0' || cell.querySelector('img, table, hr')) {
            return false;
        }
        const walker = document.createTreeWalker(cell, NodeFilter.SHOW_TEXT);
        const text = walker.nextNode();
        if (!text) {
            return false;
        }
        text.data = event.data;
        const caret = document.createRange();
        caret.setStart(text, text.data.length);
        caret.collapse(true);
        const selection = document.getSelection();
        selection.removeAllRanges();
        selection.addRange(caret);
        return true;
    };
})(ParvaneEditor);

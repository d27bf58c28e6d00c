// Pasting from word processors and web pages: the structure comes along (headings,
// paragraphs, lists, tables, links, pictures, bold and italic), the rest stays behind
// (foreign styles, classes, fonts, the word processor's own markup, scripts). A help page
// takes its looks from its style sheet, not from wherever the text was copied.
(function (Pv) {
    'use strict';

    // Elements kept, with the attributes each may keep.
    const KEEP = {
        P: [], H1: [], H2: [], H3: [], H4: [], H5: [], H6: [], BR: [], HR: [], PRE: [],
        BLOCKQUOTE: [], UL: [], OL: ['start', 'type'], LI: [], DL: [], DT: [], DD: [],
        TABLE: ['border', 'cellpadding', 'cellspacing'], CAPTION: [], THEAD: [], TBODY: [],
        TFOOT: [], TR: [], TD: ['colspan', 'rowspan'], TH: ['colspan', 'rowspan'],
        A: ['href', 'name', 'title', 'target'], IMG: ['src', 'alt', 'width', 'height'],
        B: [], STRONG: [], I: [], EM: [], U: [], SUB: [], SUP: [], CODE: [], KBD: [], VAR: [],
        S: [], STRIKE: [],
    };
    // Elements dropped with everything inside them.
    const DROP = new Set(['SCRIPT', 'STYLE', 'META', 'LINK', 'TITLE', 'HEAD', 'XML', 'TEMPLATE',
        'NOSCRIPT', 'IFRAME', 'OBJECT', 'EMBED', 'APPLET', 'FORM', 'INPUT', 'BUTTON', 'SELECT',
        'TEXTAREA', 'SVG', 'MATH', 'CANVAS', 'VIDEO', 'AUDIO', 'O:P', 'W:SDT']);
    const BLOCKY = new Set(['P', 'DIV', 'H1', 'H2', 'H3', 'H4', 'H5', 'H6', 'UL', 'OL', 'DL',
        'TABLE', 'PRE', 'BLOCKQUOTE', 'HR', 'SECTION', 'ARTICLE', 'HEADER', 'FOOTER', 'NAV',
        'ASIDE', 'MAIN', 'FIGURE', 'ADDRESS', 'CENTER', 'LI']);

    function styleOf(element) {
        return (element.getAttribute('style') || '').toLowerCase();
    }

    function safeAddress(value) {
        return !/^\s*(javascript|vbscript|data\s*:\s*text)/i.test(value);
    }

    // Word's list paragraphs ("mso-list: l0 level2 lfo1") with their level and numbering.
    function wordListItem(element) {
        if (element.tagName !== 'P' && !/^H[1-6]$/.test(element.tagName)) {
            return null;
        }
        const match = /mso-list\s*:\s*l(\d+)\s+level(\d+)/.exec(styleOf(element));
        if (!match) {
            return null;
        }
        return { list: match[1], level: Number(match[2]) };
    }

    // The text Word shows as a list item's bullet or number, between its "supportLists"
    // conditional comments (or in a span marked mso-list: Ignore).
    function bulletText(element) {
        let text = '';
        let inside = false;
        const walker = document.createTreeWalker(element,
            NodeFilter.SHOW_COMMENT | NodeFilter.SHOW_TEXT | NodeFilter.SHOW_ELEMENT);
        for (let node = walker.nextNode(); node; node = walker.nextNode()) {
            if (node.nodeType === Node.COMMENT_NODE) {
                if (/\[if !supportLists\]/.test(node.data)) {
                    inside = true;
                } else if (/\[endif\]/.test(node.data) && inside) {
                    return text;
                }
            } else if (node.nodeType === Node.TEXT_NODE && inside) {
                text += node.data;
            } else if (node.nodeType === Node.ELEMENT_NODE && !inside &&
                /mso-list\s*:\s*ignore/.test(styleOf(node))) {
                return node.textContent;
            }
        }
        return text;
    }

    function isOrdered(bullet) {
        return /^\s*\(?([0-9]+|[a-z]{1,3}|[ivxlc]+)[.)]/i.test(bullet);
    }

    // Removes what Word marks as not for this reader: list bullets between conditional
    // comments, and elements styled mso-list: Ignore.
    function dropConditionals(root) {
        const walker = document.createTreeWalker(root,
            NodeFilter.SHOW_COMMENT | NodeFilter.SHOW_ELEMENT);
        const doomed = [];
        let start = null;
        for (let node = walker.nextNode(); node; node = walker.nextNode()) {
            if (node.nodeType === Node.COMMENT_NODE) {
                if (/^\[if !supportLists\]/.test(node.data) ||
                    /^\[if !supportLineBreakNewLine\]/.test(node.data)) {
                    start = node;
                } else if (/^\[endif\]/.test(node.data) && start) {
                    if (start.parentNode === node.parentNode) {
                        for (let n = start.nextSibling; n && n !== node; n = n.nextSibling) {
                            doomed.push(n);
                        }
                    }
                    start = null;
                }
            } else if (/mso-list\s*:\s*ignore/.test(styleOf(node))) {
                doomed.push(node);
            }
        }
        for (const node of doomed) {
            node.remove();
        }
    }

    // What a span of a web page or an online word processor means by its style.
    function emphasisOf(element) {
        const style = styleOf(element);
        const weight = /font-weight\s*:\s*(bold|[6-9]00)/.test(style);
        const italic = /font-style\s*:\s*italic/.test(style);
        return { bold: weight, italic: italic };
    }

    function cleanChildren(source, target) {
        for (const child of Array.from(source.childNodes)) {
            const cleaned = cleanNode(child);
            if (cleaned) {
                target.appendChild(cleaned);
            }
        }
    }

    // The node as kept: an element of its own, its content alone (a fragment), or null.
    function cleanNode(node) {
        if (node.nodeType === Node.TEXT_NODE) {
            return document.createTextNode(node.data);
        }
        if (node.nodeType !== Node.ELEMENT_NODE) {
            return null;
        }
        const tag = node.tagName.toUpperCase();
        // Word's own elements (o:p, v:shape, ...) go unless they hold text.
        if (DROP.has(tag) || (tag.indexOf(':') >= 0 && !node.textContent.trim())) {
            return null;
        }
        let out;
        if (KEEP[tag]) {
            out = document.createElement(tag.toLowerCase());
            for (const name of KEEP[tag]) {
                const value = node.getAttribute(name);
                if (value !== null && (name !== 'href' && name !== 'src' || safeAddress(value))) {
                    out.setAttribute(name, value);
                }
            }
            if (tag === 'A' && !out.hasAttribute('href') && !out.hasAttribute('name')) {
                out = document.createDocumentFragment();
            }
        } else if (tag === 'DIV' && !Array.from(node.children).some(function (c) {
            return BLOCKY.has(c.tagName.toUpperCase());
        }) && node.textContent.trim()) {
            out = document.createElement('p');
        } else {
            out = document.createDocumentFragment();
        }
        let inner = out;
        if (out.nodeType === Node.DOCUMENT_FRAGMENT_NODE && tag === 'SPAN') {
            const emphasis = emphasisOf(node);
            if (emphasis.bold) {
                inner = out.appendChild(document.createElement('b'));
            }
            if (emphasis.italic) {
                inner = inner.appendChild(document.createElement('i'));
            }
        }
        cleanChildren(node, inner);
        return out;
    }

    // Word's list paragraphs become lists, nested by their level.
    function buildWordLists(root) {
        const items = Array.from(root.querySelectorAll('p, h1, h2, h3, h4, h5, h6'))
            .filter(function (p) { return wordListItem(p); });
        const bullets = new Map();
        for (const item of items) {
            bullets.set(item, bulletText(item));
        }
        let stack = [];
        let last = null;
        for (const item of items) {
            const info = wordListItem(item);
            const continues = last && last.nextElementSibling === item &&
                wordListItem(last).list === info.list;
            if (!continues) {
                stack = [];
            }
            while (stack.length > info.level) {
                stack.pop();
            }
            while (stack.length < info.level) {
                const list = document.createElement(isOrdered(bullets.get(item)) ? 'ol' : 'ul');
                if (stack.length) {
                    const parentList = stack[stack.length - 1];
                    const host = parentList.lastElementChild || parentList.appendChild(
                        document.createElement('li'));
                    host.appendChild(list);
                } else {
                    item.parentNode.insertBefore(list, item);
                }
                stack.push(list);
            }
            const li = document.createElement('li');
            stack[stack.length - 1].appendChild(li);
            while (item.firstChild) {
                li.appendChild(item.firstChild);
            }
            // The emptied paragraph stays until the end: the next item looks for it.
            last = item;
        }
        for (const item of items) {
            item.remove();
        }
    }

    // Formatting left without content once the foreign markup inside it went.
    function dropEmpty(root) {
        const formats = 'b, i, u, em, strong, sub, sup, s, strike, code, kbd, var';
        for (const element of Array.from(root.querySelectorAll(formats)).reverse()) {
            if (!element.textContent.length && !element.querySelector('img, br')) {
                element.remove();
            }
        }
    }

    // The pasted HTML as clean nodes.
    Pv.cleanPastedHtml = function (html) {
        const parsed = new DOMParser().parseFromString(String(html || ''), 'text/html');
        const body = parsed.body || parsed.documentElement;
        buildWordLists(body); // reads the bullets before they go
        dropConditionals(body);
        const fragment = document.createDocumentFragment();
        cleanChildren(body, fragment);
        dropEmpty(fragment);
        // Text between blocks that is only a word processor's line ends.
        for (const child of Array.from(fragment.childNodes)) {
            if (child.nodeType === Node.TEXT_NODE && !child.data.trim()) {
                child.remove();
            }
        }
        return fragment;
    };

    Pv.pasteCleanHtml = function (html) {
        const range = Pv.range();
        if (!Pv.isEditable(range)) {
            return false;
        }
        return Pv.insertFragment(range, Pv.cleanPastedHtml(html));
    };

    // Rich text dropped from another program is cleaned as pasted text is; a move within
    // the page stays the browser's own (it is one undo step, see undo.js).
    function watchDrops() {
        let draggingHere = false;
        document.addEventListener('dragstart', function () { draggingHere = true; }, true);
        document.addEventListener('dragend', function () { draggingHere = false; }, true);
        document.addEventListener('drop', function (event) {
            const html = !draggingHere && event.dataTransfer
                ? event.dataTransfer.getData('text/html') : '';
            const range = html ? document.caretRangeFromPoint(event.clientX, event.clientY) : null;
            if (!range || !Pv.isEditable(range)) {
                return;
            }
            event.preventDefault();
            const selection = document.getSelection();
            selection.removeAllRanges();
            selection.addRange(range);
            Pv.history.begin('paste');
            Pv.pasteCleanHtml(html);
            Pv.history.close();
        }, true);
    }

    Pv.watchPaste = function () {
        watchDrops();
        document.addEventListener('paste', function (event) {
            const data = event.clipboardData;
            if (!data || !Pv.isEditable(Pv.range())) {
                return;
            }
            const html = data.getData('text/html');
            const text = data.getData('text/plain');
            if (!html && !text) {
                return; // pictures and files: the browser's own paste
            }
            event.preventDefault();
            Pv.history.begin('paste');
            if (html) {
                Pv.pasteCleanHtml(html);
            } else {
                Pv.insertPlainText(text);
            }
            Pv.history.close();
        }, true);
    };
})(ParvaneEditor);

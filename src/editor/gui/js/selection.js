// The selection as the editor reports it: its type, the element under it and the formats
// of the selected text, which Chromium does not report as "mixed" by itself.
(function (Pv) {
    'use strict';

    // Elements that are selected as a whole rather than as text.
    const CONTROL_TAGS = new Set(['IMG', 'TABLE', 'HR', 'INPUT', 'SELECT', 'TEXTAREA', 'BUTTON',
        'OBJECT', 'EMBED', 'IFRAME', 'VIDEO', 'AUDIO', 'CANVAS']);
    const BLOCK_TAGS = new Set(['P', 'H1', 'H2', 'H3', 'H4', 'H5', 'H6', 'PRE', 'ADDRESS', 'DIV',
        'BLOCKQUOTE', 'LI', 'TD', 'TH', 'DD', 'DT', 'CENTER', 'BODY']);
    const HIDDEN_TAGS = new Set(['SCRIPT', 'STYLE', 'NOSCRIPT', 'TEMPLATE', 'TITLE']);
    // A select-all over a huge page reads the formats of this many text nodes only.
    const MAX_TEXT_NODES = 5000;
    // Pixel sizes of the HTML font sizes 1..7.
    const LEGACY_SIZES = [10, 13, 16, 18, 24, 32, 48];

    Pv.range = function () {
        const selection = document.getSelection();
        return selection && selection.rangeCount ? selection.getRangeAt(0) : null;
    };

    Pv.isEditable = function (range) {
        return !!range && document.designMode === 'on' && !!document.body &&
            document.body.contains(range.commonAncestorContainer);
    };

    Pv.elementAt = function (node) {
        if (!node) {
            return null;
        }
        return node.nodeType === Node.ELEMENT_NODE ? node : node.parentElement;
    };

    Pv.selectedControl = function (range) {
        if (!range || range.startContainer !== range.endContainer ||
            range.startContainer.nodeType !== Node.ELEMENT_NODE ||
            range.endOffset - range.startOffset !== 1) {
            return null;
        }
        const node = range.startContainer.childNodes[range.startOffset];
        return node && node.nodeType === Node.ELEMENT_NODE && CONTROL_TAGS.has(node.tagName)
            ? node : null;
    };

    Pv.selectionType = function (range) {
        if (!range || range.collapsed) {
            return 'None';
        }
        return Pv.selectedControl(range) ? 'Control' : 'Text';
    };

    function firstNodeOf(range) {
        const container = range.startContainer;
        if (container.nodeType !== Node.ELEMENT_NODE) {
            return container;
        }
        if (range.startOffset < container.childNodes.length) {
            return container.childNodes[range.startOffset];
        }
        let node = container;
        while (node && !node.nextSibling) {
            node = node.parentNode;
        }
        return node ? node.nextSibling : null;
    }

    // The text nodes that hold selected characters, in document order, with the bounds
    // of their selected part.
    Pv.selectedTextNodes = function (range, limit, skipBlank) {
        const result = [];
        const body = document.body;
        const first = firstNodeOf(range);
        if (!body || !first) {
            return result;
        }
        const walker = document.createTreeWalker(body, NodeFilter.SHOW_TEXT);
        let node;
        if (!body.contains(first)) {
            node = walker.nextNode();
        } else if (first.nodeType === Node.TEXT_NODE) {
            walker.currentNode = first;
            node = first;
        } else {
            walker.currentNode = first;
            node = walker.nextNode();
        }
        while (node && result.length < limit) {
            if (range.comparePoint(node, 0) > 0) {
                break;
            }
            if (range.comparePoint(node, node.length) < 0) {
                node = walker.nextNode();
                continue;
            }
            const start = node === range.startContainer ? range.startOffset : 0;
            const end = node === range.endContainer ? range.endOffset : node.length;
            const parent = node.parentElement;
            if (end > start && parent && !HIDDEN_TAGS.has(parent.tagName) &&
                !(skipBlank && /^\s*$/.test(node.data.slice(start, end)))) {
                result.push({ node: node, start: start, end: end });
            }
            node = walker.nextNode();
        }
        return result;
    };

    // The element holding the first selected character (the element under a selection).
    Pv.firstCharElement = function (range) {
        if (!range) {
            return null;
        }
        if (!range.collapsed) {
            const parts = Pv.selectedTextNodes(range, 1, false);
            if (parts.length) {
                return parts[0].node.parentElement;
            }
        }
        return Pv.elementAt(range.startContainer);
    };

    Pv.blockTagOf = function (element) {
        for (let node = element; node; node = node.parentElement) {
            if (BLOCK_TAGS.has(node.tagName)) {
                if (node.tagName === 'LI') {
                    const list = node.parentElement;
                    return list && (list.tagName === 'OL' || list.tagName === 'UL')
                        ? list.tagName.toLowerCase() : 'li';
                }
                return node.tagName.toLowerCase();
            }
        }
        return 'body';
    };

    Pv.legacyFontSize = function (pixels) {
        let best = 0;
        for (let i = 1; i < LEGACY_SIZES.length; i++) {
            if (Math.abs(LEGACY_SIZES[i] - pixels) < Math.abs(LEGACY_SIZES[best] - pixels)) {
                best = i;
            }
        }
        return best + 1;
    };

    function familyName(cssFamily) {
        return String(cssFamily || '').replace(/["']/g, '').trim();
    }

    // One value for all, 'mixed', or null when nothing was seen.
    function agree(values) {
        let result = null;
        for (const value of values) {
            if (result === null) {
                result = value;
            } else if (result !== value) {
                return 'mixed';
            }
        }
        return result;
    }

    // The formats of the selected text: each is a value shared by all of it, or 'mixed'.
    Pv.analyse = function (range) {
        const parts = Pv.selectedTextNodes(range, MAX_TEXT_NODES, true);
        const elements = new Set(parts.map(function (part) { return part.node.parentElement; }));
        if (!elements.size) {
            const start = Pv.elementAt(range.startContainer);
            if (start) {
                elements.add(start);
            }
        }
        const underlined = new Map();
        function isUnderlined(element) {
            if (!element || element === document.documentElement) {
                return false;
            }
            if (!underlined.has(element)) {
                const line = getComputedStyle(element).textDecorationLine || '';
                underlined.set(element, line.indexOf('underline') >= 0 ||
                    isUnderlined(element.parentElement));
            }
            return underlined.get(element);
        }
        const bold = [], italic = [], underline = [], family = [], size = [], block = [];
        for (const element of elements) {
            const style = getComputedStyle(element);
            const weight = Number(style.fontWeight);
            bold.push(style.fontWeight === 'bold' || weight >= 600);
            italic.push(style.fontStyle !== 'normal');
            underline.push(isUnderlined(element));
            family.push(familyName(style.fontFamily));
            size.push(Pv.legacyFontSize(parseFloat(style.fontSize) || 16));
            block.push(Pv.blockTagOf(element));
        }
        return {
            bold: agree(bold), italic: agree(italic), underline: agree(underline),
            family: agree(family), size: agree(size), block: agree(block),
        };
    };

    Pv.fontNameAtCaret = function () {
        return familyName(document.queryCommandValue('fontName'));
    };

    // The caret before the first character of the page, so that the paragraph format shown
    // from the start is that of the first text (a heading, usually).
    Pv.caretToStart = function () {
        const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
        for (let node = walker.nextNode(); node; node = walker.nextNode()) {
            const parent = node.parentElement;
            if (parent && !HIDDEN_TAGS.has(parent.tagName) && /\S/.test(node.data)) {
                const range = document.createRange();
                range.setStart(node, node.data.search(/\S/));
                range.collapse(true);
                const selection = document.getSelection();
                selection.removeAllRanges();
                selection.addRange(range);
                return true;
            }
        }
        return Pv.select(document.body, 'start');
    };

    Pv.select = function (element, how) {
        const range = document.createRange();
        if (how === 'node') {
            range.selectNode(element);
        } else {
            range.selectNodeContents(element);
            if (how === 'start' || how === 'end') {
                range.collapse(how === 'start');
            }
        }
        const selection = document.getSelection();
        selection.removeAllRanges();
        selection.addRange(range);
        return true;
    };

    // Selects the first occurrence of text in the page's text, across element boundaries.
    Pv.findText = function (text) {
        if (!text || !document.body) {
            return false;
        }
        const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
        const nodes = [];
        const starts = [];
        let all = '';
        for (let node = walker.nextNode(); node; node = walker.nextNode()) {
            if (node.parentElement && HIDDEN_TAGS.has(node.parentElement.tagName)) {
                continue;
            }
            nodes.push(node);
            starts.push(all.length);
            all += node.data;
        }
        const at = all.indexOf(text);
        if (at < 0) {
            return false;
        }
        function locate(offset, preferNext) {
            let i = 0;
            while (i + 1 < nodes.length && (starts[i + 1] < offset ||
                (preferNext && starts[i + 1] === offset))) {
                i++;
            }
            return { node: nodes[i], offset: offset - starts[i] };
        }
        const start = locate(at, true);
        const end = locate(at + text.length, false);
        const range = document.createRange();
        range.setStart(start.node, start.offset);
        range.setEnd(end.node, end.offset);
        const selection = document.getSelection();
        selection.removeAllRanges();
        selection.addRange(range);
        return true;
    };
})(ParvaneEditor);

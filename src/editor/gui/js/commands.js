// The editor's command ids: their statuses (0 not supported, 1 disabled, 3 enabled,
// 7 latched, 11 mixed) and what each does. C++ answers the query ids and the font dialog
// itself; everything that changes the page runs here.
(function (Pv) {
    'use strict';

    const DISABLED = 1, ENABLED = 3, LATCHED = 7, MIXED = 11;

    // Formats toggled on the selection, with their key in the selection analysis.
    const TOGGLES = { 5000: ['bold', 'bold'], 5023: ['italic', 'italic'],
        5048: ['underline', 'underline'] };
    // Commands whose latched state the browser reports itself.
    const LATCHING = { 5024: 'justifyCenter', 5025: 'justifyLeft', 5026: 'justifyRight',
        5030: 'insertOrderedList', 5051: 'insertUnorderedList' };
    const PLAIN = { 5018: 'indent', 5031: 'outdent', 5034: 'removeFormat' };
    const WITH_VALUE = { 5042: 'backColor', 5046: 'foreColor', 5044: 'fontName',
        5045: 'fontSize' };
    const TABLE = { 5006: 'deleteColumns', 5007: 'deleteRows', 5020: 'insertColumn',
        5021: 'insertRow' };
    const EDITABLE_ONLY = [5009, 5011, 5013, 5014, 5032];
    const ALL_IDS = [5000, 5002, 5003, 5004, 5006, 5007, 5009, 5011, 5012, 5013, 5014, 5018,
        5020, 5021, 5023, 5024, 5025, 5026, 5030, 5031, 5032, 5033, 5034, 5035, 5042, 5043,
        5044, 5045, 5046, 5048, 5049, 5051];

    function status(enabled, latched, mixed) {
        if (!enabled) {
            return DISABLED;
        }
        if (mixed) {
            return MIXED;
        }
        return latched ? LATCHED : ENABLED;
    }

    // What the statuses of one moment share: the selection, read once.
    Pv.context = function () {
        const range = Pv.range();
        const context = {
            range: range,
            editable: Pv.isEditable(range),
            collapsed: !range || range.collapsed,
            analysis: null,
        };
        context.analyse = function () {
            if (!context.analysis) {
                context.analysis = context.editable ? Pv.analyse(range) : {};
            }
            return context.analysis;
        };
        return context;
    };

    function enabled(context, command) {
        return context.editable && document.queryCommandEnabled(command);
    }

    Pv.statusOf = function (id, context) {
        const loaded = document.designMode === 'on';
        if (TOGGLES[id]) {
            const [command, key] = TOGGLES[id];
            if (!enabled(context, command)) {
                return DISABLED;
            }
            if (context.collapsed) {
                return status(true, document.queryCommandState(command), false);
            }
            const value = context.analyse()[key];
            return status(true, value === true, value === 'mixed');
        }
        if (LATCHING[id]) {
            return status(enabled(context, LATCHING[id]),
                document.queryCommandState(LATCHING[id]), false);
        }
        if (PLAIN[id]) {
            return status(enabled(context, PLAIN[id]), false, false);
        }
        if (TABLE[id]) {
            return status(Pv.caretInTable(), false, false);
        }
        switch (id) {
        case 5002: // copy
            return status(!context.collapsed, false, false);
        case 5003: // cut
        case 5004: // delete the selection
            return status(context.editable && !context.collapsed, false, false);
        case 5012: // the block format names are fixed
        case 5035: // select all
            return status(loaded, false, false);
        case 5033:
            return status(loaded && Pv.history.canRedo(), false, false);
        case 5049:
            return status(loaded && Pv.history.canUndo(), false, false);
        case 5042:
        case 5046:
            return status(context.editable, false, false);
        case 5043:
            return status(context.editable, false,
                context.editable && !context.collapsed && context.analyse().block === 'mixed');
        case 5044:
            return status(context.editable, false,
                context.editable && !context.collapsed && context.analyse().family === 'mixed');
        case 5045:
            return status(context.editable, false,
                context.editable && !context.collapsed && context.analyse().size === 'mixed');
        default:
            if (EDITABLE_ONLY.indexOf(id) >= 0) {
                return status(context.editable, false, false);
            }
            return 0;
        }
    };

    Pv.statuses = function (context) {
        const result = {};
        for (const id of ALL_IDS) {
            result[id] = Pv.statusOf(id, context);
        }
        return result;
    };

    // The values the query ids answer: block element, font name and size 1..7 (0 mixed).
    Pv.formatValues = function (context) {
        if (!context.editable) {
            return { block: '', blockMixed: false, fontName: '', fontSize: 0 };
        }
        if (context.collapsed) {
            return {
                block: Pv.blockTagOf(Pv.elementAt(context.range.startContainer)),
                blockMixed: false,
                fontName: Pv.fontNameAtCaret(),
                fontSize: Number(document.queryCommandValue('fontSize')) || 0,
            };
        }
        const analysis = context.analyse();
        const startBlock = Pv.blockTagOf(Pv.elementAt(context.range.startContainer));
        return {
            block: analysis.block && analysis.block !== 'mixed' ? analysis.block : startBlock,
            blockMixed: analysis.block === 'mixed',
            fontName: analysis.family && analysis.family !== 'mixed' ? analysis.family : '',
            fontSize: typeof analysis.size === 'number' ? analysis.size : 0,
        };
    };

    // Sets a paragraph format; the two list formats make or keep a list.
    Pv.formatBlock = function (tag) {
        const lists = { ol: 'insertOrderedList', ul: 'insertUnorderedList' };
        if (lists[tag]) {
            return document.queryCommandState(lists[tag]) || document.execCommand(lists[tag]);
        }
        for (const command of Object.values(lists)) {
            if (document.queryCommandState(command)) {
                document.execCommand(command);
            }
        }
        return document.execCommand('formatBlock', false, tag);
    };

    function setToggle(id, on) {
        const command = TOGGLES[id][0];
        const current = Pv.statusOf(id, Pv.context());
        if (current === MIXED) {
            document.execCommand(command); // the whole selection takes the format first
            if (!on) {
                document.execCommand(command);
            }
        } else if ((current === LATCHED) !== on) {
            document.execCommand(command);
        }
    }

    // The choices of the font dialog, applied to the selection.
    Pv.applyFont = function (font) {
        if (!Pv.isEditable(Pv.range())) {
            return false;
        }
        if (font.family) {
            document.execCommand('fontName', false, font.family);
        }
        if (font.size >= 1 && font.size <= 7) {
            document.execCommand('fontSize', false, String(font.size));
        }
        setToggle(5000, !!font.bold);
        setToggle(5023, !!font.italic);
        setToggle(5048, !!font.underline);
        if (document.queryCommandState('strikeThrough') !== !!font.strikeout) {
            document.execCommand('strikeThrough');
        }
        return true;
    };

    Pv.exec = function (id, value) {
        const done = run(id, value);
        if (id !== 5033 && id !== 5049) {
            Pv.fixNesting();
        }
        return done;
    };

    // Deletes the selection. Within one text the text is cut out as it is: the browser's
    // delete would turn a space left at a paragraph's start into a non-breaking one.
    function deleteSelection() {
        const range = Pv.range();
        if (range && range.startContainer === range.endContainer &&
            range.startContainer.nodeType === Node.TEXT_NODE) {
            range.deleteContents();
            return true;
        }
        return document.execCommand('delete');
    }

    function run(id, value) {
        if (Pv.statusOf(id, Pv.context()) < ENABLED) {
            return false;
        }
        if (TOGGLES[id]) {
            return document.execCommand(TOGGLES[id][0]);
        }
        if (LATCHING[id]) {
            return document.execCommand(LATCHING[id]);
        }
        if (PLAIN[id]) {
            return document.execCommand(PLAIN[id]);
        }
        if (WITH_VALUE[id]) {
            return document.execCommand(WITH_VALUE[id], false, String(value || ''));
        }
        switch (id) {
        case 5002: return document.execCommand('copy');
        case 5003: return document.execCommand('cut');
        case 5004: return deleteSelection();
        case 5032: return document.execCommand('paste');
        case 5033: return Pv.history.redo();
        case 5049: return Pv.history.undo();
        case 5035: return document.execCommand('selectAll');
        case 5043: return Pv.formatBlock(String(value || 'p'));
        case 5006: return Pv.deleteColumns();
        case 5007: return Pv.deleteRows();
        case 5020: return Pv.insertColumn(value);
        case 5021: return Pv.insertRow(value);
        default: return false;
        }
    }
})(ParvaneEditor);

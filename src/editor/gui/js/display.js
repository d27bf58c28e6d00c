// The two display options. They are an adopted style sheet, which is never part of the
// document and so can never be saved with it.
(function (Pv) {
    'use strict';

    const BORDERS = [
        'table:not([border]), table[border="0"], table[border=""],',
        'table:not([border]) td, table[border="0"] td, table[border=""] td,',
        'table:not([border]) th, table[border="0"] th, table[border=""] th',
        '{ outline: 1px dashed #9a9aa5; outline-offset: -1px; }',
    ].join('\n');
    const DETAILS = [
        'p, div, h1, h2, h3, h4, h5, h6, pre, address, blockquote, li',
        '{ outline: 1px dotted #c4c4cc; }',
        'p::after { content: "\\00b6"; color: #9a9aa5; }',
        'a[name]:not([href])::before { content: "\\2693"; color: #9a9aa5; }',
    ].join('\n');

    let sheet = null;

    Pv.setDisplayOptions = function (borders, details) {
        if (!sheet) {
            sheet = new CSSStyleSheet();
            document.adoptedStyleSheets = [sheet];
        }
        sheet.replaceSync((borders ? BORDERS : '') + '\n' + (details ? DETAILS : ''));
        return true;
    };
})(ParvaneEditor);

// Element handles: C++ names a DOM element by a number. The numbers live only in this
// script world (a WeakMap and a Map), so the page itself never carries them.
const ParvaneEditor = Object.create(null);

(function (Pv) {
    'use strict';

    let nextHandle = 1;
    const handles = new WeakMap();
    const elements = new Map();

    Pv.handleOf = function (node) {
        if (!node || node.nodeType !== Node.ELEMENT_NODE) {
            return 0;
        }
        let handle = handles.get(node);
        if (handle === undefined) {
            handle = nextHandle++;
            Pv.adopt(node, handle);
        }
        return handle;
    };

    // Elements created at the request of C++ get the handle C++ chose for them, so C++ can
    // use the new element before it hears back (its handles are negative).
    Pv.adopt = function (node, handle) {
        handles.set(node, handle);
        elements.set(handle, node);
    };

    Pv.elementOf = function (handle) {
        const node = elements.get(handle);
        if (!node) {
            throw new Error('no element with handle ' + handle);
        }
        return node;
    };
})(ParvaneEditor);

// The page end of the bridge. C++ calls named functions with JSON arguments through the
// host object's call signal; every answer carries a fresh snapshot. Changes are announced
// once per burst; C++ decides when to ask for the next snapshot (timers do not run in this
// script world while the page's own scripts are off).
(function (Pv) {
    'use strict';

    const generation = Number(new URLSearchParams(location.search).get('g')) || 0;
    let host = null;
    let observer = null;
    let announced = false;
    let announcedContent = false;

    function announce(content) {
        if (content) {
            Pv.contentDirty = true;
            Pv.changed = true;
        }
        if (!host || (announced && (announcedContent || !content))) {
            return;
        }
        announced = true;
        announcedContent = announcedContent || content;
        host.notify(generation, content);
    }

    function takeSnapshot(withHtml) {
        // Changes made in this task are not delivered to the observer yet.
        if (observer && observer.takeRecords().length) {
            Pv.contentDirty = true;
            Pv.changed = true;
        }
        announced = false;
        announcedContent = false;
        return Pv.snapshot(withHtml);
    }

    const api = new Map(Object.entries({
        snapshot: function () { return null; },
        navigate: function (url) {
            location.replace(url);
            return true;
        },
        exec: function (id, value) { return Pv.exec(id, value); },
        applyFont: function (font) { return Pv.applyFont(font); },
        pasteHtml: function (where, html) { return Pv.pasteHtml(where, html); },
        pasteCleanHtml: function (html) { return Pv.pasteCleanHtml(html); },
        insertPlainText: function (text) { return Pv.insertPlainText(text); },
        insertText: function (text) { return document.execCommand('insertText', false, text); },
        beginStep: function () { Pv.history.begin('step'); return true; },
        select: function (handle, how) { return Pv.select(Pv.elementOf(handle), how); },
        findText: function (text) { return Pv.findText(text); },
        setDisplayOptions: function (borders, details) {
            return Pv.setDisplayOptions(borders, details);
        },
        elementsByTagName: function (tag) {
            return Pv.recordsOf(Array.from(document.getElementsByTagName(tag)));
        },
        setAttribute: function (handle, name, value) {
            Pv.elementOf(handle).setAttribute(name, value);
            return true;
        },
        removeAttribute: function (handle, name) {
            Pv.elementOf(handle).removeAttribute(name);
            return true;
        },
        setStyleWidth: function (handle, width) {
            Pv.elementOf(handle).style.width = width;
            return true;
        },
        setOuterHtml: function (handle, html) {
            Pv.elementOf(handle).outerHTML = html;
            return true;
        },
        setInnerHtml: function (handle, html) {
            Pv.elementOf(handle).innerHTML = html;
            return true;
        },
        setInnerText: function (handle, text) {
            Pv.elementOf(handle).innerText = text;
            return true;
        },
        insertRow: function (handle, index, newHandle) {
            Pv.adopt(Pv.elementOf(handle).insertRow(index), newHandle);
            return true;
        },
        insertCell: function (handle, index, newHandle) {
            Pv.adopt(Pv.elementOf(handle).insertCell(index), newHandle);
            return true;
        },
    }));

    function dispatch(id, name, argsJson) {
        if (id === 0) {
            // Told, not asked: no answer, and the state stays for the next answer.
            try {
                api.get(name).apply(null, JSON.parse(argsJson));
            } catch (error) {
                console.error('editor call ' + name + ' failed: ' + error);
            }
            return;
        }
        const payload = {};
        try {
            const call = api.get(name);
            if (!call) {
                throw new Error('unknown call ' + name);
            }
            const result = call.apply(null, JSON.parse(argsJson));
            payload.result = result === undefined ? null : result;
        } catch (error) {
            payload.error = String(error && error.message ? error.message : error);
        }
        payload.snapshot = takeSnapshot(false);
        host.reply(generation, id, JSON.stringify(payload));
    }

    function selectObject(event) {
        const target = event.target;
        if (target && target.nodeType === Node.ELEMENT_NODE &&
            (target.tagName === 'IMG' || target.tagName === 'HR' || target.tagName === 'TABLE')) {
            Pv.select(target, 'node');
        }
    }

    new QWebChannel(qt.webChannelTransport, function (channel) {
        host = channel.objects.editorHost;
        host.call.connect(dispatch);
        document.designMode = 'on';
        document.execCommand('styleWithCSS', false, false);
        if (document.body && !document.getSelection().rangeCount) {
            Pv.caretToStart();
        }
        Pv.history.start();
        Pv.watchEditing();
        Pv.watchPaste();
        for (const type of ['selectionchange', 'keyup', 'mouseup']) {
            document.addEventListener(type, function () { announce(false); });
        }
        document.addEventListener('input', function () { announce(true); });
        document.addEventListener('click', selectObject);
        observer = new MutationObserver(function () { announce(true); });
        observer.observe(document, {
            subtree: true, childList: true, attributes: true, characterData: true,
        });
        Pv.changed = false;
        host.ready(generation, JSON.stringify(takeSnapshot(true)));
    });
})(ParvaneEditor);
